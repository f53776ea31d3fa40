#include "switcher/colour_loading.hpp"

#include "switcher/switcher_state.hpp"
#include "switcher/worker.hpp"

namespace switcher {
namespace {

// The index file whose colours the highlighted entry lacks, if any.
std::optional<std::string> wanted_index_file(const SwitcherState& state) {
  if (state.section != Section::Themes || state.selected >= state.visible.size()) return std::nullopt;
  const themes::ThemeEntry& entry = state.visible_entry(state.selected);
  if (entry.background || !entry.index_file || entry.palette_file) return std::nullopt;
  return entry.index_file;
}

void fill(std::vector<themes::ThemeEntry>& entries, const ColourReply& reply) {
  for (auto& entry : entries)
    if (entry.index_file == reply.index_file) entry.take_palette(*reply.palette);
}

}  // namespace

sys::Result<ColourChannel> start_colour_worker(const ColourFetch& fetch, const std::string& index_file) {
  // The worker gets its own copies.
  return start_worker<ColourReply>([fetch, index_file] { return ColourReply{index_file, fetch(index_file)}; });
}

bool poll_colour_reply(SwitcherState& state, std::chrono::steady_clock::time_point now) {
  if (!state.reply_channel) return false;
  if (!has_ended(*state.reply_channel)) return false;
  std::optional<ColourReply> reply;
  try {
    reply = state.reply_channel->get();
  } catch (const std::future_error&) {
    // The worker ended without a reply: it may be tried again, later.
    state.retry_after[state.awaited_file] = now + kColourRetryPause;
  }
  state.reply_channel.reset();
  if (!reply) return false;
  apply_colour_reply(state, *reply);
  return true;
}

sys::Result<void> schedule_colour_fetch(SwitcherState& state, const ColourFetch& fetch,
                                        std::chrono::steady_clock::time_point now) {
  auto wanted = wanted_index_file(state);
  if (wanted != state.pending_fetch) {
    state.pending_fetch = std::move(wanted);
    state.pending_since = now;
  }
  if (state.reply_channel || now - state.pending_since < kColourDwell || !state.pending_fetch) return sys::success();
  const std::string& file = *state.pending_fetch;
  if (state.unavailable.contains(file)) return sys::success();
  if (const auto retry = state.retry_after.find(file); retry != state.retry_after.end() && now < retry->second)
    return sys::success();
  auto channel = start_colour_worker(fetch, file);
  if (!channel) return channel.error();
  state.reply_channel = std::move(channel).value();
  state.awaited_file = file;
  return sys::success();
}

void apply_colour_reply(SwitcherState& state, const ColourReply& reply) {
  // Colours without a background cannot be previewed: unavailable too.
  if (!reply.palette || !reply.palette->background) {
    state.unavailable.insert(reply.index_file);
    return;
  }
  // The visible list holds positions in this one: a change of the filter
  // keeps the colours.
  fill(state.themes, reply);
}

}  // namespace switcher
