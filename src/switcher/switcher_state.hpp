#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "switcher/colour_loading.hpp"
#include "switcher/picture_colours.hpp"
#include "switcher/screen_colours.hpp"
#include "switcher/services.hpp"
#include "sys/keys.hpp"
#include "themes/theme_entry.hpp"
#include "wallpaper/wallpaper.hpp"

namespace switcher {

enum class Section { Themes, Wallpapers };

/// The outcome of the last Enter.
struct StatusLine {
  std::string text;
  bool is_error = false;
};

struct ShownImage {
  std::filesystem::path path;
  ImagePlacement placement;
  bool operator==(const ShownImage&) const = default;
};

/// What the terminal said about itself when the Switcher started.
struct TerminalFacts {
  bool kitty = false;              ///< it is kitty: it said so, or TERM and its window id say so
  bool answered_as_kitty = false;  ///< it said so itself (its colour stack is there)
  themes::Palette colours{};       ///< the colours it showed, as far as it answered
};

/// The Switcher's own window showing the colours of the theme the
/// highlight rests on.
struct LivePreview {
  bool possible = false;  ///< the window can be recoloured and given back (kitty, not through tmux)
  bool enabled = false;   ///< on where possible; `p` turns it off and on
  /// The theme the highlight is on, and since when.
  std::optional<std::string> wanted{};
  std::chrono::steady_clock::time_point wanted_since{};
  std::optional<std::string> shown{};  ///< the theme whose colours the window shows
  /// Whether the user has moved the highlight or edited the filter: no
  /// theme is previewed before (the window keeps its colours at start).
  bool armed = false;
  bool sent = false;                   ///< a preview was written in this run
  bool answered_as_kitty = false;      ///< the terminal said it is kitty: its colour stack is there
  std::string start_colours{};         ///< what gives the window its colours from the start
  /// The active theme changed in this run (here or elsewhere), and the
  /// sequences of its colours: what the window ends in.
  bool theme_changed = false;
  std::string active_colours{};
};

/// Everything the Switcher knows during one run.
struct SwitcherState {
  std::vector<themes::ThemeEntry> themes;
  /// The positions in `themes` of the entries whose name matches `filter`,
  /// in order (positions, so that colours read or fetched for an entry are
  /// seen through every filter).
  std::vector<std::size_t> visible;
  /// The names of `themes` lower-cased once, for the filter.
  std::vector<std::string> lower_names;
  std::string filter;
  /// The wallpaper catalogue, scanned when the section is first shown (a
  /// large tree must not hold up the first frame).
  std::vector<wallpaper::Wallpaper> wallpapers;
  bool wallpapers_scanned = false;
  std::optional<std::string> active_theme;
  std::optional<std::filesystem::path> saved_wallpaper;
  std::optional<StatusLine> status;
  std::optional<ShownImage> shown_image;
  /// The picture due once the highlight rests, and since when it is due.
  std::optional<ShownImage> wanted_image;
  std::chrono::steady_clock::time_point wanted_since{};
  /// The themes the wallpapers would give.
  PictureColoursState pictures;
  /// The receiving end of the colour channel while a worker's reply is
  /// awaited, and the index file that worker was asked for.
  std::optional<ColourChannel> reply_channel;
  std::string awaited_file;
  /// The index file whose colours are wanted next, and since when.
  std::optional<std::string> pending_fetch;
  std::chrono::steady_clock::time_point pending_since{};
  /// Index files whose colours could not be obtained in this run.
  std::set<std::string> unavailable;
  /// Index files whose worker ended without a reply, and from when they
  /// may be tried again.
  std::map<std::string, std::chrono::steady_clock::time_point> retry_after;
  /// The refresh of a stale index: started at most once a run; its outcome
  /// (true when the index was downloaded) is awaited here.
  bool index_refresh_started = false;
  std::optional<std::future<bool>> index_channel;
  /// The highlighted row of the current section's list.
  std::size_t selected = 0;
  /// How many rows the list showed at the last draw: what PgUp and PgDn move.
  std::size_t page_rows = 1;
  bool filter_mode = false;
  Section section = Section::Themes;
  /// Named by the empty theme list's line.
  std::filesystem::path themes_dir;
  /// What the window shows outside a preview, as far as it is known: what
  /// the terminal answered at start, else the active theme where every
  /// terminal gets it, then the theme each activation wrote.
  std::optional<themes::Palette> window_palette;
  /// Whether the terminal takes the colours an activation writes.
  bool takes_the_theme = false;
  /// What the Switcher's own elements are drawn with: readable on what the
  /// window shows.
  ScreenColours colours;
  LivePreview preview;
  /// The whole outcome is shown in the pane, until the next key.
  bool outcome_shown = false;
  /// When the active theme was last compared with the one on disk.
  std::chrono::steady_clock::time_point theme_checked_at{};

