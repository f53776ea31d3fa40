#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "themes/palette.hpp"

namespace themes {

/// The full colour description of a theme, from which a profile is
/// generated. Colours are texts, normally lower-case "#rrggbb", written
/// into the generated files as they are.
struct ThemeDefinition {
  std::string name;
  std::string background;
  std::string base;
  std::string surface;
  std::string foreground;
  std::string muted;
  std::string accent;
  std::string cursor;
  std::string selection;
  std::array<std::string, 16> colours;
  std::string vscode_theme;
  std::vector<std::pair<std::string, std::string>> vscode_settings;
};

/// A definition derived from a terminal palette, which must have a
/// background, a foreground and all sixteen colours.
std::optional<ThemeDefinition> definition_from_palette(const std::string& name, const Palette& palette,
                                                       bool dark);

/// The definition of a profile's kitty.conf text, for the steps that only
/// need its colours (the name and dark flag do not matter there).
std::optional<ThemeDefinition> definition_from_kitty_conf(std::string_view kitty_conf);

}  // namespace themes
