#include "switcher/draw.hpp"

#include <functional>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"
#include "switcher/switcher_state.hpp"
#include "test_support.hpp"

namespace {

using switcher::draw_screen;
using switcher::Section;
using switcher::SwitcherState;
using testing_support::named_themes;
using testing_support::VirtualScreen;

SwitcherState themes_state(std::vector<themes::ThemeEntry> entries) {
  SwitcherState state;
  state.themes = std::move(entries);
  switcher::refilter(state);
  state.themes_dir = "/home/u/.config/morvane/themes";
  return state;
}

themes::ThemeEntry sixteen(std::string name) {
  themes::ThemeEntry entry{.name = std::move(name), .background = themes::Colour{1, 2, 3},
                           .foreground = themes::Colour{200, 200, 200}};
  for (std::uint8_t i = 0; i < 16; ++i) entry.colours.push_back({i, i, i});
  return entry;
}

SwitcherState wallpapers_state() {
  SwitcherState state;
  state.section = Section::Wallpapers;
  state.wallpapers = {{"sunset.png", "/home/u/Pictures/Wallpapers/sunset.png"}, {"b\x1b.png", "/w/b\x1b\xff.png"}};
  state.saved_wallpaper = "/home/u/Pictures/Wallpapers/sunset.png";
  return state;
}

// Each screen as a person sees it, text and colours, against its golden
// file in tests/fixtures/screens.
TEST(DrawScreen, GoldenScreens) {
  std::vector<themes::ThemeEntry> forty;
  for (int i = 0; i < 40; ++i) forty.push_back({.name = fmt::format("theme{:02}", i)});
  const struct {
    const char* name;
    std::uint16_t columns, rows;
    std::function<SwitcherState()> make;
  } screens[] = {
      {"smallest", 30, 9, [] {
         auto s = themes_state(named_themes({"catppuccin-mocha", "nord"}));
         s.active_theme = "nord";
         s.visible_entry(0).colours = {{255, 0, 0}};
         s.visible_entry(0).background = themes::Colour{30, 30, 46};
         return s;
       }},
      {"filter-mode", 34, 24, [] {
         auto s = themes_state(named_themes({"nord", "nord-light"}));
         s.filter = "NORDabcdefgh";
         s.filter_mode = true;
         return s;
       }},
      {"filter-kept", 80, 24, [] {
         auto s = themes_state(named_themes({"nord"}));
         s.filter = "NORD";
         return s;
       }},
      {"pane-59-columns", 59, 30, [] { return themes_state({sixteen("a")}); }},
      {"pane-60-columns", 60, 30, [] { return themes_state({sixteen("a")}); }},
      {"pane-23-rows", 80, 23, [] { return themes_state({sixteen("a")}); }},
      {"status-success", 50, 12, [] {
         auto s = themes_state(named_themes({"a", "b"}));
         s.active_theme = "b";
         s.status = switcher::StatusLine{"Activated theme: a · btop theme saved", false};
         return s;
       }},
      {"status-error-hostile", 50, 12, [] {
         auto s = themes_state(named_themes({"evil\x1b]0;pwned\x07", "ok\x9b" "31m", "abc\u202Edef"}));
         s.status = switcher::StatusLine{"no theme profile for x\x1b[2J", true};
         return s;
       }},
      {"scrolled-19", 40, 18, [&] {
         auto s = themes_state(forty);
         s.selected = 19;
         return s;
       }},
      {"scrolled-18", 40, 18, [&] {
         auto s = themes_state(forty);
         s.selected = 18;
         return s;
       }},
      {"long-and-wide-names", 30, 9, [] {
         auto s = themes_state(named_themes({"abcdefghijklmnopqrstuvwxyz", "壁紙の名前がとても長いテーマの名前です", "e\u0301te\u0301"}));
         s.active_theme = "壁紙の名前がとても長いテーマの名前です";
         s.status = switcher::status_line(std::string(30'000'000, 'e'), true);
         return s;
       }},
      {"no-themes", 80, 24, [] { return themes_state({}); }},
      {"no-match", 80, 24, [] {
         auto s = themes_state({});
         s.filter = "zz";
         return s;
       }},
      {"no-wallpapers", 40, 24, [] {
         auto s = themes_state({});
         s.section = Section::Wallpapers;
         return s;
       }},
      {"index-fetching", 40, 9, [] {
         return themes_state({themes::ThemeEntry{.name = "Zenburn", .index_file = "themes/Zenburn.conf"}});
       }},
      {"index-unavailable", 40, 9, [] {
         auto s = themes_state({themes::ThemeEntry{.name = "Zenburn", .index_file = "themes/Zenburn.conf"}});
         s.unavailable.insert("themes/Zenburn.conf");
         return s;
       }},
      {"wallpapers-small-pane", 60, 23, [] { return wallpapers_state(); }},
      {"wallpapers-picture-pane", 60, 24, [] {
         // The theme its picture gives, under it; `v` shows the other one.
         auto s = wallpapers_state();
         wallpaper::PictureColours colours;
         for (int i = 0; i < 16; ++i) colours.light.colours.push_back({std::uint8_t(i * 16), 0, 0});
         colours.light.background = colours.light.foreground = themes::Colour{};
         s.pictures.known[s.wallpapers[0].path] = {s.wallpapers[0].path, colours};
         s.pictures.flipped = true;
         return s;
       }},
      {"wallpapers-hostile", 60, 23, [] {
         auto s = wallpapers_state();
         s.selected = 1;
         return s;
       }},
      {"readable-colours", 40, 9, [] {
         auto s = themes_state(named_themes({"a", "b"}));
         s.active_theme = "b";
         s.colours = switcher::ScreenColours{.dim = "\x1b[38;2;1;1;1m", .label = "\x1b[38;2;2;2;2m",
                                             .bright = "\x1b[38;2;3;3;3m", .accent = "\x1b[38;2;4;4;4m",
                                             .good = "\x1b[38;2;5;5;5m", .bad = "\x1b[38;2;6;6;6m",
                                             .bar = "\x1b[48;2;7;7;7m", .accent_on_bar = "\x1b[38;2;8;8;8m",
                                             .good_on_bar = "\x1b[38;2;9;9;9m", .inactive_tab = "\x1b[38;2;10;10;10m",
                                             .inactive_tab_bold = false};
         return s;
       }},
  };
  for (const auto& screen : screens) {
    SCOPED_TRACE(screen.name);
    VirtualScreen rendered(screen.columns, screen.rows);
    rendered.feed(draw_screen(screen.make(), {screen.columns, screen.rows}));  // throws on a stray control
    testing_support::expect_golden(fmt::format("screens/{}.txt", screen.name), rendered.dump());
  }
}

TEST(DrawScreen, TooSmallTerminalIsOnlyCleared) {
  const auto state = themes_state(named_themes({"a"}));
  EXPECT_EQ(draw_screen(state, {29, 30}), "\x1b[0m\x1b[2J");
  EXPECT_EQ(draw_screen(state, {80, 8}), "\x1b[0m\x1b[2J");
  EXPECT_NE(draw_screen(state, {30, 9}), "\x1b[0m\x1b[2J");
  EXPECT_EQ(draw_screen(state, {30, 9}).find("\x1b[2J"), std::string::npos) << "ED 2 would drop kitty's picture";
}

TEST(TruncateToWidth, BoundaryWidths) {
  const struct {
    const char* text;
    std::size_t width;
    const char* cut;
    const char* padded;
  } cases[] = {
      {"abc", 0, "", ""},         {"abc", 1, "…", "…"},       {"abc", 2, "a…", "a…"},
      {"abc", 3, "abc", "abc"},   {"abc", 4, "abc", "abc "},  {"─é😀x", 3, "─é…", "─é…"},
      {"😀😀😀", 4, "😀…", "😀… "}, {"😀", 3, "😀", "😀 "},       {"", 0, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(switcher::truncate_to_width(c.text, c.width), c.cut) << c.text << " " << c.width;
    EXPECT_EQ(switcher::pad_to_width(c.text, c.width), c.padded) << c.text << " " << c.width;
  }
}

TEST(WrapToWidth, TheWholeOutcomeInLinesOfTheWidth) {
  const std::string outcome = "Activated theme: nord · recoloured 4 terminal windows · btop theme saved";
  const struct {
    std::size_t width;
    std::vector<std::string> lines;
  } cases[] = {
      {80, {outcome}},
      {40, {"Activated theme: nord · recoloured 4", "terminal windows · btop theme saved"}},
      {12, {"Activated", "theme: nord", "· recoloured", "4 terminal", "windows ·", "btop theme", "saved"}},
      {6, {"Activa", "ted", "theme:", "nord ·", "recolo", "ured 4", "termin", "al", "window", "s ·", "btop", "theme",
           "saved"}},
  };
  for (const auto& c : cases) EXPECT_EQ(switcher::wrap_to_width(outcome, c.width), c.lines) << c.width;
  EXPECT_EQ(switcher::wrap_to_width("😀😀", 1), (std::vector<std::string>{"😀", "😀"})) << "wider than the line";
  EXPECT_EQ(switcher::wrap_to_width("a\x1b[2J", 80), std::vector<std::string>{"a\uFFFD[2J"});
}

TEST(DrawScreen, TheWholeOutcomeOverThePaneUntilTheNextKey) {
  testing_support::FakeServices services;
  services.themes = testing_support::named_themes({"a", "b"});
  auto state = switcher::initial_state(services, "/t");
  state.status = switcher::StatusLine{std::string(60, 'x') + " " + std::string(60, 'y'), false};
  switcher::handle_key(state, sys::Key::character(U'o'), services);
  testing_support::VirtualScreen screen(80, 30);
  screen.feed(switcher::draw_screen(state, {80, 30}));
  EXPECT_EQ(screen.row(28), " ✓ " + std::string(60, 'x') + " " + std::string(15, 'y') + "…") << "the status line as before";
  EXPECT_EQ(screen.row(18), " " + std::string(60, 'x'));
  EXPECT_EQ(screen.row(19), " " + std::string(60, 'y'));
  switcher::handle_key(state, sys::Key::character(U'j'), services);
  EXPECT_FALSE(state.outcome_shown);
}

}  // namespace
