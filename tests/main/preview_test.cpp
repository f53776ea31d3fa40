#include "main/preview.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using switcher::draw_preview;
using switcher::ScreenBuffer;
using themes::Colour;
using testing_support::VirtualScreen;

constexpr Colour kBg{10, 10, 10};
constexpr Colour kFg{200, 200, 200};

themes::ThemeEntry entry_with(std::size_t colour_count, std::string name = "demo") {
  themes::ThemeEntry entry{.name = std::move(name), .background = kBg, .foreground = kFg};
  for (std::size_t i = 0; i < colour_count; ++i)
    entry.colours.push_back({static_cast<std::uint8_t>(i + 1), 0, 0});
  return entry;
}

VirtualScreen render(const themes::ThemeEntry& entry, std::size_t width) {
  ScreenBuffer out;
  draw_preview(out, entry, 1, 0, width);
  VirtualScreen screen(width + 2, 7);
  screen.feed(out.str());
  return screen;
}

TEST(Preview, RowsAndRoleColours) {
  const auto screen = render(entry_with(16), 78);
  EXPECT_EQ(screen.rows(), (std::vector<std::string>{
                               "  Preview / demo",
                               "  The quick brown fox jumps over the lazy dog. 0123456789",
                               "  // A comment in muted text",
                               "  let message = \"Hello, world!\";  count = 42;",
                               "  Success: ready   Warning: check   Error: missing",
                               "  Normal  Red  Green  Yellow  Blue  Magenta  Cyan",
                               "  Bright  Red  Green  Yellow  Blue  Magenta  Cyan",
                           }));
  EXPECT_EQ(screen.style_at(2, 0), "fg:#c8c8c8 bg:#0a0a0a bold");
  EXPECT_EQ(screen.style_at(2, 2), "fg:#090000 bg:#0a0a0a");   // colour 8
  EXPECT_EQ(screen.style_at(2, 3), "fg:#060000 bg:#0a0a0a");   // "let " colour 5
  EXPECT_EQ(screen.style_at(16, 3), "fg:#030000 bg:#0a0a0a");  // the string, colour 2
  EXPECT_EQ(screen.style_at(10, 6), "fg:#0a0000 bg:#0a0a0a");  // bright red, colour 9
  // Every painted row is the full width in the theme's background.
  EXPECT_EQ(screen.style_at(78, 4), "bg:#0a0a0a");
  EXPECT_EQ(screen.style_at(0, 4), "");
}

TEST(Preview, MissingRolesUseTheForeground) {
  const auto eight = render(entry_with(8), 78);
  EXPECT_EQ(eight.style_at(2, 2), "fg:#c8c8c8 bg:#0a0a0a");
  EXPECT_EQ(eight.style_at(10, 6), "fg:#c8c8c8 bg:#0a0a0a");
  const auto three = render(entry_with(3), 78);
  EXPECT_EQ(three.style_at(2, 3), "fg:#c8c8c8 bg:#0a0a0a");   // let: colour 5 missing
  EXPECT_EQ(three.style_at(16, 3), "fg:#030000 bg:#0a0a0a");  // colour 2 present
}

TEST(Preview, TextIsCutToTheTextArea) {
  const auto screen = render(entry_with(16, std::string(60, 'n')), 40);
  EXPECT_EQ(screen.row(1), "  The quick brown fox jumps over the la…");
  EXPECT_EQ(screen.row(0), "  Preview / " + std::string(27, 'n') + "…");
  EXPECT_EQ(screen.row(3), "  let message = \"Hello, world!\";  count…");
}

TEST(Preview, NothingWithoutBackgroundOrForeground) {
  ScreenBuffer out;
  auto entry = entry_with(16);
  entry.background.reset();
  draw_preview(out, entry, 1, 0, 40);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
