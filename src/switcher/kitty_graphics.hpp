#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "switcher/services.hpp"

namespace switcher {

/// kitty's graphics command that removes every picture placed on screen.
inline constexpr std::string_view kDeleteAllImages = "\x1b_Ga=d,d=A,q=2\x1b\\";

/// The width and height a PNG file's first 24 bytes declare; nothing for
/// anything that is not a PNG.
std::optional<std::pair<std::uint32_t, std::uint32_t>> png_size(std::string_view header);

/// The bytes that have kitty itself read the PNG file at `path` and show it
/// in `placement`, as large as fits with its proportions kept (cells of
/// `cell_width` by `cell_height` pixels). kitty answers nothing (q=2), so
/// no reply mixes with the keys, and nothing runs: this takes no time.
std::string kitty_png_placement(std::string_view path, ImagePlacement placement,
                                std::pair<std::uint32_t, std::uint32_t> image_size, unsigned cell_width,
                                unsigned cell_height);

}  // namespace switcher
