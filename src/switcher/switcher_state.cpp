#include "switcher/switcher_state.hpp"

#include <algorithm>
#include <utility>

#include <fmt/format.h>

#include "sys/text.hpp"
#include "themes/palette.hpp"
#include "themes/profile_store.hpp"

namespace switcher {
namespace {

namespace fs = std::filesystem;

// The position in `visible` of the theme called `name`, if it is there.
std::optional<std::size_t> visible_position(const SwitcherState& state, const std::optional<std::string>& name) {
  if (!name) return std::nullopt;
  for (std::size_t k = 0; k < state.visible.size(); ++k)
    if (state.visible_entry(k).name == *name) return k;
  return std::nullopt;
}

std::size_t position_of_wallpaper(const std::vector<wallpaper::Wallpaper>& list,
                                  const std::optional<std::filesystem::path>& path) {
  if (!path) return 0;
  // path equality compares component by component
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& w) { return fs::path(w.path) == *path; });
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

bool handle_normal_key(SwitcherState& state, const sys::Key& key, SwitcherServices& services,
                       const ShowNow& show_now) {
  using sys::KeyCode;
  switch (key.code) {
    case KeyCode::Char:
      if (is_ctrl_c(key) || key.ch == U'q') return true;
      if (key.ch == U'k') move_selection(state, -1);
      if (key.ch == U'j') move_selection(state, +1);
      if (key.ch == U'/' && state.section == Section::Themes) state.filter_mode = true;
      if (key.ch == U'p' && state.preview.possible) state.preview.enabled = !state.preview.enabled;
      if (key.ch == U't' && state.section == Section::Wallpapers) apply_selected_with_theme(state, services, show_now);
      if (key.ch == U'v' && state.section == Section::Wallpapers) state.pictures.flipped = !state.pictures.flipped;
      break;
    case KeyCode::Esc:
      return true;
    case KeyCode::Enter:
      apply_selected(state, services, show_now);
      break;
    case KeyCode::Left:
    case KeyCode::Right:
    case KeyCode::Tab:
      toggle_section(state, services);
      break;
    case KeyCode::Up:
      move_selection(state, -1);
      break;
    case KeyCode::Down:
      move_selection(state, +1);
      break;
    case KeyCode::PageUp:
      move_selection(state, -static_cast<long>(state.page_rows));
      break;
    case KeyCode::PageDown:
      move_selection(state, static_cast<long>(state.page_rows));
      break;
    case KeyCode::Home:
      move_selection(state, -static_cast<long>(current_list_size(state)));
      break;
    case KeyCode::End:
      move_selection(state, static_cast<long>(current_list_size(state)));
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

SwitcherState initial_state(SwitcherServices& services, std::filesystem::path themes_dir,
                            const TerminalFacts& terminal) {
  SwitcherState state;
  state.themes = services.list_themes();
  state.active_theme = services.active_theme_name();
  refilter(state);
  state.selected = visible_position(state, state.active_theme).value_or(0);
  state.saved_wallpaper = services.load_saved_wallpaper();
  state.pending_since = std::chrono::steady_clock::now();
  state.themes_dir = std::move(themes_dir);
  state.preview.possible = state.preview.enabled = terminal.kitty;
  state.preview.answered_as_kitty = terminal.answered_as_kitty;
  state.preview.start_colours = themes::terminal_colour_sequences(themes::terminal_colours_of(terminal.colours));
  // Where the highlight starts on the active theme, the window shows it already.
  state.preview.armed = state.active_theme && state.selected < state.visible.size() &&
                        state.visible_entry(state.selected).name == *state.active_theme;
  state.takes_the_theme = terminal.kitty || services.terminal_takes_the_theme();
  // Drawn for what the window shows: what it said, else the active theme
  // where every terminal was given it.
  const auto& said = terminal.colours;
  if (said.background && said.foreground && said.colours.size() >= 16) {
    state.window_palette = said;
  } else if (state.takes_the_theme) {
    state.window_palette = active_palette(state);
  }
  refresh_screen_colours(state);
  return state;
}

std::optional<themes::Palette> active_palette(SwitcherState& state) {
  if (!state.active_theme) return std::nullopt;
  for (auto& entry : state.themes) {
    if (entry.name != *state.active_theme) continue;
    themes::read_palette(entry);
    return entry.palette();
  }
  return std::nullopt;
}

void refresh_screen_colours(SwitcherState& state) {
  state.colours = state.window_palette ? readable_colours(*state.window_palette) : ScreenColours{};
}

bool notice_theme_changed_elsewhere(SwitcherState& state, SwitcherServices& services,
                                    std::chrono::steady_clock::time_point now) {
  if (now - state.theme_checked_at < kThemeCheckInterval) return false;
  state.theme_checked_at = now;
  auto active = services.active_theme_name();
  if (active == state.active_theme) return false;
  replace_themes(state, services.list_themes());
  state.active_theme = std::move(active);
  if (state.takes_the_theme) state.window_palette = active_palette(state);
  state.preview.theme_changed = true;
  state.preview.active_colours = services.active_colours();
  state.preview.shown.reset();  // the other activation wrote the window
  refresh_screen_colours(state);
  state.status = status_line(fmt::format("theme changed elsewhere: {}", state.active_theme.value_or("none")), false);
  return true;
}

bool handle_key(SwitcherState& state, const sys::Key& key, SwitcherServices& services, const ShowNow& show_now) {
  if (key.kind == sys::KeyKind::Release) return false;
  // The whole outcome stays until the next key, which does what it does.
  const bool outcome_was_shown = std::exchange(state.outcome_shown, false);
  const std::size_t selected = state.selected;
  const std::string filter = state.filter;
  const bool quit = state.filter_mode ? handle_filter_key(state, key) : handle_normal_key(state, key, services, show_now);
  if (!outcome_was_shown && !state.filter_mode && key.code == sys::KeyCode::Char && key.ch == U'o' && state.status &&
      !(key.modifiers & sys::mods::kCtrl))
    state.outcome_shown = true;
  // The preview waits for the user to move; another picture starts from
  // the variant nearer its own lightness.
  if (state.selected != selected || state.filter != filter) {
    state.preview.armed = true;
    state.pictures.flipped = false;
  }
  return quit;
}

void replace_themes(SwitcherState& state, std::vector<themes::ThemeEntry> themes) {
  std::optional<std::string> highlighted;
  if (state.section == Section::Themes && state.selected < state.visible.size())
    highlighted = state.visible_entry(state.selected).name;
  state.themes = std::move(themes);
  state.lower_names.clear();
  refilter(state);
  if (const auto position = visible_position(state, highlighted)) state.selected = *position;
}

void load_highlighted_palette(SwitcherState& state) {
  if (state.section == Section::Themes && state.selected < state.visible.size())
    themes::read_palette(state.visible_entry(state.selected));
}

void refilter(SwitcherState& state) {
  state.visible.clear();
  if (state.filter.empty()) {
    for (std::size_t i = 0; i < state.themes.size(); ++i) state.visible.push_back(i);
  } else {
    if (state.lower_names.size() != state.themes.size()) {
      state.lower_names.clear();
      for (const auto& entry : state.themes) state.lower_names.push_back(sys::to_lower(entry.name));
    }
    const std::string query = sys::to_lower(state.filter);
    for (std::size_t i = 0; i < state.themes.size(); ++i)
      if (state.lower_names[i].find(query) != std::string::npos) state.visible.push_back(i);
  }
  // In the wallpapers section the highlight is a wallpaper's row.
  if (state.section == Section::Themes)
    state.selected = state.visible.empty() ? 0 : std::min(state.selected, state.visible.size() - 1);
}

void move_selection(SwitcherState& state, long step) {
  const std::size_t n = current_list_size(state);
  if (n == 0) {
    state.selected = 0;
  } else if (step < 0) {
    const auto back = static_cast<std::size_t>(-step);
    state.selected = state.selected <= back ? 0 : std::min(state.selected - back, n - 1);
  } else {
    state.selected = std::min(state.selected + static_cast<std::size_t>(step), n - 1);
  }
}

void toggle_section(SwitcherState& state, SwitcherServices& services) {
  state.status.reset();
  if (state.section == Section::Themes) {
    state.section = Section::Wallpapers;
    if (!state.wallpapers_scanned) {
      state.wallpapers = services.list_wallpapers();
      state.wallpapers_scanned = true;
    }
    state.selected = position_of_wallpaper(state.wallpapers, state.saved_wallpaper);
  } else {
    state.section = Section::Themes;
    state.selected = visible_position(state, state.active_theme).value_or(0);
  }
}

StatusLine status_line(std::string_view text, bool is_error) {
  // No terminal row is wider than this; the rest could never be seen.
  constexpr std::size_t kWidestRow = 65535;
  return StatusLine{std::string(sys::first_chars(text, kWidestRow)), is_error};
}

namespace {

// After an activation: the list (which may hold a new profile), the active
// theme, and the colours the window now shows and ends in.
void take_applied_theme(SwitcherState& state, SwitcherServices& services) {
  state.themes = services.list_themes();
  state.lower_names.clear();
  refilter(state);
  state.active_theme = services.active_theme_name();
  if (state.takes_the_theme) state.window_palette = active_palette(state);
  state.preview.theme_changed = true;
  state.preview.active_colours = services.active_colours();
  state.preview.shown.reset();
  refresh_screen_colours(state);
}

// The user sees at once that the key was taken, while the programs run.
void announce(SwitcherState& state, const ShowNow& show_now, std::string_view text) {
  state.status = status_line(text, false);
  if (show_now) show_now(state);
}

}  // namespace

void apply_selected_with_theme(SwitcherState& state, SwitcherServices& services, const ShowNow& show_now) {
  if (state.section != Section::Wallpapers || state.selected >= state.wallpapers.size()) return;
  const wallpaper::Wallpaper chosen = state.wallpapers[state.selected];
  const wallpaper::Variant variant = shown_variant(state);
  const std::string name = wallpaper::wallpaper_theme_name(chosen.name, variant);
  const PictureReply* reply = highlighted_picture(state);
  announce(state, show_now, fmt::format("applying {}…", name));
  auto outcome = services.apply_wallpaper_with_theme(chosen, variant, reply && reply->colours ? &*reply->colours : nullptr);
  // Either half may have taken effect whatever the other did.
  state.saved_wallpaper = services.load_saved_wallpaper();
  if (services.active_theme_name() == name) take_applied_theme(state, services);
  state.status = outcome ? status_line(outcome.value(), false) : status_line(outcome.error_text(), true);
}

void apply_selected(SwitcherState& state, SwitcherServices& services, const ShowNow& show_now) {
  if (state.section == Section::Themes) {
    if (state.selected >= state.visible.size()) return;
    const std::string name = state.visible_entry(state.selected).name;
    announce(state, show_now, fmt::format("applying {}…", name));
    auto outcome = services.activate_theme(name);
    if (!outcome) {
      state.status = status_line(outcome.error_text(), true);
      return;
    }
    // The window now shows the applied theme, and ends in it.
    take_applied_theme(state, services);
    state.status = status_line(outcome.value(), false);
  } else {
    if (state.selected >= state.wallpapers.size()) return;
    announce(state, show_now, "setting wallpaper…");
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
