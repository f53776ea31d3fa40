#pragma once

#include "themes/colour.hpp"

namespace wallpaper {

/// A colour in OKLab: perceptual lightness 0 to 1 and two opponent axes.
struct Lab {
  double l = 0;
  double a = 0;
  double b = 0;
};

Lab to_oklab(themes::Colour colour);
/// Euclidean distance in OKLab.
double lab_distance(const Lab& x, const Lab& y);
/// OKLCH chroma and hue (degrees, 0 to 360).
double chroma(const Lab& lab);
double hue_degrees(const Lab& lab);
/// The distance between two hues, 0 to 180 degrees.
double hue_distance(double h1, double h2);

/// The sRGB colour of OKLCH (lightness, chroma, hue): where it lies
/// outside sRGB, the chroma is reduced at the same lightness and hue until
/// it fits.
themes::Colour oklch_colour(double lightness, double chroma, double hue);

}  // namespace wallpaper
