#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "themes/colour.hpp"

namespace themes {

/// The colours a kitty.conf text defines: terminal colours 0 to 15 in
/// index order (undefined ones left out), background and foreground, and
/// the cursor and selection colours.
struct Palette {
  std::vector<Colour> colours;
  std::optional<Colour> background;
  std::optional<Colour> foreground;
  std::optional<Colour> cursor{};
  std::optional<Colour> selection_background{};
  std::optional<Colour> selection_foreground{};
  bool operator==(const Palette&) const = default;
};

/// Reads the palette of a kitty.conf text. Never fails: lines it cannot
/// use are skipped.
Palette parse_kitty_palette(std::string_view text);

/// Every colour a terminal takes through escape sequences, as a kitty.conf
/// text defines them; an undefined one (or "none") is nothing.
struct TerminalColours {
  std::array<std::optional<Colour>, 16> palette{};
  std::optional<Colour> foreground{};
  std::optional<Colour> background{};
  std::optional<Colour> cursor{};
  std::optional<Colour> selection_background{};
  std::optional<Colour> selection_foreground{};
};
TerminalColours read_terminal_colours(std::string_view kitty_conf);
/// The colours of a palette, for the sequences below.
TerminalColours terminal_colours_of(const Palette& palette);

/// The escape sequences that give a terminal window these colours: palette
/// (OSC 4), foreground, background, cursor (OSC 10 to 12) and selection
/// (OSC 17, 19), each ended by ST, a missing colour left out. Empty when no
/// colour is defined.
std::string terminal_colour_sequences(const TerminalColours& colours);

/// True for a kitty.conf line whose key is a colour setting (the value is
/// not examined).
bool is_kitty_colour_line(std::string_view line);

/// True for a stylesheet line worth keeping among colour declarations:
/// @define-color lines, colour properties, selectors and braces.
bool is_css_colour_line(std::string_view line);

/// The lines of `text`, in order, that equal no line of `other`.
std::vector<std::string> lines_not_in(std::string_view text, std::string_view other);

}  // namespace themes
