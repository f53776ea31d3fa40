#include "main/switcher_state.hpp"

#include <gtest/gtest.h>

#include "main/fake_services.hpp"

namespace {

using switcher::Section;
using switcher::SwitcherState;
using sys::Key;
using sys::KeyCode;
using testing_support::FakeServices;
using testing_support::named_themes;
using testing_support::visible_names;
namespace mods = sys::mods;

class SwitcherKeys : public testing::Test {
 protected:
  SwitcherState start() { return switcher::initial_state(services, "/t/themes"); }
  bool press(SwitcherState& state, Key key) { return switcher::handle_key(state, key, services); }
  bool type(SwitcherState& state, std::u32string_view text) {
    bool quit = false;
    for (char32_t c : text) quit = press(state, Key::character(c));
    return quit;
  }
  FakeServices services;
};

TEST_F(SwitcherKeys, InitialStateHighlightsTheActiveTheme) {
  services.themes = named_themes({"a", "b", "c"});
  services.active = "c";
  auto state = start();
  EXPECT_EQ(state.selected, 2u);
  EXPECT_EQ(state.section, Section::Themes);
  EXPECT_EQ(visible_names(state), (std::vector<std::string>{"a", "b", "c"}));

  services.active = "missing";
  EXPECT_EQ(start().selected, 0u);
}

TEST_F(SwitcherKeys, QuitKeysInNormalMode) {
  for (Key key : {Key::character(U'q'), Key::character(U'q', mods::kAlt), Key::named(KeyCode::Esc),
                  Key::character(U'c', mods::kCtrl)}) {
    auto state = start();
    EXPECT_TRUE(press(state, key));
  }
  for (Key key : {Key::character(U'Q'), Key::character(U'c'), Key::named(KeyCode::BackTab), Key::named(KeyCode::Delete),
                  Key::named(KeyCode::Function), Key::character(U'J'), Key::character(U'K')}) {
    auto state = start();
    const auto before = state.selected;
    EXPECT_FALSE(press(state, key));
    EXPECT_EQ(state.selected, before);
    EXPECT_EQ(state.section, Section::Themes);
    EXPECT_FALSE(state.filter_mode);
  }
}

TEST_F(SwitcherKeys, MovingClampsWithoutWrapping) {
  services.themes = named_themes({"a", "b", "c"});
  auto state = start();
  press(state, Key::named(KeyCode::Up));
  EXPECT_EQ(state.selected, 0u);
  press(state, Key::character(U'j'));
  press(state, Key::named(KeyCode::Down));
  EXPECT_EQ(state.selected, 2u);
  press(state, Key::named(KeyCode::Down));
  EXPECT_EQ(state.selected, 2u);
  press(state, Key::character(U'k', mods::kCtrl));
  EXPECT_EQ(state.selected, 1u);

  services.themes = {};
  auto empty = start();
  press(empty, Key::named(KeyCode::Down));
  EXPECT_EQ(empty.selected, 0u);
}

TEST_F(SwitcherKeys, PagingKeysMoveByAListHeightAndClamp) {
  services.themes = named_themes({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
  services.wallpapers = {{"1.png", "/w/1.png"}, {"2.png", "/w/2.png"}, {"3.png", "/w/3.png"}};
  const struct {
    Section section;
    std::size_t from;
    KeyCode key;
    std::size_t to;
  } cases[] = {
      {Section::Themes, 0, KeyCode::PageDown, 4},  {Section::Themes, 4, KeyCode::PageDown, 8},
      {Section::Themes, 8, KeyCode::PageDown, 9},  {Section::Themes, 9, KeyCode::PageUp, 5},
      {Section::Themes, 3, KeyCode::PageUp, 0},    {Section::Themes, 5, KeyCode::Home, 0},
      {Section::Themes, 5, KeyCode::End, 9},       {Section::Wallpapers, 0, KeyCode::End, 2},
      {Section::Wallpapers, 2, KeyCode::Home, 0},  {Section::Wallpapers, 0, KeyCode::PageDown, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " key " << static_cast<int>(c.key));
    auto state = start();
    if (c.section == Section::Wallpapers) press(state, Key::named(KeyCode::Tab));
    state.page_rows = 4;
    state.selected = c.from;
    EXPECT_FALSE(press(state, Key::named(c.key)));
    EXPECT_EQ(state.selected, c.to);
  }
  // In filter mode they do nothing, like the arrows.
  auto state = start();
  type(state, U"/");
  for (KeyCode key : {KeyCode::PageDown, KeyCode::End}) press(state, Key::named(key));
  EXPECT_EQ(state.selected, 0u);
  EXPECT_EQ(state.filter, "");
}

TEST_F(SwitcherKeys, OwnColoursFollowTheActiveThemeWhereTheTerminalShowsIt) {
  themes::ThemeEntry dark{.name = "dark", .background = themes::Colour{0, 43, 54}, .foreground = themes::Colour{131, 148, 150}};
  for (int i = 0; i < 16; ++i) dark.colours.push_back(i == 8 ? themes::Colour{0, 43, 54} : themes::Colour{200, 200, 200});
  services.themes = {dark, themes::ThemeEntry{.name = "other"}};
  services.active = "dark";
  EXPECT_EQ(start().colours, switcher::ScreenColours{}) << "outside kitty the palette is not known";
  services.in_kitty = true;
  auto state = start();
  EXPECT_NE(state.colours.dim, switcher::ScreenColours{}.dim) << "colour 8 is this theme's background";
  // After an activation the colours follow the new active theme.
  services.activation = std::string("Activated theme: other");
  services.themes_after = services.themes;
  services.active_after = "other";
  press(state, Key::named(KeyCode::Down));
  press(state, Key::named(KeyCode::Enter));
  EXPECT_EQ(state.colours, switcher::ScreenColours{});
}

TEST_F(SwitcherKeys, EnterShowsWhatItIsDoingBeforeItBlocks) {
  services.themes = named_themes({"nord"});
  services.wallpapers = {{"1.png", "/w/1.png"}};
  services.activation = std::string("Activated theme: nord");
  std::vector<std::string> shown;
  const switcher::ShowNow show_now = [&](const SwitcherState& now) {
    shown.push_back(now.status ? now.status->text : "");
    EXPECT_TRUE(services.activated.empty() && services.applied.empty()) << "drawn before the work starts";
  };
  auto state = start();
  switcher::handle_key(state, Key::named(KeyCode::Enter), services, show_now);
  EXPECT_EQ(state.status->text, "Activated theme: nord");
  services.activated.clear();
  press(state, Key::named(KeyCode::Tab));
  switcher::handle_key(state, Key::named(KeyCode::Enter), services, show_now);
  EXPECT_EQ(shown, (std::vector<std::string>{"applying nord…", "setting wallpaper…"}));
  EXPECT_TRUE(state.status->is_error);
}

TEST_F(SwitcherKeys, FilterIgnoresCaseAndKeepsTheTypedText) {
  services.themes = named_themes({"dracula", "nord", "nord-light", "Nordic Night"});
  auto state = start();
  press(state, Key::character(U'/'));
  ASSERT_TRUE(state.filter_mode);
  type(state, U"NORD");
  EXPECT_EQ(state.filter, "NORD");
  EXPECT_EQ(visible_names(state), (std::vector<std::string>{"nord", "nord-light", "Nordic Night"}));
  // q, j, k and / are ordinary characters here; arrows do nothing.
  EXPECT_FALSE(type(state, U"qjk/"));
  EXPECT_EQ(state.filter, "NORDqjk/");
  press(state, Key::named(KeyCode::Down));
  EXPECT_EQ(state.selected, 0u);
  EXPECT_TRUE(state.visible.empty());
}

TEST_F(SwitcherKeys, EnterKeepsTheFilterAndSlashResumesIt) {
  services.themes = named_themes({"ax", "b", "cx", "dx"});
  auto state = start();
  press(state, Key::character(U'/'));
  type(state, U"x");
  press(state, Key::named(KeyCode::Enter));
  EXPECT_FALSE(state.filter_mode);
  EXPECT_EQ(state.filter, "x");
  press(state, Key::character(U'j'));
  EXPECT_EQ(state.selected, 1u);
  EXPECT_EQ(state.visible_entry(state.selected).name, "cx");
  press(state, Key::character(U'/'));
  EXPECT_TRUE(state.filter_mode);
  EXPECT_EQ(state.filter, "x");
  EXPECT_TRUE(services.activated.empty());
}

TEST_F(SwitcherKeys, EscClearsTheFilterThenQuits) {
  services.themes = named_themes({"a", "b"});
  auto state = start();
  press(state, Key::character(U'/'));
  type(state, U"zz");
  EXPECT_TRUE(state.visible.empty());
  EXPECT_FALSE(press(state, Key::named(KeyCode::Esc)));
  EXPECT_FALSE(state.filter_mode);
  EXPECT_EQ(state.filter, "");
  EXPECT_EQ(state.visible.size(), 2u);
  // With a filter in force, Esc in normal mode still quits.
  press(state, Key::character(U'/'));
  type(state, U"a");
  press(state, Key::named(KeyCode::Enter));
  EXPECT_TRUE(press(state, Key::named(KeyCode::Esc)));
}

TEST_F(SwitcherKeys, BackspaceAndCtrlCInFilterMode) {
  auto state = start();
  press(state, Key::character(U'/'));
  press(state, Key::named(KeyCode::Backspace));
  EXPECT_TRUE(state.filter_mode);
  EXPECT_EQ(state.filter, "");
  type(state, U"aé");
  press(state, Key::named(KeyCode::Backspace));
  EXPECT_EQ(state.filter, "a");
  press(state, Key::character(U'x', mods::kCtrl));  // any modifiers: still a character
  EXPECT_EQ(state.filter, "ax");
  press(state, Key::named(KeyCode::Tab));
  EXPECT_EQ(state.section, Section::Themes);
  EXPECT_TRUE(press(state, Key::character(U'c', mods::kCtrl)));
}

TEST_F(SwitcherKeys, FilteringKeepsTheRowNumberClampedToTheMatches) {
  services.themes = named_themes({"x0", "y1", "y2", "x3", "y4", "y5", "y6", "x7", "y8", "y9"});
  auto state = start();
  for (int i = 0; i < 4; ++i) press(state, Key::character(U'j'));
  ASSERT_EQ(state.selected, 4u);
  press(state, Key::character(U'/'));
  type(state, U"X");
  EXPECT_EQ(visible_names(state), (std::vector<std::string>{"x0", "x3", "x7"}));
  EXPECT_EQ(state.selected, 2u);
  // Widening the filter again keeps the row number, not the theme.
  press(state, Key::named(KeyCode::Backspace));
  EXPECT_EQ(state.visible.size(), 10u);
  EXPECT_EQ(state.selected, 2u);
}

TEST_F(SwitcherKeys, SectionsHighlightTheActiveThemeAndSavedWallpaper) {
  services.themes = named_themes({"a", "b", "c"});
  services.active = "b";
  services.wallpapers = {{"1.png", "/w/1.png"}, {"2.png", "/w/2.png"}, {"3.png", "/w/3.png"}};
  services.saved = "/w//3.png";  // compared as paths
  auto state = start();
  EXPECT_EQ(services.wallpaper_scans, 0);  // not before the section is shown
  press(state, Key::named(KeyCode::Down));
  state.status = switcher::StatusLine{"old", false};
  press(state, Key::named(KeyCode::Tab));
  EXPECT_EQ(state.section, Section::Wallpapers);
  EXPECT_EQ(services.wallpaper_scans, 1);
  EXPECT_EQ(state.selected, 2u);
  EXPECT_FALSE(state.status.has_value());
  // "/" does nothing among wallpapers.
  press(state, Key::character(U'/'));
  EXPECT_FALSE(state.filter_mode);
  press(state, Key::named(KeyCode::Up));
  state.status = switcher::StatusLine{"old", false};
  press(state, Key::named(KeyCode::Left));
  EXPECT_EQ(state.section, Section::Themes);
  EXPECT_EQ(state.selected, 1u);  // the active theme, not the row left before
  EXPECT_FALSE(state.status.has_value());
  press(state, Key::named(KeyCode::Right));
  EXPECT_EQ(state.section, Section::Wallpapers);
  EXPECT_EQ(services.wallpaper_scans, 1);  // scanned once a run
}

TEST_F(SwitcherKeys, FilterSurvivesSectionChangesAndHidesTheActiveTheme) {
  services.themes = named_themes({"alpha", "beta"});
  services.active = "alpha";
  auto state = start();
  press(state, Key::character(U'/'));
  type(state, U"bet");
  press(state, Key::named(KeyCode::Enter));
  press(state, Key::named(KeyCode::Tab));
  press(state, Key::named(KeyCode::Tab));
  EXPECT_EQ(state.filter, "bet");
  EXPECT_EQ(state.visible.size(), 1u);
  EXPECT_EQ(state.selected, 0u);
}

TEST_F(SwitcherKeys, SuccessfulActivationReloadsTheList) {
  services.themes = named_themes({"a", "b", "c"});
  services.activation = std::string("Activated theme: c");
  services.themes_after = named_themes({"a", "c"});
  services.active_after = "c";
  auto state = start();
  press(state, Key::named(KeyCode::Down));
  press(state, Key::named(KeyCode::Down));
  press(state, Key::named(KeyCode::Enter));
  EXPECT_EQ(services.activated, std::vector<std::string>{"c"});
  EXPECT_EQ(state.themes.size(), 2u);
  EXPECT_EQ(state.selected, 1u);  // clamped by the shorter list
  EXPECT_EQ(state.active_theme, "c");
  ASSERT_TRUE(state.status);
  EXPECT_EQ(state.status->text, "Activated theme: c");
  EXPECT_FALSE(state.status->is_error);
}

TEST_F(SwitcherKeys, FailedActivationChangesOnlyTheStatus) {
  services.themes = named_themes({"a", "b"});
  services.active = "a";
  services.themes_after = {};
  auto state = start();
  press(state, Key::character(U'j'));
  press(state, Key::named(KeyCode::Enter));
  EXPECT_EQ(state.themes.size(), 2u);
  EXPECT_EQ(state.active_theme, "a");
  EXPECT_EQ(state.selected, 1u);
  ASSERT_TRUE(state.status);
  EXPECT_EQ(state.status->text, "activation failed");
  EXPECT_TRUE(state.status->is_error);
}

TEST_F(SwitcherKeys, EnterOnAnEmptyListDoesNothing) {
  auto state = start();
  state.status = switcher::StatusLine{"kept", true};
  press(state, Key::named(KeyCode::Enter));
  EXPECT_TRUE(services.activated.empty());
  EXPECT_EQ(state.status->text, "kept");
}

TEST_F(SwitcherKeys, WallpaperEnterShowsTheOutcomeAndMovesTheMark) {
  services.wallpapers = {{"1.png", "/w/1.png"}, {"2.png", "/w/2.png"}};
  services.wallpaper_outcome = std::string("wallpaper applied with swww");
  services.saved_after = "/w/2.png";
  auto state = start();
  press(state, Key::named(KeyCode::Tab));
  press(state, Key::named(KeyCode::Down));
  press(state, Key::named(KeyCode::Enter));
  EXPECT_EQ(services.applied, std::vector<std::filesystem::path>{"/w/2.png"});
  EXPECT_EQ(state.saved_wallpaper, std::filesystem::path("/w/2.png"));
  EXPECT_EQ(state.status->text, "wallpaper applied with swww");

  services.wallpaper_outcome = sys::Error{"no running wallpaper backend (hyprpaper, awww, or swww)"};
  press(state, Key::named(KeyCode::Enter));
  EXPECT_TRUE(state.status->is_error);
  EXPECT_EQ(state.saved_wallpaper, std::filesystem::path("/w/2.png"));
}

}  // namespace
