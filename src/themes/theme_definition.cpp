#include "themes/theme_definition.hpp"

namespace themes {

std::optional<ThemeDefinition> definition_from_palette(const std::string& name, const Palette& palette,
                                                       bool dark) {
  if (!palette.background || !palette.foreground || palette.colours.size() < 16) return std::nullopt;
  const Colour bg = *palette.background;
  const Colour fg = *palette.foreground;
  const auto& c = palette.colours;
  ThemeDefinition def;
  def.name = name;
  def.background = format_hex_colour(bg);
  def.base = format_hex_colour(mix_colour(bg, c[0], 0.35f));
  def.surface = format_hex_colour(mix_colour(bg, fg, 0.12f));
  def.foreground = format_hex_colour(fg);
  def.muted = format_hex_colour(mix_colour(fg, bg, 0.35f));
  def.accent = format_hex_colour(c[4]);
  def.cursor = format_hex_colour(fg);
  def.selection = format_hex_colour(mix_colour(bg, fg, 0.18f));
  for (std::size_t i = 0; i < 16; ++i) def.colours[i] = format_hex_colour(c[i]);
  def.vscode_theme = dark ? "Default Dark Modern" : "Default Light Modern";
  return def;
}

std::optional<ThemeDefinition> definition_from_kitty_conf(std::string_view kitty_conf) {
  return definition_from_palette("profile", parse_kitty_palette(kitty_conf), true);
}

}  // namespace themes
