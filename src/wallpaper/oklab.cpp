#include "wallpaper/oklab.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace wallpaper {
namespace {

// The sRGB transfer function, as a table for the 256 channel values.
const std::array<double, 256>& linear_table() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      t[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
  }();
  return table;
}

double encoded(double linear) {
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// OKLab to linear sRGB (Björn Ottosson's matrices).
std::array<double, 3> linear_rgb(double l, double a, double b) {
  const double l_ = l + 0.3963377774 * a + 0.2158037573 * b;
  const double m_ = l - 0.1055613458 * a - 0.0638541728 * b;
  const double s_ = l - 0.0894841775 * a - 1.2914855480 * b;
  const double L = l_ * l_ * l_, M = m_ * m_ * m_, S = s_ * s_ * s_;
  return {+4.0767416621 * L - 3.3077115913 * M + 0.2309699292 * S,
          -1.2684380046 * L + 2.6097574011 * M - 0.3413193965 * S,
          -0.0041960863 * L - 0.7034186147 * M + 1.7076147010 * S};
}

bool in_gamut(const std::array<double, 3>& rgb) {
  constexpr double kSlack = 1e-7;
  return std::all_of(rgb.begin(), rgb.end(), [](double c) { return c >= -kSlack && c <= 1 + kSlack; });
}

std::uint8_t channel(double linear) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(encoded(std::clamp(linear, 0.0, 1.0)), 0.0, 1.0) * 255));
}

}  // namespace

Lab to_oklab(themes::Colour colour) {
  const auto& lin = linear_table();
  const double r = lin[colour.red], g = lin[colour.green], b = lin[colour.blue];
  const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return Lab{0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
             1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
             0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

double lab_distance(const Lab& x, const Lab& y) { return std::hypot(x.l - y.l, x.a - y.a, x.b - y.b); }

double chroma(const Lab& lab) { return std::hypot(lab.a, lab.b); }

double hue_degrees(const Lab& lab) {
  const double h = std::atan2(lab.b, lab.a) * 180 / std::numbers::pi;
  return h < 0 ? h + 360 : h;
}

double hue_distance(double h1, double h2) {
  const double d = std::fmod(std::fabs(h1 - h2), 360.0);
  return d > 180 ? 360 - d : d;
}

themes::Colour oklch_colour(double lightness, double chroma_wanted, double hue) {
  lightness = std::clamp(lightness, 0.0, 1.0);
  const double radians = hue * std::numbers::pi / 180;
  const auto at = [&](double c) { return linear_rgb(lightness, c * std::cos(radians), c * std::sin(radians)); };
  auto rgb = at(chroma_wanted);
  if (!in_gamut(rgb)) {
    // Bisect the chroma: the grey of that lightness is always inside.
    double inside = 0, outside = chroma_wanted;
    for (int i = 0; i < 24; ++i) {
      const double middle = (inside + outside) / 2;
      (in_gamut(at(middle)) ? inside : outside) = middle;
    }
    rgb = at(inside);
  }
  return themes::Colour{channel(rgb[0]), channel(rgb[1]), channel(rgb[2])};
}

}  // namespace wallpaper
