#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "switcher/switcher_state.hpp"
#include "themes/theme_entry.hpp"

namespace switcher {

/// How long the highlight rests on a theme before the window takes its
/// colours: as long as before an index theme's colours are fetched.
inline constexpr std::chrono::milliseconds kPreviewDwell{200};

/// The escape text that gives the window a theme's colours: its sixteen
/// palette colours, foreground, background, cursor (the foreground where
/// the theme sets none) and selection colours. Nothing without a full
/// palette.
std::optional<std::string> preview_sequences(const themes::ThemeEntry& entry);

/// Saves the window's colours on kitty's colour stack, when the Switcher
/// starts.
std::string window_colours_saved();
/// What gives the window back when the Switcher ends: the colours it had
/// at the start, or after an activation the configured ones (which the
/// activation made the applied theme's).
std::string window_colours_at_end(bool activated);

/// Moves the preview on after a key, a reply or a pause: the highlighted
/// theme's colours once it has rested there for the dwell, or the
/// window's own colours back when there is nothing to preview (another
/// section, no match, preview off). Returns the escape text to write
/// (empty: nothing changes); the Switcher's own colours follow what the
/// window shows.
std::string step_live_preview(SwitcherState& state, std::chrono::steady_clock::time_point now);

}  // namespace switcher
