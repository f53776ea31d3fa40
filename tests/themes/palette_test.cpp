#include "themes/palette.hpp"

#include <gtest/gtest.h>

namespace {

using themes::is_css_colour_line;
using themes::is_kitty_colour_line;

TEST(KittyColourLine, KeysOnlyValueNotExamined) {
  for (const char* yes : {"cursor anything", "  background #000", "color255 #fff", "color+7 x", "color007",
                          "inactive_tab_background #123456", "url_color\tred"})
    EXPECT_TRUE(is_kitty_colour_line(yes)) << yes;
  for (const char* no : {"color256 #fff", "cursor_shape beam", "# background #000", "#background #000",
                         "", "   ", "colorx #fff", "font_size 12"})
    EXPECT_FALSE(is_kitty_colour_line(no)) << no;
}

TEST(CssColourLine, KeepsColourDeclarationsSelectorsAndBraces) {
  for (const char* yes : {"    background-color: #fff;", "window#waybar {", "}", "@define-color fg #fff;",
                          "#clock,", "color:#fff", " border-color : red;", "background: none;"})
    EXPECT_TRUE(is_css_colour_line(yes)) << yes;
  for (const char* no : {"  font-size: 12px;", "/* a comment */", "", "padding: 0 4px;",
                         "@define-colorx", "} /* end */", "background-image: url(x);"})
    EXPECT_FALSE(is_css_colour_line(no)) << no;
}

}  // namespace
