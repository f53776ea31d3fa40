#include "main/draw.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "main/fake_services.hpp"
#include "main/switcher_state.hpp"
#include "test_support.hpp"

namespace {

using switcher::draw_screen;
using switcher::Section;
using switcher::SwitcherState;
using testing_support::named_themes;
using testing_support::VirtualScreen;

VirtualScreen render(const SwitcherState& state, std::uint16_t columns, std::uint16_t rows) {
  VirtualScreen screen(columns, rows);
  screen.feed(draw_screen(state, {columns, rows}));
  return screen;
}

std::vector<themes::Colour> sixteen_colours() {
  std::vector<themes::Colour> colours;
  for (std::uint8_t i = 0; i < 16; ++i) colours.push_back({i, i, i});
  return colours;
}

SwitcherState themes_state(std::vector<themes::ThemeEntry> entries) {
  SwitcherState state;
  state.themes = std::move(entries);
  switcher::refilter(state);
  state.themes_dir = "/home/u/.config/morvane/themes";
  return state;
}

std::string rule(std::size_t width) {
  std::string line;
  for (std::size_t i = 0; i < width; ++i) line += "─";
  return line;
}

std::string count_of(const std::string& text, std::string_view needle) {
  std::size_t n = 0;
  for (auto pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) ++n;
  return std::to_string(n);
}

TEST(DrawScreen, TooSmallTerminalIsOnlyCleared) {
  const auto state = themes_state(named_themes({"a"}));
  EXPECT_EQ(draw_screen(state, {29, 30}), "\x1b[0m\x1b[2J");
  EXPECT_EQ(draw_screen(state, {80, 8}), "\x1b[0m\x1b[2J");
  EXPECT_NE(draw_screen(state, {30, 9}), "\x1b[0m\x1b[2J");
}

TEST(DrawScreen, SmallestScreenWhole) {
  auto state = themes_state(named_themes({"catppuccin-mocha", "nord"}));
  state.active_theme = "nord";
  state.visible_entry(0).colours = {{255, 0, 0}};
  state.visible_entry(0).background = themes::Colour{30, 30, 46};
  const auto screen = render(state, 30, 9);
  EXPECT_EQ(screen.rows(), (std::vector<std::string>{
                               " themes  wallpapers",
                               rule(30),
                               "▌ catppuccin-mocha",
                               "  nord               ● active",
                               "",
                               rule(30),
                               "",
                               " bg #1e1e2e   fg –",
                               " tab/←→ section · ↑↓ move · ⏎…",
                           }));
}

TEST(DrawScreen, HeaderAndItemStyles) {
  auto state = themes_state(named_themes({"a", "b"}));
  state.active_theme = "b";
  const auto screen = render(state, 80, 24);
  EXPECT_EQ(screen.style_at(1, 0), "fg:15 bg:237 bold");
  EXPECT_EQ(screen.style_at(9, 0), "fg:8 bold");
  EXPECT_EQ(screen.style_at(0, 2), "fg:14 bg:237");  // highlight mark
  EXPECT_EQ(screen.style_at(2, 2), "fg:15 bg:237 bold");
  EXPECT_EQ(screen.style_at(79, 2), "fg:10 bg:237");  // the whole row is highlighted
  EXPECT_EQ(screen.style_at(2, 3), "fg:7");
  EXPECT_EQ(screen.style_at(71, 3), "fg:10");
  EXPECT_EQ(screen.row(3).substr(71), "● active");
  EXPECT_EQ(screen.style_at(0, 1), "fg:8");
}

TEST(DrawScreen, FilterLineInTheHeader) {
  auto state = themes_state(named_themes({"nord", "nord-light"}));
  state.filter = "NORD";
  state.filter_mode = true;
  auto screen = render(state, 80, 24);
  EXPECT_EQ(screen.row(0), " themes  wallpapers   / NORD▌");
  EXPECT_EQ(screen.row(23), " type to filter · ⏎ keep · esc clear");
  state.filter_mode = false;
  screen = render(state, 80, 24);
  EXPECT_EQ(screen.row(0), " themes  wallpapers   / NORD");
  // Cut to columns - 24 characters.
  state.filter = "abcdefghij";
  EXPECT_EQ(render(state, 34, 24).row(0), " themes  wallpapers   / abcde…");
  // Not shown in the Wallpapers section.
  state.section = Section::Wallpapers;
  EXPECT_EQ(render(state, 80, 24).row(0), " themes  wallpapers");
}

TEST(DrawScreen, PaneHeightBoundaries) {
  auto state = themes_state(named_themes({"a"}));
  state.visible_entry(0).colours = sixteen_colours();
  state.visible_entry(0).background = themes::Colour{1, 2, 3};
  state.visible_entry(0).foreground = themes::Colour{200, 200, 200};
  // 59 columns: small pane (rule at row 30 - 2 - 1 - 1 = 26), no preview.
  auto narrow = render(state, 59, 30);
  EXPECT_EQ(narrow.row(26), rule(59));
  EXPECT_EQ(narrow.row(28), " bg #010203   fg #c8c8c8");
  // 60 columns: ten rows with the preview from row T + 3.
  auto wide = render(state, 60, 30);
  EXPECT_EQ(wide.row(18), rule(60));
  EXPECT_EQ(wide.row(20), " bg #010203   fg #c8c8c8");
  EXPECT_EQ(wide.row(22), "  Preview / a");
  EXPECT_EQ(wide.row(28), "  Bright  Red  Green  Yellow  Blue  Magenta  Cyan");
  // 23 rows: always the small pane.
  auto short_screen = render(state, 80, 23);
  EXPECT_EQ(short_screen.row(19), rule(80));
  EXPECT_EQ(render(state, 80, 24).row(12), rule(80));
}

TEST(DrawScreen, StatusLineShortensTheList) {
  auto state = themes_state(named_themes({"a", "b"}));
  state.status = switcher::StatusLine{"Activated theme: a · btop theme saved", false};
  auto screen = render(state, 50, 12);
  EXPECT_EQ(screen.row(7), rule(50));
  EXPECT_EQ(screen.row(10), " ✓ Activated theme: a · btop theme saved");
  EXPECT_EQ(screen.style_at(1, 10), "fg:10");
  state.status = switcher::StatusLine{"no theme profile for x\x1b[2J", true};
  screen = render(state, 50, 12);
  EXPECT_EQ(screen.row(10), " ⚠ no theme profile for x\uFFFD[2J");
  EXPECT_EQ(screen.style_at(1, 10), "fg:9");
}

TEST(DrawScreen, ScrollingKeepsTheHighlightOnTheLastRow) {
  std::vector<themes::ThemeEntry> entries;
  for (int i = 0; i < 40; ++i) entries.push_back({.name = fmt::format("theme{:02}", i)});
  auto state = themes_state(entries);
  // 18 rows, small pane, no status: 12 list rows (2 to 13).
  state.selected = 19;
  auto screen = render(state, 40, 18);
  EXPECT_EQ(screen.row(2), "  theme08");
  EXPECT_EQ(screen.row(13), "▌ theme19");
  state.selected = 18;
  screen = render(state, 40, 18);
  EXPECT_EQ(screen.row(2), "  theme07");
  EXPECT_EQ(screen.row(13), "▌ theme18");
  state.selected = 11;
  screen = render(state, 40, 18);
  EXPECT_EQ(screen.row(2), "  theme00");
  EXPECT_EQ(screen.row(13), "▌ theme11");
  state.selected = 10;
  EXPECT_EQ(render(state, 40, 18).row(12), "▌ theme10");
}

TEST(DrawScreen, LongNamesAreCutWithAnEllipsis) {
  auto state = themes_state(named_themes({"abcdefghijklmnopqrstuvwxyz"}));
  state.active_theme = "abcdefghijklmnopqrstuvwxyz";
  // 30 columns: labels are 19 characters, 18 kept and "…".
  EXPECT_EQ(render(state, 30, 9).row(2), "▌ abcdefghijklmnopqr…● active");
}

TEST(DrawScreen, EmptyListLines) {
  auto state = themes_state({});
  auto screen = render(state, 80, 24);
  EXPECT_EQ(screen.row(2), "  no themes in /home/u/.config/morvane/themes");
  EXPECT_EQ(screen.style_at(2, 2), "fg:8 italic");
  state.filter = "zz";
  EXPECT_EQ(render(state, 80, 24).row(2), "  no themes match \"zz\"");
  state.section = Section::Wallpapers;
  EXPECT_EQ(render(state, 80, 24).row(2), "  no images in ~/Pictures/Wallpapers or ~/.config/morvane/wallpapers");
  EXPECT_EQ(render(state, 80, 24).row(23), " tab/←→ section · ↑↓ move · ⏎ apply · esc quit");
  EXPECT_EQ(render(state, 40, 24).row(2), "  no images in ~/Pictures/Wallpapers or…");
}

TEST(DrawScreen, SwatchesFitTheWidth) {
  auto state = themes_state(named_themes({"a"}));
  state.visible_entry(0).colours = sixteen_colours();
  const std::string narrow = draw_screen(state, {30, 9});
  EXPECT_EQ(count_of(narrow, "\x1b[48;2;"), "14");
  const std::string wide = draw_screen(state, {80, 9});
  EXPECT_EQ(count_of(wide, "\x1b[48;2;"), "16");
}

TEST(DrawScreen, IndexThemeSummaries) {
  auto state = themes_state({themes::ThemeEntry{.name = "Zenburn", .index_file = "themes/Zenburn.conf"}});
  EXPECT_EQ(render(state, 40, 9).row(7), " fetching colours…");
  state.unavailable.insert("themes/Zenburn.conf");
  EXPECT_EQ(render(state, 40, 9).row(7), " colours unavailable");
}

TEST(DrawScreen, ControlCharactersInNamesCannotReachTheTerminal) {
  auto state = themes_state(named_themes({"evil\x1b]0;pwned\x07", "ok\x9b" "31m"}));
  state.filter = "\x1b[2J";
  state.visible = {0, 1};  // shown as if the filter matched
  const auto out = draw_screen(state, {80, 24});
  VirtualScreen screen(80, 24);
  screen.feed(out);  // throws on a stray control character
  EXPECT_EQ(screen.row(2), "▌ evil\uFFFD]0;pwned\uFFFD");
  EXPECT_EQ(screen.row(3), "  ok\uFFFD31m");
  EXPECT_EQ(screen.row(0), " themes  wallpapers   / \uFFFD[2J");
}

TEST(DrawScreen, WallpaperPanes) {
  SwitcherState state;
  state.section = Section::Wallpapers;
  state.wallpapers = {{"sunset.png", "/home/u/Pictures/Wallpapers/sunset.png"},
                      {"b\x1b.png", "/w/b\x1b\xff.png"}};
  state.saved_wallpaper = "/home/u/Pictures/Wallpapers/sunset.png";
  // 23 rows: two-row pane, path then name.
  auto screen = render(state, 60, 23);
  EXPECT_EQ(screen.row(2), "▌ sunset.png                                       ● active");
  EXPECT_EQ(screen.row(20), " path   /home/u/Pictures/Wallpapers/sunset.png");
  EXPECT_EQ(screen.row(21), " sunset.png");
  // 24 rows: the twelve-row pane keeps its rows for the picture; name on its last row.
  screen = render(state, 60, 24);
  EXPECT_EQ(screen.row(10), rule(60));
  for (int row = 11; row < 22; ++row) EXPECT_EQ(screen.row(row), "");
  EXPECT_EQ(screen.row(22), " sunset.png");
  state.selected = 1;
  screen = render(state, 60, 23);
  EXPECT_EQ(screen.row(20), " path   /w/b\uFFFD\uFFFD.png");
  EXPECT_EQ(screen.row(21), " b\uFFFD.png");
}

TEST(DrawScreen, TextIsFittedByTerminalCells) {
  // Wide characters take two cells: the marker stays on its row.
  auto state = themes_state(named_themes({"壁紙の名前がとても長いテーマの名前です", "e\u0301te\u0301"}));
  state.active_theme = state.themes[0].name;
  auto screen = render(state, 30, 9);
  EXPECT_EQ(screen.row(2), "▌ 壁紙の名前がとても…● active");
  EXPECT_EQ(screen.row(3), "  e\u0301te\u0301");
  // Bidirectional controls would reorder the row: they are drawn as U+FFFD.
  state = themes_state(named_themes({"abc\u202Edef\u2066x\u200F"}));
  EXPECT_EQ(render(state, 30, 9).row(2), "▌ abc\uFFFDdef\uFFFDx\uFFFD");
  // A huge status text costs one row of work, not its length.
  state.status = switcher::status_line(std::string(30'000'000, 'e'), true);
  EXPECT_EQ(state.status->text.size(), 65535u);
  EXPECT_EQ(render(state, 30, 9).row(7), " ⚠ eeeeeeeeeeeeeeeeeeeeeeeeee…");
}

TEST(TruncateToWidth, BoundaryWidths) {
  EXPECT_EQ(switcher::truncate_to_width("abc", 0), "");
  EXPECT_EQ(switcher::truncate_to_width("abc", 1), "…");
  EXPECT_EQ(switcher::truncate_to_width("abc", 2), "a…");
  EXPECT_EQ(switcher::truncate_to_width("abc", 3), "abc");
  EXPECT_EQ(switcher::truncate_to_width("abc", 4), "abc");
  EXPECT_EQ(switcher::truncate_to_width("─é😀x", 3), "─é…");
  EXPECT_EQ(switcher::truncate_to_width("😀😀😀", 4), "😀…");  // the second would need a fifth cell
  EXPECT_EQ(switcher::pad_to_width("😀", 3), "😀 ");
  EXPECT_EQ(switcher::pad_to_width("ab", 4), "ab  ");
  EXPECT_EQ(switcher::pad_to_width("abcde", 4), "abc…");
  EXPECT_EQ(switcher::pad_to_width("", 0), "");
}

}  // namespace
