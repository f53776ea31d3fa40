#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "themes/kitty_index.hpp"
#include "themes/theme_entry.hpp"

namespace themes {

/// The themes the Switcher offers: the profiles in the themes directory,
/// then the built-in themes and the kitty themes index where no earlier
/// entry has the name; sorted by the bytes of the name. Never fails.
/// How the list is made.
enum class ListMode {
  /// A stale index is downloaded first, and every palette is read.
  Complete,
  /// For the Switcher, which must never wait: the cached index as it is,
  /// and each palette only named in `palette_file`, to be read with
  /// `read_palette` when the theme is shown.
  Lazy,
};

std::vector<ThemeEntry> list_themes(const std::filesystem::path& themes_dir, const IndexCache& cache, ListMode mode);

/// Reads the palette an entry names into it (a file that cannot be read
/// gives no colours); does nothing for an entry whose colours are known.
void read_palette(ThemeEntry& entry);

/// The name of the active theme, read through the current link.
std::optional<std::string> active_theme_name(const std::filesystem::path& themes_dir);

/// Whether `path` is a directory, following links.
bool is_directory(const std::filesystem::path& path);

/// A theme name is one plain path component: not empty, no separator,
/// not hidden (so neither "." nor ".."), not "current", and free of
/// control characters.
bool is_valid_theme_name(std::string_view name);

}  // namespace themes
