#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace themes {

/// A 24-bit colour.
struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

/// "#rrggbb" in either case, exactly seven bytes; anything else is nothing.
std::optional<Colour> parse_hex_colour(std::string_view text);
/// Lower-case "#rrggbb".
std::string format_hex_colour(Colour colour);

/// Blends `from` towards `to` by `fraction` per channel, in 32-bit
/// floating point, rounding halves away from zero and clamping to 0..255.
Colour mix_colour(Colour from, Colour to, float fraction);

/// Blends colour text `b` into `a` by the whole percentage `t` (the
/// weight of b), rounding halves up; b's text unchanged when either
/// does not parse.
std::string mix_hex_percent(std::string_view a, std::string_view b, int t);

/// WCAG relative luminance, 0 (black) to 1 (white).
double relative_luminance(Colour colour);
/// WCAG contrast ratio of two colours, 1 to 21.
double contrast_ratio(Colour a, Colour b);
/// Whether text on this background reads as a dark theme: darker than
/// middle grey (CIE lightness below 50).
bool is_dark_background(Colour background);

}  // namespace themes
