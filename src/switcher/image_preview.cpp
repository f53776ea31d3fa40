#include "switcher/image_preview.hpp"

#include <algorithm>

#include "switcher/draw.hpp"

namespace switcher {
namespace {

constexpr std::uint16_t kImageHeight = 11;
constexpr std::uint16_t kMaxImageWidth = 64;

}  // namespace

ImagePlacement image_placement(const SwitcherState& state, sys::TermSize size) {
  const auto row = static_cast<std::uint16_t>(pane_geometry(state, size).top);
  const auto width = std::min<std::uint16_t>(static_cast<std::uint16_t>(size.columns - 2), kMaxImageWidth);
  return ImagePlacement{1, row, width, kImageHeight};
}

void update_image_preview(SwitcherState& state, sys::TermSize size, SwitcherServices& services,
                          std::chrono::steady_clock::time_point now) {
  std::optional<ShownImage> wanted;
  if (size.rows >= 24 && size.columns >= kMinColumns && state.section == Section::Wallpapers &&
      state.selected < state.wallpapers.size() && !state.outcome_shown)
    wanted = ShownImage{state.wallpapers[state.selected].path, image_placement(state, size)};
  if (state.shown_image == wanted) {
    state.wanted_image.reset();
    return;
  }
  if (state.shown_image) {
    services.clear_image();  // never a picture of another wallpaper, or in the wrong place
    state.shown_image.reset();
  }
  if (state.wanted_image != wanted) {
    state.wanted_image = std::move(wanted);
    state.wanted_since = now;
  }
}

bool place_resting_image(SwitcherState& state, SwitcherServices& services, std::chrono::steady_clock::time_point now) {
  if (!state.wanted_image || now - state.wanted_since < kImageDwell) return false;
  services.show_image(state.wanted_image->path, state.wanted_image->placement);
  state.shown_image = std::move(state.wanted_image);
  state.wanted_image.reset();
  return true;
}

}  // namespace switcher
