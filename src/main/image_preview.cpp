#include "main/image_preview.hpp"

#include <stdlib.h>

#include <algorithm>

#include <fmt/format.h>

#include "main/draw.hpp"
#include "sys/process.hpp"

namespace switcher {
namespace {

constexpr std::uint16_t kImageHeight = 11;
constexpr std::uint16_t kMaxImageWidth = 64;

void run_kitten(std::vector<std::string> args) {
  if (!images_supported()) return;
  // The kitten's graphics sequences must reach the terminal: standard
  // output is ours. Whether it worked is not examined.
  (void)sys::run(sys::Command{.program = "kitty", .args = std::move(args), .out = sys::Stdio::Inherit});
}

}  // namespace

bool images_supported() {
  const char* window = ::getenv("KITTY_WINDOW_ID");
  return window && *window && !::getenv("TMUX");
}

ImagePlacement image_placement(sys::TermSize size, bool status_shown) {
  const std::uint16_t row = static_cast<std::uint16_t>(size.rows - 12 - (status_shown ? 2 : 1));
  const std::uint16_t width = std::min<std::uint16_t>(static_cast<std::uint16_t>(size.columns - 2), kMaxImageWidth);
  return ImagePlacement{1, row, width, kImageHeight};
}

sys::Result<void> update_image_preview(SwitcherState& state, sys::TermSize size) {
  if (size.rows >= 24 && size.columns >= kMinColumns && state.section == Section::Wallpapers &&
      state.selected < state.wallpapers.size()) {
    const ImagePlacement placement = image_placement(size, state.status.has_value());
    const auto& path = state.wallpapers[state.selected].path;
    if (state.shown_image && state.shown_image->path == path && state.shown_image->placement == placement)
      return sys::success();
    show_image(path, placement);  // "--clear" removes the previous picture first
    state.shown_image = ShownImage{path, placement};
  } else if (state.shown_image) {
    clear_image();
    state.shown_image.reset();
  }
  return sys::success();
}

void show_image(const std::filesystem::path& path, ImagePlacement placement) {
  if (placement.width == 0 || placement.height == 0) return;
  run_kitten({"+kitten", "icat", "--clear", "--transfer-mode=file", "--stdin=no",
              fmt::format("--place={}x{}@{}x{}", placement.width, placement.height, placement.column, placement.row),
              path.string()});
}

void clear_image() { run_kitten({"+kitten", "icat", "--clear", "--stdin=no"}); }

}  // namespace switcher
