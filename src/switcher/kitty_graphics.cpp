#include "switcher/kitty_graphics.hpp"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace switcher {
namespace {

std::uint32_t big_endian(std::string_view bytes) {
  std::uint32_t value = 0;
  for (const char c : bytes) value = value << 8 | static_cast<unsigned char>(c);
  return value;
}

std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::uint32_t>> png_size(std::string_view header) {
  // The signature, then the IHDR chunk: length 13, type, width, height.
  constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
  if (header.size() < 24 || !header.starts_with(kSignature) || header.substr(12, 4) != "IHDR") return std::nullopt;
  const std::uint32_t width = big_endian(header.substr(16, 4));
  const std::uint32_t height = big_endian(header.substr(20, 4));
  if (width == 0 || height == 0) return std::nullopt;
  return std::pair{width, height};
}

std::string kitty_png_placement(std::string_view path, ImagePlacement placement,
                                std::pair<std::uint32_t, std::uint32_t> image_size, unsigned cell_width,
                                unsigned cell_height) {
  const double room_x = static_cast<double>(placement.width) * cell_width;
  const double room_y = static_cast<double>(placement.height) * cell_height;
  const double scale = std::min(room_x / image_size.first, room_y / image_size.second);
  const auto cells = [&](double pixels, unsigned cell, std::uint16_t most) {
    return std::clamp<long>(std::lround(pixels * scale / cell), 1, std::max<long>(most, 1));
  };
  const long columns = cells(image_size.first, cell_width, placement.width);
  const long rows = cells(image_size.second, cell_height, placement.height);
  // Centred in its cells, as the image kitten places pictures.
  const long column = placement.column + (placement.width - columns) / 2;
  const long row = placement.row + (placement.height - rows) / 2;
  return fmt::format("\x1b[{};{}H\x1b_Ga=T,f=100,t=f,q=2,C=1,c={},r={};{}\x1b\\", row + 1, column + 1, columns, rows,
                     base64(path));
}

}  // namespace switcher
