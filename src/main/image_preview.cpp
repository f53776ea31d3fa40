#include "main/image_preview.hpp"

#include <algorithm>

#include "main/draw.hpp"

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

void update_image_preview(SwitcherState& state, sys::TermSize size, SwitcherServices& services) {
  if (size.rows >= 24 && size.columns >= kMinColumns && state.section == Section::Wallpapers &&
      state.selected < state.wallpapers.size()) {
    const ImagePlacement placement = image_placement(state, size);
    const auto& path = state.wallpapers[state.selected].path;
    if (state.shown_image && state.shown_image->path == path && state.shown_image->placement == placement) return;
    services.show_image(path, placement);  // "--clear" removes the previous picture first
    state.shown_image = ShownImage{path, placement};
  } else if (state.shown_image) {
    services.clear_image();
    state.shown_image.reset();
  }
}

}  // namespace switcher
