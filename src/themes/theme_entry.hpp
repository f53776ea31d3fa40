#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "themes/palette.hpp"

namespace themes {

/// Where a theme of the list comes from.
enum class ThemeSource { Profile, Builtin, Index };

/// One row of the theme list.
struct ThemeEntry {
  std::string name;
  std::vector<Colour> colours{};
  std::optional<Colour> background{};
  std::optional<Colour> foreground{};
  std::optional<Colour> cursor{};
  std::optional<Colour> selection_background{};
  std::optional<Colour> selection_foreground{};
  /// For a theme of the kitty theme index that has no profile yet: its
  /// file in the index, under which its colours are fetched.
  std::optional<std::string> index_file{};
  /// The file the colours are still to be read from, when the list was
  /// made without reading them (`read_palette` reads it). A plain string:
  /// lists may hold thousands of entries.
  std::optional<std::string> palette_file{};
  ThemeSource source = ThemeSource::Profile;
  /// Whether the theme is dark, where its origin says (the kitty themes
  /// index does; for the others it follows from the background).
  std::optional<bool> is_dark{};

  /// Takes the colours of `palette`.
  void take_palette(Palette palette) {
    colours = std::move(palette.colours);
    background = palette.background;
    foreground = palette.foreground;
    cursor = palette.cursor;
    selection_background = palette.selection_background;
    selection_foreground = palette.selection_foreground;
  }
  /// The colours as a palette.
  Palette palette() const {
    return Palette{colours, background, foreground, cursor, selection_background, selection_foreground};
  }
  bool operator==(const ThemeEntry&) const = default;
};

}  // namespace themes
