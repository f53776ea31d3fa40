#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>

#include "sys/result.hpp"
#include "wallpaper/picture_palette.hpp"

namespace switcher {

struct SwitcherState;

/// What a picture gave: its colours, or why it gave none.
struct PictureReply {
  std::string path;
  std::optional<wallpaper::PictureColours> colours;
  std::string error{};
};

/// Works out a picture's colours; runs on a worker thread, so it owns all
/// it uses.
using PictureColoursFn = std::function<sys::Result<wallpaper::PictureColours>(const std::string& path)>;

/// The theme a wallpaper would give, in the wallpapers section.
struct PictureColoursState {
  std::map<std::string, PictureReply> known;  ///< by path, for the rest of the run
  std::optional<std::future<PictureReply>> channel{};
  std::optional<std::string> wanted{};  ///< the highlighted picture's path, while its colours are not known
  std::chrono::steady_clock::time_point wanted_since{};
  /// `v` was pressed an odd number of times on the highlighted picture: the
  /// other variant than the one nearer its lightness.
  bool flipped = false;
};

/// How long the highlight rests on a wallpaper before its colours are
/// worked out: as long as before a theme is previewed.
inline constexpr std::chrono::milliseconds kPictureDwell{200};

/// The highlighted wallpaper's reply, when it is known.
const PictureReply* highlighted_picture(const SwitcherState& state);
/// The variant shown for the highlighted wallpaper.
wallpaper::Variant shown_variant(const SwitcherState& state);
/// The palette shown for the highlighted wallpaper, when known.
const themes::Palette* shown_picture_palette(const SwitcherState& state);

/// Notes the highlighted picture as wanted (from `now`) when its colours
/// are not known; after the dwell starts a worker for it, one at a time.
/// Its only error is the fatal "failed to spawn thread".
sys::Result<void> schedule_picture_colours(SwitcherState& state, const PictureColoursFn& work,
                                           std::chrono::steady_clock::time_point now);
/// Takes a worker's reply when it has arrived, without blocking; true when
/// one was taken (the screen is then redrawn).
bool poll_picture_colours(SwitcherState& state);
/// How long the event loop may wait before the next of these is due.
std::chrono::milliseconds picture_colours_wait(const SwitcherState& state, std::chrono::steady_clock::time_point now,
                                               std::chrono::milliseconds longest);

}  // namespace switcher
