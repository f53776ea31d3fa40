#include "switcher/screen_colours.hpp"

#include <fmt/format.h>

#include "themes/colour.hpp"

namespace switcher {
namespace {

using themes::Colour;
using themes::contrast_ratio;

constexpr double kLabel = 4.5;
constexpr double kDim = 3.0;
constexpr double kBar = 1.3;

// A colour as drawn: where it comes from, and what it looks like.
struct Ink {
  std::string sgr;
  Colour rgb;
};

bool complete(const themes::Palette& palette) {
  return palette.background && palette.foreground && palette.colours.size() >= 16;
}

// The 256-colour palette's grey 237 (of the ramp 232 to 255), which themes
// do not set.
constexpr Colour kGrey237{58, 58, 58};

std::string foreground_sgr(Colour c) { return fmt::format("\x1b[38;2;{};{};{}m", c.red, c.green, c.blue); }
std::string background_sgr(Colour c) { return fmt::format("\x1b[48;2;{};{};{}m", c.red, c.green, c.blue); }

// `ink` where it reads at least `needed` on `behind`; else the least
// darkened or lightened version of it that does (or the better of black
// and white when none does).
Ink readable(Ink ink, Colour behind, double needed) {
  if (contrast_ratio(ink.rgb, behind) >= needed) return ink;
  const Colour poles[] = {{0, 0, 0}, {255, 255, 255}};
  for (int step = 1; step <= 20; ++step)
    for (const Colour pole : poles) {
      const Colour mixed = themes::mix_colour(ink.rgb, pole, static_cast<float>(step) / 20);
      if (contrast_ratio(mixed, behind) >= needed) return Ink{foreground_sgr(mixed), mixed};
    }
  const Colour best = contrast_ratio(poles[0], behind) > contrast_ratio(poles[1], behind) ? poles[0] : poles[1];
  return Ink{foreground_sgr(best), best};
}

struct Resolved {
  Ink dim, label, bright, accent, good, bad, bar, accent_on_bar, good_on_bar, inactive_tab;
  bool inactive_tab_bold = true;
  Colour background;
};

Resolved resolve(const themes::Palette& palette) {
  const auto& c = palette.colours;
  const Colour bg = *palette.background;
  const Colour fg = *palette.foreground;
  const ScreenColours usual;
  Resolved r{.dim = readable({usual.dim, c[8]}, bg, kDim),
             .label = readable({usual.label, c[7]}, bg, kLabel),
             .bright = {usual.bright, c[15]},
             .accent = readable({usual.accent, c[14]}, bg, kLabel),
             .good = readable({usual.good, c[10]}, bg, kLabel),
             .bad = readable({usual.bad, c[9]}, bg, kLabel),
             .bar = {usual.bar, kGrey237},
             .accent_on_bar = {},
             .good_on_bar = {},
             .inactive_tab = {},
             .background = bg};
  // The bar must stand apart from the list: towards the theme's own text
  // colour, just far enough.
  for (int step = 1; contrast_ratio(r.bar.rgb, bg) < kBar && step <= 20; ++step) {
    const Colour mixed = themes::mix_colour(bg, fg, static_cast<float>(step) / 20);
    r.bar = Ink{background_sgr(mixed), mixed};
  }
  r.bright = readable(r.bright, r.bar.rgb, kLabel);
  // The mark and the marker on the bar are not text to read: dim's figure.
  r.accent_on_bar = readable(r.accent, r.bar.rgb, kDim);
  r.good_on_bar = readable(r.good, r.bar.rgb, kDim);
  // The inactive tab must not look more selected than the active one.
  r.inactive_tab = r.dim;
  const double active = contrast_ratio(r.bright.rgb, r.bar.rgb);
  if (contrast_ratio(r.inactive_tab.rgb, bg) > active) {
    r.inactive_tab_bold = false;
    for (int step = 1; step <= 20 && contrast_ratio(r.inactive_tab.rgb, bg) > active; ++step) {
      const Colour softer = themes::mix_colour(r.dim.rgb, bg, static_cast<float>(step) / 20);
      if (contrast_ratio(softer, bg) < kDim) break;
      r.inactive_tab = Ink{foreground_sgr(softer), softer};
    }
  }
  return r;
}

}  // namespace

ScreenColours readable_colours(const themes::Palette& palette) {
  if (!complete(palette)) return ScreenColours{};
  const Resolved r = resolve(palette);
  return ScreenColours{.dim = r.dim.sgr,
                       .label = r.label.sgr,
                       .bright = r.bright.sgr,
                       .accent = r.accent.sgr,
                       .good = r.good.sgr,
                       .bad = r.bad.sgr,
                       .bar = r.bar.sgr,
                       .accent_on_bar = r.accent_on_bar.sgr,
                       .good_on_bar = r.good_on_bar.sgr,
                       .inactive_tab = r.inactive_tab.sgr,
                       .inactive_tab_bold = r.inactive_tab_bold};
}

std::vector<ElementContrast> element_contrasts(const themes::Palette& palette) {
  if (!complete(palette)) return {};
  const Resolved r = resolve(palette);
  const Colour bg = r.background;
  return {
      {"list label", contrast_ratio(r.label.rgb, bg), kLabel},
      {"success status and active marker", contrast_ratio(r.good.rgb, bg), kLabel},
      {"error status", contrast_ratio(r.bad.rgb, bg), kLabel},
      {"filter and wallpaper name", contrast_ratio(r.accent.rgb, bg), kLabel},
      {"hints, rules, colour summary", contrast_ratio(r.dim.rgb, bg), kDim},
      {"inactive tab", contrast_ratio(r.inactive_tab.rgb, bg), kDim},
      {"highlight bar against the list", contrast_ratio(r.bar.rgb, bg), kBar},
      {"highlighted label and active tab", contrast_ratio(r.bright.rgb, r.bar.rgb), kLabel},
      {"highlight mark on the bar", contrast_ratio(r.accent_on_bar.rgb, r.bar.rgb), kDim},
      {"active marker on the bar", contrast_ratio(r.good_on_bar.rgb, r.bar.rgb), kDim},
      {"active tab over the inactive one", contrast_ratio(r.bright.rgb, r.bar.rgb) / contrast_ratio(r.inactive_tab.rgb, bg),
       1.0},
  };
}

}  // namespace switcher
