#include "switcher/screen_colours.hpp"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "themes/builtin_themes.hpp"

namespace {

namespace fs = std::filesystem;
using switcher::readable_colours;
using switcher::ScreenColours;

themes::Palette palette_of(const themes::BuiltinTheme& theme) {
  themes::Palette palette;
  for (const auto colour : theme.colours) palette.colours.push_back(*themes::parse_hex_colour(colour));
  palette.background = themes::parse_hex_colour(theme.background);
  palette.foreground = themes::parse_hex_colour(theme.foreground);
  return palette;
}

// Every palette we can find: the nine built-ins and the real collection.
std::vector<std::pair<std::string, themes::Palette>> all_palettes() {
  std::vector<std::pair<std::string, themes::Palette>> out;
  for (const auto& theme : themes::builtin_themes()) out.emplace_back(theme.slug, palette_of(theme));
  if (const auto data = testing_support::data_dir("kitty-themes/themes")) {
    for (const auto& file : fs::directory_iterator(*data)) {
      std::ifstream in(file.path());
      std::stringstream text;
      text << in.rdbuf();
      out.emplace_back(file.path().filename().string(), themes::parse_kitty_palette(text.str()));
    }
  }
  return out;
}

TEST(ScreenColours, EveryElementIsReadableOnEveryKnownPalette) {
  std::size_t checked = 0;
  for (const auto& [name, palette] : all_palettes()) {
    const auto contrasts = switcher::element_contrasts(palette);
    if (contrasts.empty()) continue;  // an incomplete palette: drawn as usual
    ++checked;
    for (const auto& element : contrasts)
      EXPECT_GE(element.contrast, element.needed) << name << ": " << element.element;
  }
  EXPECT_GE(checked, 9u);
  if (!testing_support::data_dir("kitty-themes/themes")) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
}

TEST(ScreenColours, OnlyWhatFailsIsChanged) {
  // Dracula's palette reads well with the usual colours but for the bar.
  const ScreenColours dracula = readable_colours(palette_of(*themes::find_builtin_theme("dracula")));
  ScreenColours usual;
  EXPECT_EQ(dracula.label, usual.label);
  EXPECT_EQ(dracula.dim, usual.dim);
  EXPECT_EQ(dracula.good, usual.good);
  EXPECT_EQ(dracula.bright, usual.bright);
  // Solarized Dark's colour 8 is its background: the dim text gets a colour of its own.
  const ScreenColours solarized = readable_colours(palette_of(*themes::find_builtin_theme("solarized-dark")));
  EXPECT_NE(solarized.dim, usual.dim);
  EXPECT_TRUE(solarized.dim.starts_with("\x1b[38;2;"));
  // A light theme: its light grey 7 would vanish on the background.
  const ScreenColours latte = readable_colours(palette_of(*themes::find_builtin_theme("catppuccin-latte")));
  EXPECT_NE(latte.label, usual.label);
  EXPECT_EQ(latte.bar, usual.bar) << "the usual dark bar stands well apart from a light background";
  // Unknown or incomplete: the usual colours.
  themes::Palette eight = palette_of(*themes::find_builtin_theme("nord"));
  eight.colours.resize(8);
  EXPECT_EQ(readable_colours(eight), usual);
  EXPECT_EQ(readable_colours({}), usual);
}

}  // namespace
