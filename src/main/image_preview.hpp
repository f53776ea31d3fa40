#pragma once

#include <filesystem>

#include "main/switcher_state.hpp"
#include "sys/result.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// The picture's cells for a terminal size: column 1, width up to 64,
/// 11 rows, on the first rows of the wallpapers pane.
ImagePlacement image_placement(sys::TermSize size, bool status_shown);

/// Places, keeps or removes the wallpaper picture after a draw: the image
/// program runs only when the picture must change.
sys::Result<void> update_image_preview(SwitcherState& state, sys::TermSize size);

/// Places the image at `placement` with kitty's image kitten.
void show_image(const std::filesystem::path& path, ImagePlacement placement);

/// Removes any placed picture.
void clear_image();

/// Whether the image kitten can talk to the terminal: inside kitty and not
/// through tmux. Elsewhere it waits ten seconds for an answer that never
/// comes and prints over the screen, so it is not run at all.
bool images_supported();

}  // namespace switcher
