#pragma once

#include <cstddef>
#include <string>

#include "switcher/screen_buffer.hpp"
#include "switcher/switcher_state.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// Where the detail pane sits for a given state and terminal size.
struct PaneGeometry {
  std::size_t top = 0;     ///< first row of the pane
  std::size_t height = 0;  ///< 2, 3, 10 or 13 rows
};

constexpr std::size_t kMinColumns = 30;
constexpr std::size_t kMinRows = 9;

PaneGeometry pane_geometry(const SwitcherState& state, sys::TermSize size);

/// The whole screen for `state` on a terminal of `size`, as one string of
/// output to write at once. Below 30 x 9 the screen is only cleared.
std::string draw_screen(const SwitcherState& state, sys::TermSize size);

/// The detail pane: swatches, colour summary and preview of the
/// highlighted theme, or the highlighted wallpaper's name and path.
void draw_pane(ScreenBuffer& out, const SwitcherState& state, std::size_t top, std::size_t height,
               std::size_t width);

}  // namespace switcher
