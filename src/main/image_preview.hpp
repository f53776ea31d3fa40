#pragma once

#include "main/services.hpp"
#include "main/switcher_state.hpp"
#include "sys/result.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// The picture's cells: column 1, width up to 64, 11 rows, on the first
/// rows of the wallpapers pane.
ImagePlacement image_placement(const SwitcherState& state, sys::TermSize size);

/// Places, keeps or removes the wallpaper picture after a draw: the image
/// program runs only when the picture must change.
void update_image_preview(SwitcherState& state, sys::TermSize size, SwitcherServices& services);

}  // namespace switcher
