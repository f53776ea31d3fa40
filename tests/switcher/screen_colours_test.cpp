#include "switcher/screen_colours.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "themes/builtin_themes.hpp"

namespace {

namespace fs = std::filesystem;

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
      out.emplace_back(file.path().filename().string(),
                       themes::parse_kitty_palette(testing_support::read_text(file.path())));
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

TEST(ScreenColours, UsualColoursWhereTheyReadAndOnAnIncompletePalette) {
  // A dark theme whose palette colours read well keeps the usual ones, the
  // inactive tab bold as ever.
  const auto mocha = palette_of(*themes::find_builtin_theme("catppuccin-mocha"));
  const auto drawn = switcher::readable_colours(mocha);
  EXPECT_EQ(drawn.label, switcher::ScreenColours{}.label);
  EXPECT_TRUE(drawn.inactive_tab_bold);
  // Without all of its sixteen colours, background and foreground nothing
  // is known: the usual colours.
  auto fifteen = mocha, no_background = mocha, no_foreground = mocha;
  fifteen.colours.pop_back();
  no_background.background.reset();
  no_foreground.foreground.reset();
  for (const auto& incomplete : {fifteen, no_background, no_foreground})
    EXPECT_EQ(switcher::readable_colours(incomplete), switcher::ScreenColours{});
}

}  // namespace
