#pragma once

#include <optional>
#include <string>
#include <vector>

#include "themes/colour.hpp"

namespace themes {

/// One row of the theme list.
struct ThemeEntry {
  std::string name;
  std::vector<Colour> colours{};
  std::optional<Colour> background{};
  std::optional<Colour> foreground{};
  /// For a theme of the kitty theme index that has no profile yet: its
  /// file in the index, under which its colours are fetched.
  std::optional<std::string> index_file{};
  bool operator==(const ThemeEntry&) const = default;
};

}  // namespace themes
