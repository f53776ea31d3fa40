#include "themes/palette.hpp"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using themes::Colour;
using themes::is_css_colour_line;
using themes::is_kitty_colour_line;
using themes::parse_kitty_palette;

TEST(TerminalColours, EscapeSequencesForEveryDefinedColour) {
  const struct {
    std::string kitty_conf;
    std::string sequences;
  } cases[] = {
      {"", ""},
      {"font_size 11\ncursor none\n", ""},
      // Missing colours get no sequence; the last of a key wins.
      {"color2 #00ff00\ncolor15 #FFFFFF\nforeground #cdd6f4\nbackground #1e1e2e\ncursor #f5e0dc\n"
       "selection_background #585b70\nselection_foreground #cdd6f4\ncolor2 #00aa00\n",
       "\x18\x1b\\\x1b]4;2;#00aa00\x1b\\\x1b]4;15;#ffffff\x1b\\\x1b]10;#cdd6f4\x1b\\\x1b]11;#1e1e2e\x1b\\"
       "\x1b]12;#f5e0dc\x1b\\\x1b]17;#585b70\x1b\\\x1b]19;#cdd6f4\x1b\\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(themes::terminal_colour_sequences(themes::read_terminal_colours(c.kitty_conf)), c.sequences)
        << c.kitty_conf;
  // A built-in theme sets all 16 palette colours and the five others.
  const auto nord = testing_support::read_text(TINTWELL_FIXTURES_DIR "/golden/nord/kitty.conf");
  const auto all = themes::terminal_colour_sequences(themes::read_terminal_colours(nord));
  std::size_t count = 0;
  for (auto at = all.find("\x1b]"); at != std::string::npos; at = all.find("\x1b]", at + 1)) ++count;
  EXPECT_EQ(count, 21u);
}

TEST(KittyPalette, ReadsBackgroundForegroundAndColoursInIndexOrder) {
  const auto p = parse_kitty_palette(
      "# comment\n"
      "background #1E1E2E\n"
      "foreground\t#cdd6f4  # trailing comment\n"
      "color4 #0000ff\r\n"
      "color0 #000000\n"
      "color1 #ff0000 # red\n"
      "cursor #ffffff\n");
  EXPECT_EQ(p.background, (Colour{30, 30, 46}));
  EXPECT_EQ(p.foreground, (Colour{205, 214, 244}));
  EXPECT_EQ(p.colours, (std::vector<Colour>{{0, 0, 0}, {255, 0, 0}, {0, 0, 255}}));
}

TEST(KittyPalette, SkipsUnusableLines) {
  const auto p = parse_kitty_palette(
      "background 1e1e2e\n"
      "background #1e1e2\n"
      "background #1e1e2eff\n"
      "background rgb(1,2,3)\n"
      "   # color1 #ff0000\n"
      "color16 #111111\n"
      "color-1 #222222\n"
      "color #333333\n"
      "color+ #444444\n"
      "color99999999999999999999999 #555555\n"
      "Background #666666\n"
      "foreground\n"
      "   \n"
      "color2 none\n");
  EXPECT_EQ(p, themes::Palette{});
}

TEST(KittyPalette, KeyVariantsAndOverrides) {
  const auto p = parse_kitty_palette(
      "color+3 #030303\n"
      "color07 #070707\n"
      "background #000001\n"
      "background #000002\n"
      "color7 #777777\n");
  EXPECT_EQ(p.background, (Colour{0, 0, 2}));
  EXPECT_EQ(p.colours, (std::vector<Colour>{{3, 3, 3}, {0x77, 0x77, 0x77}}));
}

TEST(KittyPalette, RealThemeCollection) {
  const auto dir = testing_support::data_dir("kitty-themes/themes");
  if (!dir) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  int files = 0, complete = 0;
  for (const auto& entry : std::filesystem::directory_iterator(*dir)) {
    if (entry.path().extension() != ".conf") continue;
    ++files;
    const auto p = parse_kitty_palette(testing_support::read_text(entry.path()));
    ASSERT_LE(p.colours.size(), 16u);
    if (p.background && p.foreground && p.colours.size() == 16) ++complete;
  }
  EXPECT_EQ(files, 407);
  EXPECT_EQ(complete, 402);
}

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

TEST(LinesNotIn, KeepsOrderAndDuplicates) {
  EXPECT_EQ(themes::lines_not_in("a\nb\r\nc\na\nd", "b\nd\n"), (std::vector<std::string>{"a", "c", "a"}));
  EXPECT_EQ(themes::lines_not_in("", "x"), std::vector<std::string>{});
  EXPECT_EQ(themes::lines_not_in("x\n\n", ""), (std::vector<std::string>{"x", ""}));
}

}  // namespace
