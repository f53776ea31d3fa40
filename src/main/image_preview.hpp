#pragma once

#include "main/switcher_state.hpp"
#include "sys/result.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// Places, keeps or removes the wallpaper picture after a draw.
sys::Result<void> update_image_preview(SwitcherState& state, sys::TermSize size);

/// Removes any placed picture.
void clear_image();

}  // namespace switcher
