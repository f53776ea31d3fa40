#pragma once

#include <cstddef>
#include <vector>

#include "themes/colour.hpp"
#include "wallpaper/oklab.hpp"

namespace wallpaper {

/// One group of a picture's colours.
struct Cluster {
  Lab centre;             ///< the mean of its colours, in OKLab
  double population = 0;  ///< the share of the colours it holds, 0 to 1
};

/// Groups `colours` into at most `count` clusters: Wu's variance-splitting
/// quantizer on a 32-level RGB histogram gives the starting centres, then a
/// few k-means rounds in OKLab move them to where the colours are. The
/// clusters come most populous first; empty ones are left out, so a
/// single-colour picture gives one.
std::vector<Cluster> quantize(const std::vector<themes::Colour>& colours, std::size_t count);

}  // namespace wallpaper
