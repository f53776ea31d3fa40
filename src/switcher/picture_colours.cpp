#include "switcher/picture_colours.hpp"

#include <algorithm>

#include "switcher/switcher_state.hpp"
#include "switcher/worker.hpp"

namespace switcher {
namespace {

const wallpaper::Wallpaper* highlighted_wallpaper(const SwitcherState& state) {
  if (state.section != Section::Wallpapers || state.selected >= state.wallpapers.size()) return nullptr;
  return &state.wallpapers[state.selected];
}

// A worker reports while it runs this often, at the latest.
constexpr std::chrono::milliseconds kReplyPoll{5};

}  // namespace

const PictureReply* highlighted_picture(const SwitcherState& state) {
  const auto* wallpaper = highlighted_wallpaper(state);
  if (!wallpaper) return nullptr;
  const auto it = state.pictures.known.find(wallpaper->path);
  return it == state.pictures.known.end() ? nullptr : &it->second;
}

wallpaper::Variant shown_variant(const SwitcherState& state) {
  using wallpaper::Variant;
  const auto* reply = highlighted_picture(state);
  const Variant nearer = reply && reply->colours ? reply->colours->nearer : Variant::Dark;
  if (!state.pictures.flipped) return nearer;
  return nearer == Variant::Dark ? Variant::Light : Variant::Dark;
}

const themes::Palette* shown_picture_palette(const SwitcherState& state) {
  const auto* reply = highlighted_picture(state);
  if (!reply || !reply->colours) return nullptr;
  return &reply->colours->of(shown_variant(state));
}

sys::Result<void> schedule_picture_colours(SwitcherState& state, const PictureColoursFn& work,
                                           std::chrono::steady_clock::time_point now) {
  PictureColoursState& pictures = state.pictures;
  std::optional<std::string> wanted;
  if (const auto* wallpaper = highlighted_wallpaper(state); wallpaper && !pictures.known.contains(wallpaper->path))
    wanted = wallpaper->path;
  if (wanted != pictures.wanted) {
    pictures.wanted = std::move(wanted);
    pictures.wanted_since = now;
  }
  if (!pictures.wanted || pictures.channel || now - pictures.wanted_since < kPictureDwell) return sys::success();
  auto channel = start_worker<PictureReply>([work, path = *pictures.wanted] {
    auto colours = work(path);
    if (!colours) return PictureReply{path, std::nullopt, colours.error_text()};
    return PictureReply{path, std::move(colours).value()};
  });
  if (!channel) return channel.error();
  pictures.channel = std::move(channel).value();
  return sys::success();
}

bool poll_picture_colours(SwitcherState& state) {
  PictureColoursState& pictures = state.pictures;
  if (!pictures.channel || !has_ended(*pictures.channel)) return false;
  std::optional<PictureReply> reply;
  try {
    reply = pictures.channel->get();
  } catch (const std::future_error&) {
    // A worker that ended without a word: the picture is tried again when
    // the highlight comes back to it.
  }
  pictures.channel.reset();
  if (!reply) return false;
  std::string path = reply->path;
  pictures.known.insert_or_assign(std::move(path), std::move(*reply));
  return true;
}

std::chrono::milliseconds picture_colours_wait(const SwitcherState& state, std::chrono::steady_clock::time_point now,
                                               std::chrono::milliseconds longest) {
  const PictureColoursState& pictures = state.pictures;
  if (pictures.channel) return std::min(longest, kReplyPoll);
  if (!pictures.wanted) return longest;
  const auto due = std::chrono::duration_cast<std::chrono::milliseconds>(pictures.wanted_since + kPictureDwell - now);
  return std::clamp(due + std::chrono::milliseconds(1), std::chrono::milliseconds(1), longest);
}

}  // namespace switcher
