#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "themes/colour.hpp"

namespace themes {

/// The colours a kitty.conf text defines: terminal colours 0 to 15 in
/// index order (undefined ones left out), background and foreground.
struct Palette {
  std::vector<Colour> colours;
  std::optional<Colour> background;
  std::optional<Colour> foreground;
  bool operator==(const Palette&) const = default;
};

/// Reads the palette of a kitty.conf text. Never fails: lines it cannot
/// use are skipped.
Palette parse_kitty_palette(std::string_view text);

/// True for a kitty.conf line whose key is a colour setting (the value is
/// not examined).
bool is_kitty_colour_line(std::string_view line);

/// True for a stylesheet line worth keeping among colour declarations:
/// @define-color lines, colour properties, selectors and braces.
bool is_css_colour_line(std::string_view line);

/// The lines of `text`, in order, that equal no line of `other`.
std::vector<std::string> lines_not_in(std::string_view text, std::string_view other);

}  // namespace themes
