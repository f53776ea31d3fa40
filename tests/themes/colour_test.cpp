#include "themes/colour.hpp"

#include <gtest/gtest.h>

namespace {

using themes::Colour;
using themes::format_hex_colour;
using themes::mix_colour;
using themes::parse_hex_colour;

TEST(HexColour, ParsesExactlySevenBytesInEitherCase) {
  EXPECT_EQ(parse_hex_colour("#1E1e2E"), (Colour{30, 30, 46}));
  EXPECT_EQ(parse_hex_colour("#ff0800"), (Colour{255, 8, 0}));
  for (const char* bad : {"1e1e2e", "#1e1e2", "#1e1e2eff", "rgb(1,2,3)", " #1e1e2e", "#1e1e2g", "#fff", ""})
    EXPECT_FALSE(parse_hex_colour(bad).has_value()) << bad;
}

TEST(HexColour, FormatsLowerCase) {
  EXPECT_EQ(format_hex_colour({30, 30, 46}), "#1e1e2e");
  EXPECT_EQ(format_hex_colour({255, 8, 0}), "#ff0800");
}

TEST(MixColour, ExamplesRoundHalvesAwayFromZero) {
  const Colour bg = *parse_hex_colour("#1e1e2e");
  const Colour fg = *parse_hex_colour("#cdd6f4");
  EXPECT_EQ(format_hex_colour(mix_colour(bg, fg, 0.12f)), "#333446");
  EXPECT_EQ(format_hex_colour(mix_colour(bg, fg, 0.18f)), "#3e3f52");
  EXPECT_EQ(format_hex_colour(mix_colour({255, 255, 255}, {0, 0, 0}, 0.35f)), "#a6a6a6");
  EXPECT_EQ(format_hex_colour(mix_colour({0, 0, 0}, {1, 3, 5}, 0.5f)), "#010203");
  EXPECT_EQ(mix_colour(bg, fg, 0.0f), bg);
  EXPECT_EQ(mix_colour(bg, fg, 1.0f), fg);
  // Fractions outside 0..1 clamp to the channel range.
  EXPECT_EQ(mix_colour({0, 0, 0}, {200, 200, 200}, 2.0f), (Colour{255, 255, 255}));
  EXPECT_EQ(mix_colour({100, 100, 100}, {200, 200, 200}, -2.0f), (Colour{0, 0, 0}));
}

TEST(MixHexPercent, WholePercentRoundingHalvesUp) {
  using themes::mix_hex_percent;
  EXPECT_EQ(mix_hex_percent("#000000", "#ffffff", 15), "#262626");
  EXPECT_EQ(mix_hex_percent("#000000", "#ffffff", 35), "#595959");
  EXPECT_EQ(mix_hex_percent("#000000", "#ffffff", 55), "#8c8c8c");
  EXPECT_EQ(mix_hex_percent("#000000", "#010101", 50), "#010101");  // 0.5 rounds up
  EXPECT_EQ(mix_hex_percent("#123456", "#ABCDEF", 0), "#123456");
  EXPECT_EQ(mix_hex_percent("#123456", "#ABCDEF", 100), "#abcdef");
  EXPECT_EQ(mix_hex_percent("red", "#ffffff", 15), "#ffffff");
  EXPECT_EQ(mix_hex_percent("#000000", "blue", 15), "blue");
}

}  // namespace
