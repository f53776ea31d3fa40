#include "themes/colour.hpp"

#include <algorithm>
#include <cmath>

#include "sys/text.hpp"

namespace themes {
namespace {

std::uint8_t mix_channel(std::uint8_t from, std::uint8_t to, float t) {
  const float a = static_cast<float>(from);
  const float b = static_cast<float>(to);
  const float value = std::round(a + (b - a) * t);  // std::round rounds halves away from zero
  return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

}  // namespace

std::optional<Colour> parse_hex_colour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int digits[6];
  for (int i = 0; i < 6; ++i) {
    digits[i] = sys::hex_digit(text[static_cast<std::size_t>(i) + 1]);
    if (digits[i] < 0) return std::nullopt;
  }
  return Colour{static_cast<std::uint8_t>(digits[0] * 16 + digits[1]),
                static_cast<std::uint8_t>(digits[2] * 16 + digits[3]),
                static_cast<std::uint8_t>(digits[4] * 16 + digits[5])};
}

std::string format_hex_colour(Colour colour) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "#";
  for (std::uint8_t channel : {colour.red, colour.green, colour.blue}) {
    out += kDigits[channel >> 4];
    out += kDigits[channel & 15];
  }
  return out;
}

Colour mix_colour(Colour from, Colour to, float fraction) {
  return Colour{mix_channel(from.red, to.red, fraction), mix_channel(from.green, to.green, fraction),
                mix_channel(from.blue, to.blue, fraction)};
}

std::string mix_hex_percent(std::string_view a, std::string_view b, int t) {
  const auto from = parse_hex_colour(a);
  const auto to = parse_hex_colour(b);
  if (!from || !to) return std::string(b);
  const auto mix = [t](int x, int y) { return static_cast<std::uint8_t>((y * t + x * (100 - t) + 50) / 100); };
  return format_hex_colour({mix(from->red, to->red), mix(from->green, to->green), mix(from->blue, to->blue)});
}

double relative_luminance(Colour colour) {
  const auto linear = [](std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) + 0.0722 * linear(colour.blue);
}

double contrast_ratio(Colour a, Colour b) {
  const double la = relative_luminance(a);
  const double lb = relative_luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Lightness 50 is a relative luminance of 0.1842.
bool is_dark_background(Colour background) { return relative_luminance(background) < 0.1842; }

}  // namespace themes
