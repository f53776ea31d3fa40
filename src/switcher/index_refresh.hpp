#pragma once

#include "switcher/services.hpp"
#include "switcher/switcher_state.hpp"
#include "sys/result.hpp"

namespace switcher {

/// Starts the one refresh of a stale kitty themes index for this run, on
/// a worker thread. Its only error is the fatal "failed to spawn thread".
sys::Result<void> schedule_index_refresh(SwitcherState& state, SwitcherServices& services);

/// Takes the refresh's outcome, when it has arrived, without blocking. On
/// success the theme list is reloaded (keeping the highlight and the
/// filter) and true is returned, so that the screen is redrawn; a failed
/// refresh is not tried again in this run, and where no copy of the index
/// is cached either, the status line says so (true too).
bool poll_index_refresh(SwitcherState& state, SwitcherServices& services);

}  // namespace switcher
