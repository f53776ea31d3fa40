// The palette from any colours, in both variants: readable by construction
// whatever the picture, and colours 1 to 6 apart and of their ANSI hues.
#include <cstdlib>
#include <vector>

#include "themes/colour.hpp"
#include "wallpaper/picture_palette.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<themes::Colour> colours;
  for (std::size_t i = 0; i + 2 < size; i += 3) colours.push_back({data[i], data[i + 1], data[i + 2]});
  const auto clusters = wallpaper::quantize(colours, 24);
  for (const auto variant : {wallpaper::Variant::Dark, wallpaper::Variant::Light}) {
    const auto palette = wallpaper::palette_from_clusters(clusters, variant);
    if (palette.colours.size() != 16 || !palette.background || !palette.foreground) std::abort();
    const auto bg = *palette.background;
    const double lightness = wallpaper::to_oklab(bg).l;
    if (variant == wallpaper::Variant::Dark ? lightness >= 0.30 : lightness <= 0.85) std::abort();
    if (themes::contrast_ratio(*palette.foreground, bg) < 7) std::abort();
    for (std::size_t i = 1; i < 16; ++i)
      if (themes::contrast_ratio(palette.colours[i], bg) < (i == 8 ? 2.0 : 3.0)) std::abort();
    const themes::Colour pure[6] = {{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}};
    for (std::size_t i = 0; i < 6; ++i) {
      const auto lab = wallpaper::to_oklab(palette.colours[1 + i]);
      if (wallpaper::hue_distance(wallpaper::hue_degrees(lab), wallpaper::hue_degrees(wallpaper::to_oklab(pure[i]))) > 35)
        std::abort();
      for (std::size_t j = i + 1; j < 6; ++j)
        if (wallpaper::lab_distance(lab, wallpaper::to_oklab(palette.colours[1 + j])) < 0.08) std::abort();
    }
  }
  return 0;
}
