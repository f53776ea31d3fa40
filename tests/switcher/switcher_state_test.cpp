#include "switcher/switcher_state.hpp"

#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"

namespace {

using switcher::Section;
using switcher::SwitcherState;
using sys::Key;
using sys::KeyCode;
using testing_support::FakeServices;
using testing_support::named_themes;
using testing_support::visible_names;
namespace mods = sys::mods;

/// A key for each character of a script: ↑↓←→ the arrows, ⏎ Enter, ⎋ Esc,
/// ⇥ Tab, ⌫ Backspace, ⇞⇟ the page keys, ⇱⇲ Home and End, ^ Ctrl+C, ¢ Ctrl+x,
/// ® j released; any other character is that character.
Key key_of(char32_t c) {
  switch (c) {
    case U'↑': return Key::named(KeyCode::Up);
    case U'↓': return Key::named(KeyCode::Down);
    case U'←': return Key::named(KeyCode::Left);
    case U'→': return Key::named(KeyCode::Right);
    case U'⏎': return Key::named(KeyCode::Enter);
    case U'⎋': return Key::named(KeyCode::Esc);
    case U'⇥': return Key::named(KeyCode::Tab);
    case U'⌫': return Key::named(KeyCode::Backspace);
    case U'⇞': return Key::named(KeyCode::PageUp);
    case U'⇟': return Key::named(KeyCode::PageDown);
    case U'⇱': return Key::named(KeyCode::Home);
    case U'⇲': return Key::named(KeyCode::End);
    case U'^': return Key::character(U'c', mods::kCtrl);
    case U'¢': return Key::character(U'x', mods::kCtrl);
    case U'®': return Key{KeyCode::Char, U'j', 0, sys::KeyKind::Release};
    default: return Key::character(c);
  }
}

class SwitcherKeys : public testing::Test {
 protected:
  SwitcherState start() { return switcher::initial_state(services, "/t/themes"); }
  /// Presses the keys of `script`; whether the last one asked to quit.
  bool keys(SwitcherState& state, std::u32string_view script) {
    bool quit = false;
    for (const char32_t c : script) quit = switcher::handle_key(state, key_of(c), services);
    return quit;
  }
  FakeServices services;
};

TEST_F(SwitcherKeys, KeyScripts) {
  const std::vector<std::string> ten = {"x0", "y1", "y2", "x3", "y4", "y5", "y6", "x7", "y8", "y9"};
  const struct {
    const char* what;
    std::vector<std::string> themes;
    std::u32string script;
    std::vector<std::string> visible;  ///< empty: all of `themes`
    std::size_t selected;
    std::string filter = "";
    bool filter_mode = false;
    bool quit = false;
  } cases[] = {
      {"Up on the first row, Down on the last change nothing", {"a", "b", "c"}, U"↑j↓↓", {}, 2},
      {"k moves up with any modifier but Ctrl+C", {"a", "b", "c"}, U"jj¢k", {}, 1},
      {"upper-case J, K, Q and other keys do nothing, nor does a key released", {"a", "b"}, U"JKQc®", {}, 0},
      {"matching ignores case; the filter keeps the letters as typed", {"dracula", "nord", "nord-light", "Nordic Night"},
       U"/NORD", {"nord", "nord-light", "Nordic Night"}, 0, "NORD", true},
      {"q j k / are ordinary characters of the filter; arrows do nothing", {"a"}, U"/qjk/↓⇟", {"-"}, 0, "qjk/", true},
      {"Enter keeps the filter, j moves within it, / resumes it", {"ax", "b", "cx", "dx"}, U"/x⏎j/", {"ax", "cx", "dx"}, 1,
       "x", true},
      {"Esc in the filter empties it", {"a", "b"}, U"/zz⎋", {}, 0},
      {"Esc in normal mode quits, even with a filter", {"a", "b"}, U"/a⏎⎋", {"a"}, 0, "a", false, true},
      {"Backspace on an empty filter keeps filter mode", {"a"}, U"/⌫", {}, 0, "", true},
      {"Backspace removes one character; Ctrl+x is a character; Tab does nothing", {"aé"}, U"/aé⌫¢⇥", {"-"}, 0, "ax",
       true},
      {"Ctrl+C quits in filter mode", {"a"}, U"/a^", {"a"}, 0, "a", true, true},
      {"q quits", {"a"}, U"q", {}, 0, "", false, true},
      {"the row number is kept, clamped to the matches", ten, U"jjjj/X", {"x0", "x3", "x7"}, 2, "X", true},
      {"widening the filter keeps the row number, not the theme", ten, U"jjjj/X⌫", {}, 2, "", true},
      {"page keys move by a list height (4 here) and clamp", ten, U"⇟⇟⇟⇞", {}, 5},
      {"Home and End go to the ends", ten, U"jj⇲", {}, 9},
      {"Home", ten, U"jj⇱", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    services.themes = named_themes({});
    for (const auto& name : c.themes) services.themes.push_back(themes::ThemeEntry{.name = name});
    auto state = start();
    state.page_rows = 4;
    EXPECT_EQ(keys(state, c.script), c.quit);
    const auto visible = c.visible.empty() ? c.themes : c.visible == std::vector<std::string>{"-"} ? std::vector<std::string>{}
                                                                                                    : c.visible;
    EXPECT_EQ(visible_names(state), visible);
    EXPECT_EQ(state.selected, c.selected);
    EXPECT_EQ(state.filter, c.filter);
    EXPECT_EQ(state.filter_mode, c.filter_mode);
    EXPECT_EQ(state.section, Section::Themes);
  }
}

TEST_F(SwitcherKeys, EnterActivatesOrAppliesAndShowsTheOutcome) {
  services.themes = named_themes({"a", "b", "c"});
  services.active = "a";
  auto state = start();
  keys(state, U"j⏎");  // a failure changes only the status
  EXPECT_EQ(state.themes.size(), 3u);
  EXPECT_EQ(state.active_theme, "a");
  EXPECT_EQ(state.selected, 1u);
  EXPECT_EQ(state.status->text, "activation failed");
  EXPECT_TRUE(state.status->is_error);

  services.activation = std::string("Activated theme: c");
  services.themes_after = named_themes({"a", "c"});
  services.active_after = "c";
  keys(state, U"j⏎");
  EXPECT_EQ(services.activated, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(visible_names(state), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(state.selected, 1u) << "clamped by the shorter list";
  EXPECT_EQ(state.active_theme, "c");
  EXPECT_EQ(state.status->text, "Activated theme: c");
  EXPECT_FALSE(state.status->is_error);

  services.wallpapers = {{"1.png", "/w/1.png"}, {"2.png", "/w/2.png"}};
  services.wallpaper_outcome = std::string("wallpaper applied with swww");
  services.saved_after = "/w/2.png";
  keys(state, U"⇥↓⏎");
  EXPECT_EQ(services.applied, std::vector<std::filesystem::path>{"/w/2.png"});
  EXPECT_EQ(state.saved_wallpaper, std::filesystem::path("/w/2.png"));
  EXPECT_EQ(state.status->text, "wallpaper applied with swww");
  EXPECT_FALSE(state.status->is_error);
  services.wallpaper_outcome = sys::Error{"no running wallpaper backend (hyprpaper, awww, or swww)"};
  keys(state, U"⏎");
  EXPECT_TRUE(state.status->is_error);
  EXPECT_EQ(state.saved_wallpaper, std::filesystem::path("/w/2.png"));

  services.themes.clear();
  auto empty = start();
  empty.status = switcher::StatusLine{"kept", true};
  keys(empty, U"↓⏎");
  EXPECT_EQ(empty.selected, 0u);
  EXPECT_EQ(empty.status->text, "kept") << "Enter on an empty list does nothing";
  EXPECT_EQ(services.activated.size(), 2u);
}

}  // namespace
