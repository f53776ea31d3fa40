#include "themes/colour.hpp"

#include <gtest/gtest.h>

namespace {

using themes::Colour;
using themes::parse_hex_colour;

TEST(HexColour, ParsesExactlySevenBytesInEitherCase) {
  EXPECT_EQ(parse_hex_colour("#1E1e2E"), (Colour{30, 30, 46}));
  EXPECT_EQ(parse_hex_colour("#ff0800"), (Colour{255, 8, 0}));
  for (const char* bad : {"1e1e2e", "#1e1e2", "#1e1e2eff", "rgb(1,2,3)", " #1e1e2e", "#1e1e2g", "#fff", ""})
    EXPECT_FALSE(parse_hex_colour(bad).has_value()) << bad;
}

}  // namespace
