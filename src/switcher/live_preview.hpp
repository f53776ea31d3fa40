#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "switcher/switcher_state.hpp"
#include "sys/terminal_replies.hpp"
#include "themes/theme_entry.hpp"

namespace switcher {

/// How long the highlight rests on a theme before the window takes its
/// colours: as long as before an index theme's colours are fetched.
inline constexpr std::chrono::milliseconds kPreviewDwell{200};

/// The escape text that gives the window a theme's colours: its sixteen
/// palette colours, foreground, background, cursor (the foreground where
/// the theme sets none) and selection colours. Nothing without a full
/// palette.
std::optional<std::string> preview_sequences(const themes::Palette& palette);

/// What the terminal's answers to `sys::terminal_questions` tell:
/// whether it is kitty (its own answer, or `environment_says_kitty`) and
/// the colours it shows.
TerminalFacts terminal_facts(const sys::TerminalReplies& replies, bool environment_says_kitty);

/// Saves the window's colours on kitty's colour stack, when the Switcher
/// starts.
std::string window_colours_saved();
/// What gives the window back when the Switcher ends: kitty's colour stack
/// popped, then the active theme's colours when the active theme changed
/// in this run (here or elsewhere: remote control may not have changed
/// kitty's configured colours, so they are written, as to every terminal),
/// else, where a preview was sent, the colours the window said it had at
/// the start (after the terminal's own resets, where it did not say it is
/// kitty). Nothing where nothing was ever sent.
std::string window_colours_at_end(const LivePreview& preview);

/// Moves the preview on after a key, a reply or a pause: the highlighted
/// theme's colours (or the theme the highlighted wallpaper's picture
/// gives, once worked out) when it has rested there for the dwell, or the
/// window's own colours back when there is nothing to preview (another
/// section, no match, preview off). Returns the escape text to write
/// (empty: nothing changes); the Switcher's own colours follow what the
/// window shows.
std::string step_live_preview(SwitcherState& state, std::chrono::steady_clock::time_point now);

}  // namespace switcher
