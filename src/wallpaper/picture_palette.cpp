#include "wallpaper/picture_palette.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <nlohmann/json.hpp>

#include "sys/text.hpp"
#include "wallpaper/oklab.hpp"
#include "wallpaper/picture_pixels.hpp"

namespace wallpaper {
namespace {

using themes::Colour;

// A colour being worked out, in OKLCH.
struct Lch {
  double l = 0;
  double c = 0;
  double h = 0;
};

Lch lch_of(const Lab& lab) { return Lch{lab.l, chroma(lab), hue_degrees(lab)}; }
Colour colour_of(const Lch& x) { return oklch_colour(x.l, x.c, x.h); }

// The OKLCH hues of pure sRGB red, green, yellow, blue, magenta and cyan:
// what colours 1 to 6 must stay near.
const std::array<double, 6>& ansi_hues() {
  static const std::array<double, 6> hues = [] {
    const std::array<Colour, 6> pure{
        {{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}}};
    std::array<double, 6> h{};
    for (std::size_t i = 0; i < 6; ++i) h[i] = hue_degrees(to_oklab(pure[i]));
    return h;
  }();
  return hues;
}

constexpr double kAnsiHueLimit = 35;
// Kept well inside the limit, so that rounding to 8 bits never crosses it.
constexpr double kAnsiHueKept = 20;
constexpr double kMinDistance = 0.08;

struct Plan {
  bool dark;
  Colour background;
  double neutral_hue;
  double neutral_chroma;
};

// Lightness moved away from the background in small steps until the
// colour reads at `ratio` on it; at the far end it is black or white,
// which always does on these backgrounds.
Colour readable(Lch x, const Plan& plan, double ratio) {
  for (;;) {
    const Colour c = colour_of(x);
    if (themes::contrast_ratio(c, plan.background) >= ratio) return c;
    if (plan.dark ? x.l >= 1 : x.l <= 0) return c;
    x.l = std::clamp(x.l + (plan.dark ? 0.01 : -0.01), 0.0, 1.0);
  }
}

// Turns `hue` towards `target` until it is within `limit` degrees.
double hue_towards(double hue, double target, double limit) {
  double delta = std::remainder(hue - target, 360.0);
  delta = std::clamp(delta, -limit, limit);
  const double h = std::fmod(target + delta + 360.0, 360.0);
  return h;
}

// The most colourful cluster with a fair share of the picture: its accent.
std::optional<Lch> accent_of(const std::vector<Cluster>& clusters) {
  std::optional<Lch> best;
  double best_score = 0;
  for (const auto& cluster : clusters) {
    const Lch x = lch_of(cluster.centre);
    if (x.c < 0.03) continue;
    const double score = x.c * std::sqrt(cluster.population);
    if (score > best_score) {
      best_score = score;
      best = x;
    }
  }
  return best;
}

// Colours 1 to 6 as OKLCH: each from the cluster nearest its hue, else
// the accent turned to it; lightness and chroma kept in the variant's range.
std::array<Lch, 6> ansi_colours(const std::vector<Cluster>& clusters, const Plan& plan) {
  // A picture without any colour still gets a usable accent.
  const Lch accent = accent_of(clusters).value_or(Lch{0.65, 0.12, 250});
  std::array<Lch, 6> out{};
  for (std::size_t i = 0; i < 6; ++i) {
    const double target = ansi_hues()[i];
    std::optional<Lch> nearest;
    for (const auto& cluster : clusters) {
      const Lch x = lch_of(cluster.centre);
      if (x.c < 0.05 || hue_distance(x.h, target) > kAnsiHueLimit) continue;
      if (!nearest || hue_distance(x.h, target) < hue_distance(nearest->h, target)) nearest = x;
    }
    Lch x = nearest.value_or(Lch{accent.l, accent.c, target});
    x.h = hue_towards(x.h, target, kAnsiHueKept);
    x.c = std::clamp(x.c, 0.10, 0.22);
    x.l = plan.dark ? std::clamp(x.l, 0.66, 0.84) : std::clamp(x.l, 0.42, 0.58);
    out[i] = x;
  }
  return out;
}

double distance(Colour x, Colour y) { return lab_distance(to_oklab(x), to_oklab(y)); }

// Colours 1 to 6, readable and apart: the closest pair is moved apart
// (hues to their exact targets, more chroma, then the one farther from the
// background farther still) until no two are within `kMinDistance`.
std::array<Colour, 6> separated(std::array<Lch, 6> wanted, const Plan& plan) {
  std::array<Colour, 6> colours{};
  for (int attempt = 0; attempt < 200; ++attempt) {
    for (std::size_t i = 0; i < 6; ++i) colours[i] = readable(wanted[i], plan, 3.0);
    std::size_t first = 0, second = 0;
    double closest = 1e9;
    for (std::size_t i = 0; i < 6; ++i)
      for (std::size_t j = i + 1; j < 6; ++j)
        if (const double d = distance(colours[i], colours[j]); d < closest) {
          closest = d;
          first = i;
          second = j;
        }
    if (closest >= kMinDistance) break;
    for (const std::size_t k : {first, second}) {
      wanted[k].l = to_oklab(colours[k]).l;  // where readability put it
      wanted[k].h = hue_towards(wanted[k].h, ansi_hues()[k], std::max(0.0, kAnsiHueKept - 5 * attempt));
      wanted[k].c = std::min(wanted[k].c + 0.01, 0.3);
    }
    const bool first_farther = plan.dark ? wanted[first].l >= wanted[second].l : wanted[first].l <= wanted[second].l;
    Lch& farther = first_farther ? wanted[first] : wanted[second];
    farther.l = std::clamp(farther.l + (plan.dark ? 0.02 : -0.02), 0.0, 1.0);
  }
  return colours;
}

}  // namespace

std::string_view variant_name(Variant variant) { return variant == Variant::Dark ? "dark" : "light"; }

themes::Palette palette_from_clusters(const std::vector<Cluster>& clusters, Variant variant) {
  const bool dark = variant == Variant::Dark;
  // The dominant colour, grey when the picture has nothing.
  const Lch dominant = clusters.empty() ? Lch{0.5, 0, 0} : lch_of(clusters.front().centre);
  const double tint = std::min(dominant.c, 0.02);
  Plan plan{dark, {}, dominant.h, tint};
  const Lch background = dark ? Lch{std::clamp(dominant.l, 0.14, 0.24), std::min(dominant.c, 0.04), dominant.h}
                              : Lch{std::clamp(dominant.l, 0.92, 0.97), std::min(dominant.c, 0.03), dominant.h};
  plan.background = colour_of(background);
  const auto neutral = [&](double lightness, double ratio) {
    return readable(Lch{lightness, plan.neutral_chroma, plan.neutral_hue}, plan, ratio);
  };

  themes::Palette palette;
  palette.colours.resize(16);
  const std::array<Lch, 6> wanted = ansi_colours(clusters, plan);
  const std::array<Colour, 6> normal = separated(wanted, plan);
  for (std::size_t i = 0; i < 6; ++i) {
    palette.colours[1 + i] = normal[i];
    Lch bright = lch_of(to_oklab(normal[i]));
    bright.h = wanted[i].h;
    bright.l = std::clamp(bright.l + (dark ? 0.08 : -0.08), 0.0, 1.0);
    bright.c = std::max(bright.c, wanted[i].c);
    palette.colours[9 + i] = readable(bright, plan, 3.0);
  }
  const double base_l = background.l;
  palette.colours[0] = colour_of(Lch{dark ? base_l + 0.10 : 0.30, tint, dominant.h});
  palette.colours[8] = neutral(dark ? base_l + 0.26 : 0.62, 2.0);
  palette.colours[7] = neutral(dark ? 0.80 : 0.50, 3.0);
  palette.colours[15] = neutral(dark ? 0.93 : 0.40, 3.0);
  palette.background = plan.background;
  palette.foreground = neutral(dark ? 0.92 : 0.26, 7.0);
  // What a theme generated from this palette gets, so that what is shown
  // is what is applied.
  palette.cursor = palette.foreground;
  palette.selection_foreground = palette.foreground;
  palette.selection_background = themes::mix_colour(*palette.background, *palette.foreground, 0.18f);
  return palette;
}

Variant nearer_variant(const std::vector<Cluster>& clusters) {
  double lightness = 0, total = 0;
  for (const auto& cluster : clusters) {
    lightness += cluster.centre.l * cluster.population;
    total += cluster.population;
  }
  // Halfway between the lightness of a dark and a light background.
  return total > 0 && lightness / total > 0.57 ? Variant::Light : Variant::Dark;
}

sys::Result<PictureColours> picture_colours(const std::filesystem::path& path) {
  auto samples = read_picture_samples(path);
  if (!samples) return samples.error();
  const auto clusters = quantize(samples.value(), 24);
  return PictureColours{palette_from_clusters(clusters, Variant::Dark), palette_from_clusters(clusters, Variant::Light),
                        nearer_variant(clusters)};
}

sys::Result<themes::Palette> wallpaper_palette(const std::filesystem::path& path, Variant variant) {
  auto colours = picture_colours(path);
  if (!colours) return colours.error();
  return colours.value().of(variant);
}

std::string wallpaper_theme_name(std::string_view file_name, Variant variant) {
  const std::string name = sys::lossy_utf8(file_name);
  const auto dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  // Lower case, with words joined by "-": no space, control character or
  // separator a theme name or a shell would trip over.
  std::string slug;
  for (const char c : stem) {
    const auto byte = static_cast<unsigned char>(c);
    const bool separator = byte < 0x20 || byte == 0x7f || c == ' ' || c == '_' || c == '-' || c == '\t';
    if (separator) {
      if (!slug.empty() && slug.back() != '-') slug += '-';
    } else {
      slug += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
  }
  // C1 controls are two bytes in UTF-8 (U+0080 to U+009F).
  std::string clean;
  for (std::size_t i = 0; i < slug.size(); ++i) {
    if (static_cast<unsigned char>(slug[i]) == 0xc2 && i + 1 < slug.size() &&
        static_cast<unsigned char>(slug[i + 1]) <= 0x9f) {
      ++i;
      if (!clean.empty() && clean.back() != '-') clean += '-';
      continue;
    }
    clean += slug[i];
  }
  while (!clean.empty() && clean.back() == '-') clean.pop_back();
  if (clean.empty()) clean = "picture";
  return fmt::format("wallpaper-{}-{}", clean, variant_name(variant));
}

namespace {

std::vector<std::pair<std::string, Colour>> palette_keys(const themes::Palette& palette) {
  std::vector<std::pair<std::string, Colour>> keys;
  const auto add = [&](std::string key, const std::optional<Colour>& colour) {
    if (colour) keys.emplace_back(std::move(key), *colour);
  };
  add("foreground", palette.foreground);
  add("background", palette.background);
  add("cursor", palette.cursor);
  add("selection_foreground", palette.selection_foreground);
  add("selection_background", palette.selection_background);
  for (std::size_t i = 0; i < palette.colours.size(); ++i) add(fmt::format("color{}", i), palette.colours[i]);
  return keys;
}

}  // namespace

std::string palette_lines(const themes::Palette& palette) {
  std::string out;
  for (const auto& [key, colour] : palette_keys(palette))
    out += fmt::format("{} {}\n", key, themes::format_hex_colour(colour));
  return out;
}

std::string palette_json(const themes::Palette& palette) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const auto& [key, colour] : palette_keys(palette)) object[key] = themes::format_hex_colour(colour);
  return object.dump(2) + "\n";
}

}  // namespace wallpaper
