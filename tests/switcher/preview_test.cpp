#include "switcher/preview.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

// The preview in the theme's own colours: all sixteen, eight (the missing
// roles take the foreground), three, and a name too long for the width.
TEST(Preview, GoldenRowsAndRoleColours) {
  const struct {
    const char* name;
    std::size_t colours;
    std::string title;
    std::size_t width;
  } cases[] = {{"sixteen", 16, "demo", 78}, {"eight", 8, "demo", 78}, {"three", 3, "demo", 78},
               {"narrow", 16, std::string(60, 'n'), 40}};
  for (const auto& c : cases) {
    themes::ThemeEntry entry{.name = c.title, .background = themes::Colour{10, 10, 10},
                             .foreground = themes::Colour{200, 200, 200}};
    for (std::size_t i = 0; i < c.colours; ++i) entry.colours.push_back({static_cast<std::uint8_t>(i + 1), 0, 0});
    switcher::ScreenBuffer out;
    switcher::draw_preview(out, entry, 1, 0, c.width);
    testing_support::VirtualScreen screen(c.width + 2, 7);
    screen.feed(out.str());
    testing_support::expect_golden(std::string("preview/") + c.name + ".txt", screen.dump());
  }
  switcher::ScreenBuffer out;
  switcher::draw_preview(out, themes::ThemeEntry{.name = "x", .foreground = themes::Colour{}}, 1, 0, 40);
  EXPECT_EQ(out.str(), "") << "nothing without a background";
}

}  // namespace
