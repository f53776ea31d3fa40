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

TEST(KittyPalette, WhatALineSetsAndWhatIsSkipped) {
  using themes::Colour;
  const auto palette = themes::parse_kitty_palette(
      "background #1E1E2E\n"
      "  # color1 #ff0000 (an indented comment)\n"
      "color1 #ff0000 # a trailing comment\n"
      "color+3 #030303\ncolor16 #161616\ncolor-1 #ffffff\ncolor #ffffff\n"
      "foreground 1e1e2e\nforeground #1e1e2\nforeground #1e1e2eff\nforeground rgb(1,2,3)\n"
      "cursor\n \t \ncolor0 #000000\ncolor07 #070707\nbackground #000001\n");
  EXPECT_EQ(palette.background, (Colour{0, 0, 1})) << "the later line wins";
  EXPECT_EQ(palette.foreground, std::nullopt);
  EXPECT_EQ(palette.cursor, std::nullopt);
  EXPECT_EQ(palette.colours, (std::vector<Colour>{{0, 0, 0}, {255, 0, 0}, {3, 3, 3}, {7, 7, 7}}))
      << "slots 0, 1, 3 and 7 in order, the gaps left out";
}

}  // namespace
