#pragma once

#include <chrono>

#include "switcher/services.hpp"
#include "switcher/switcher_state.hpp"
#include "sys/result.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// How long the highlight must rest on a wallpaper before its picture is
/// placed: longer than the pause between repeated keys, so that moving
/// through the list never waits for the image program.
inline constexpr std::chrono::milliseconds kImageDwell{120};

/// The picture's cells: column 1, width up to 64, 11 rows, on the first
/// rows of the wallpapers pane.
ImagePlacement image_placement(const SwitcherState& state, sys::TermSize size);

/// After a draw: decides which picture is due. A picture that is no longer
/// the highlighted wallpaper's (or no longer where it belongs) is removed
/// at once; the new one is only noted as wanted, from `now`.
void update_image_preview(SwitcherState& state, sys::TermSize size, SwitcherServices& services,
                          std::chrono::steady_clock::time_point now);

/// Places the wanted picture once it has been due for the dwell time; the
/// event loop calls it when no key is waiting. True when it placed one.
bool place_resting_image(SwitcherState& state, SwitcherServices& services, std::chrono::steady_clock::time_point now);

}  // namespace switcher
