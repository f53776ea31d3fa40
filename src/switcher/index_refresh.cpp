#include "switcher/index_refresh.hpp"

#include <fmt/format.h>

#include "switcher/worker.hpp"

namespace switcher {

sys::Result<void> schedule_index_refresh(SwitcherState& state, SwitcherServices& services) {
  if (state.index_refresh_started || !services.index_is_stale()) return sys::success();
  state.index_refresh_started = true;
  auto channel = start_worker<bool>(services.index_refresh());
  if (!channel) return channel.error();
  state.index_channel = std::move(channel).value();
  return sys::success();
}

bool poll_index_refresh(SwitcherState& state, SwitcherServices& services) {
  if (!state.index_channel || !has_ended(*state.index_channel)) return false;
  bool refreshed = false;
  try {
    refreshed = state.index_channel->get();
  } catch (const std::future_error&) {
    // The worker ended without an answer: as good as a failure.
  }
  state.index_channel.reset();
  if (!refreshed) {
    // Said once: the refresh is tried once a run.
    if (services.index_cached()) return false;
    state.status = status_line(
        fmt::format("kitty themes index unavailable: {} local themes shown (network or curl)", state.themes.size()),
        true);
    return true;
  }
  replace_themes(state, services.list_themes());
  return true;
}

}  // namespace switcher