  /// Entry `k` of the visible list.
  const themes::ThemeEntry& visible_entry(std::size_t k) const { return themes[visible[k]]; }
  themes::ThemeEntry& visible_entry(std::size_t k) { return themes[visible[k]]; }
};

/// Loads the lists and builds the state the Switcher starts with: the
/// Themes section, the active theme highlighted, the live preview where
/// `terminal` is kitty.
SwitcherState initial_state(SwitcherServices& services, std::filesystem::path themes_dir,
                            const TerminalFacts& terminal = {});

/// Draws the state at once: what Enter shows ("applying NAME…") before it
/// blocks on an activation or a wallpaper change.
using ShowNow = std::function<void(const SwitcherState&)>;

/// Applies one key press; returns true when the Switcher is to quit.
bool handle_key(SwitcherState& state, const sys::Key& key, SwitcherServices& services, const ShowNow& show_now = {});

/// Replaces the theme list (keeping the filter): the highlight stays on the
/// same theme, or on the same row when that theme is gone.
void replace_themes(SwitcherState& state, std::vector<themes::ThemeEntry> themes);
/// Picks the colours of the Switcher's own elements: readable on what the
/// window shows, else the usual ones.
void refresh_screen_colours(SwitcherState& state);
/// The active theme's palette, read when needed; nothing without one.
std::optional<themes::Palette> active_palette(SwitcherState& state);

/// How often the active theme on disk is compared with the Switcher's.
inline constexpr std::chrono::seconds kThemeCheckInterval{1};
/// At most every `kThemeCheckInterval`: when the active theme changed
/// elsewhere (another `--theme`, a key binding, a second Switcher), takes
/// the list and the active name again, draws for its colours and says so
/// ("theme changed elsewhere: NAME"). True when it changed.
bool notice_theme_changed_elsewhere(SwitcherState& state, SwitcherServices& services,
                                    std::chrono::steady_clock::time_point now);
/// Reads the highlighted theme's palette when it has not been read yet.
void load_highlighted_palette(SwitcherState& state);
/// Rebuilds `visible` from `themes` and `filter`, then clamps `selected`
/// in the themes section.
void refilter(SwitcherState& state);
/// Moves the highlight by `step` rows without wrapping around: clamped to
/// the first and the last entry.
void move_selection(SwitcherState& state, long step);
/// Switches section, clears the status line and highlights the active
/// theme or the saved wallpaper. The wallpaper catalogue is scanned the
/// first time its section is shown.
void toggle_section(SwitcherState& state, SwitcherServices& services);
/// A status line holding no more of `text` than a terminal row can show.
StatusLine status_line(std::string_view text, bool is_error);
/// The Enter action: activate the highlighted theme or apply the
/// highlighted wallpaper, and show the outcome. "applying NAME…" (or
/// "setting wallpaper…") is shown first, while it blocks.
void apply_selected(SwitcherState& state, SwitcherServices& services, const ShowNow& show_now = {});

/// The `t` action: the highlighted wallpaper and the theme its picture
/// gives (the variant shown), in one step.
void apply_selected_with_theme(SwitcherState& state, SwitcherServices& services, const ShowNow& show_now = {});

/// Length of the list shown in the current section.
std::size_t current_list_size(const SwitcherState& state);

}  // namespace switcher
