#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "sys/result.hpp"
#include "themes/palette.hpp"

namespace switcher {

struct SwitcherState;

/// The one message between threads: the colours of an index file, or
/// nothing when they could not be obtained.
struct ColourReply {
  std::string index_file;
  std::optional<themes::Palette> palette;
};

/// Fetches the palette of an index file (downloading it when needed). It
/// runs on a worker thread and may outlive the Switcher, so it owns all it
/// uses.
using ColourFetch = std::function<std::optional<themes::Palette>(const std::string& index_file)>;

/// The receiving end of a colour channel. A worker that ends without
/// sending leaves it ready with an error.
using ColourChannel = std::future<ColourReply>;

/// How long the highlight must rest on a theme before its colours are
/// fetched, and how soon a file whose worker sent nothing may be tried again.
inline constexpr std::chrono::milliseconds kColourDwell{200};
inline constexpr std::chrono::seconds kColourRetryPause{5};

/// Starts a detached colour worker for `index_file` and returns the
/// receiving end of its fresh channel; fails only when no thread can be
/// made ("failed to spawn thread").
sys::Result<ColourChannel> start_colour_worker(const ColourFetch& fetch, const std::string& index_file);

/// Takes the awaited reply, when it has arrived, without blocking and
/// applies it; true when a reply was taken (the screen is then redrawn).
bool poll_colour_reply(SwitcherState& state, std::chrono::steady_clock::time_point now);

/// Starts a worker when the highlight has rested for the dwell time on an
/// index theme without colours and no reply is awaited. Its only error is
/// the fatal "failed to spawn thread".
sys::Result<void> schedule_colour_fetch(SwitcherState& state, const ColourFetch& fetch,
                                        std::chrono::steady_clock::time_point now);

/// Writes the reply's colours into every entry of that index file, or
/// marks the file unavailable for the rest of the run.
void apply_colour_reply(SwitcherState& state, const ColourReply& reply);

}  // namespace switcher
