#include "main/switcher_state.hpp"

#include <algorithm>

#include "sys/text.hpp"

namespace switcher {
namespace {

std::size_t position_of_theme(const std::vector<themes::ThemeEntry>& list,
                              const std::optional<std::string>& name) {
  if (!name) return 0;
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.name == *name; });
  return it == list.end() ? 0 : static_cast<std::size_t>(it - list.begin());
}

std::size_t position_of_wallpaper(const std::vector<wallpaper::Wallpaper>& list,
                                  const std::optional<std::filesystem::path>& path) {
  if (!path) return 0;
  // path equality compares component by component
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& w) { return w.path == *path; });
  return it == list.end() ? 0 : static_cast<std::size_t>(it - list.begin());
}

bool is_ctrl_c(const sys::Key& key) {
  return key.code == sys::KeyCode::Char && key.ch == U'c' && (key.modifiers & sys::mods::kCtrl);
}

bool handle_filter_key(SwitcherState& state, const sys::Key& key) {
  using sys::KeyCode;
  if (is_ctrl_c(key)) return true;
  switch (key.code) {
    case KeyCode::Backspace:
      sys::pop_last_char(state.filter);
      refilter(state);
      break;
    case KeyCode::Enter:
      state.filter_mode = false;
      break;
    case KeyCode::Esc:
      state.filter_mode = false;
      state.filter.clear();
      refilter(state);
      break;
    case KeyCode::Char:
      sys::append_utf8(state.filter, key.ch);
      refilter(state);
      break;
    default:
      break;
  }
  return false;
}

bool handle_normal_key(SwitcherState& state, const sys::Key& key, SwitcherServices& services) {
  using sys::KeyCode;
  switch (key.code) {
    case KeyCode::Char:
      if (is_ctrl_c(key) || key.ch == U'q') return true;
      if (key.ch == U'k') move_selection(state, -1);
      if (key.ch == U'j') move_selection(state, +1);
      if (key.ch == U'/' && state.section == Section::Themes) state.filter_mode = true;
      break;
    case KeyCode::Esc:
      return true;
    case KeyCode::Enter:
      apply_selected(state, services);
      break;
    case KeyCode::Left:
    case KeyCode::Right:
    case KeyCode::Tab:
      toggle_section(state);
      break;
    case KeyCode::Up:
      move_selection(state, -1);
      break;
    case KeyCode::Down:
      move_selection(state, +1);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace

std::size_t current_list_size(const SwitcherState& state) {
  return state.section == Section::Themes ? state.visible.size() : state.wallpapers.size();
}

SwitcherState initial_state(SwitcherServices& services, std::filesystem::path themes_dir) {
  SwitcherState state;
  state.themes = services.list_themes();
  state.wallpapers = services.list_wallpapers();
  state.active_theme = services.active_theme_name();
  state.selected = position_of_theme(state.themes, state.active_theme);
  state.visible = state.themes;
  state.saved_wallpaper = services.load_saved_wallpaper();
  state.pending_since = std::chrono::steady_clock::now();
  state.themes_dir = std::move(themes_dir);
  return state;
}

bool handle_key(SwitcherState& state, const sys::Key& key, SwitcherServices& services) {
  if (key.kind == sys::KeyKind::Release) return false;
  return state.filter_mode ? handle_filter_key(state, key) : handle_normal_key(state, key, services);
}

void replace_themes(SwitcherState& state, std::vector<themes::ThemeEntry> themes) {
  std::optional<std::string> highlighted;
  if (state.section == Section::Themes && state.selected < state.visible.size())
    highlighted = state.visible[state.selected].name;
  state.themes = std::move(themes);
  refilter(state);
  if (!highlighted) return;
  const auto it = std::find_if(state.visible.begin(), state.visible.end(),
                               [&](const themes::ThemeEntry& e) { return e.name == *highlighted; });
  if (it != state.visible.end()) state.selected = static_cast<std::size_t>(it - state.visible.begin());
}

void refilter(SwitcherState& state) {
  if (state.filter.empty()) {
    state.visible = state.themes;
  } else {
    const std::string query = sys::to_lower(state.filter);
    state.visible.clear();
    for (const auto& entry : state.themes)
      if (sys::to_lower(entry.name).find(query) != std::string::npos) state.visible.push_back(entry);
  }
  state.selected = state.visible.empty() ? 0 : std::min(state.selected, state.visible.size() - 1);
}

void move_selection(SwitcherState& state, int step) {
  const std::size_t n = current_list_size(state);
  if (n == 0) {
    state.selected = 0;
  } else if (step < 0) {
    state.selected = state.selected == 0 ? 0 : std::min(state.selected - 1, n - 1);
  } else {
    state.selected = std::min(state.selected + 1, n - 1);
  }
}

void toggle_section(SwitcherState& state) {
  state.status.reset();
  if (state.section == Section::Themes) {
    state.section = Section::Wallpapers;
    state.selected = position_of_wallpaper(state.wallpapers, state.saved_wallpaper);
  } else {
    state.section = Section::Themes;
    state.selected = position_of_theme(state.visible, state.active_theme);
  }
}

StatusLine status_line(std::string_view text, bool is_error) {
  // No terminal row is wider than this; the rest could never be seen.
  constexpr std::size_t kWidestRow = 65535;
  return StatusLine{std::string(sys::first_chars(text, kWidestRow)), is_error};
}

void apply_selected(SwitcherState& state, SwitcherServices& services) {
  if (state.section == Section::Themes) {
    if (state.selected >= state.visible.size()) return;
    auto outcome = services.activate_theme(state.visible[state.selected].name);
    if (!outcome) {
      state.status = status_line(outcome.error_text(), true);
      return;
    }
    state.themes = services.list_themes();
    refilter(state);
    state.active_theme = services.active_theme_name();
    state.status = status_line(outcome.value(), false);
  } else {
    if (state.selected >= state.wallpapers.size()) return;
    auto outcome = services.apply_wallpaper(state.wallpapers[state.selected]);
    if (!outcome) {
      state.status = status_line(outcome.error_text(), true);
      return;
    }
    state.saved_wallpaper = services.load_saved_wallpaper();
    state.status = status_line(outcome.value(), false);
  }
}

}  // namespace switcher
