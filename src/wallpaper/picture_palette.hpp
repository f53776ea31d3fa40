#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "themes/palette.hpp"
#include "wallpaper/quantize.hpp"

namespace wallpaper {

/// Whether a theme made from a picture is dark or light.
enum class Variant { Dark, Light };

/// "dark" or "light".
std::string_view variant_name(Variant variant);

/// A full terminal palette from a picture's clusters (most populous first):
/// colours 1 to 6 keep the ANSI hues (each within 35° of pure sRGB red,
/// green, yellow, blue, magenta and cyan in OKLCH), from the clusters
/// nearest each hue or else the picture's accent turned to it; 9 to 14
/// brighter (dark) or deeper (light) forms of them; 0, 7, 8 and 15 neutrals
/// tinted with the dominant hue. The background has the dominant colour's
/// hue and an OKLab lightness below 0.30 (dark) or above 0.85 (light). Its
/// readability holds by construction: foreground at least 7:1 on the
/// background, colours 1 to 7 and 9 to 15 at least 3:1, colour 8 at least
/// 2:1, no two of 1 to 6 closer than 0.08 in OKLab. The cursor and the
/// selection colours are those a theme generated from it gets.
themes::Palette palette_from_clusters(const std::vector<Cluster>& clusters, Variant variant);

/// The variant nearer the picture's own lightness.
Variant nearer_variant(const std::vector<Cluster>& clusters);

/// Both palettes of one picture, and the variant nearer its lightness.
struct PictureColours {
  themes::Palette dark;
  themes::Palette light;
  Variant nearer = Variant::Dark;
  const themes::Palette& of(Variant variant) const { return variant == Variant::Dark ? dark : light; }
};

/// The colours of the picture at `path`; one line on failure
/// ("cannot read colours from FILE: …").
sys::Result<PictureColours> picture_colours(const std::filesystem::path& path);

/// The palette of the picture at `path` for `variant`.
sys::Result<themes::Palette> wallpaper_palette(const std::filesystem::path& path, Variant variant);

/// The theme name a picture's palette is saved under:
/// "wallpaper-<the file's stem, as a theme name>-<variant>".
std::string wallpaper_theme_name(std::string_view file_name, Variant variant);

/// The palette as kitty.conf colour lines (foreground, background, cursor,
/// selection colours, color0 to color15), or as a JSON object of the same
/// keys.
std::string palette_lines(const themes::Palette& palette);
std::string palette_json(const themes::Palette& palette);

}  // namespace wallpaper
