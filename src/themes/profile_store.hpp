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
/// Whether listing may download a stale index first, or takes the cached
/// one as it is (the Switcher: the network never holds up its screen).
enum class IndexUse { RefreshIfStale, AsCached };

std::vector<ThemeEntry> list_themes(const std::filesystem::path& themes_dir, const IndexCache& cache, IndexUse use);

/// The name of the active theme, read through the current link.
std::optional<std::string> active_theme_name(const std::filesystem::path& themes_dir);

/// Whether `path` is a directory, following links.
bool is_directory(const std::filesystem::path& path);

/// A theme name is one plain path component: not empty, no separator,
/// not hidden (so neither "." nor ".."), not "current", and free of
/// control characters.
bool is_valid_theme_name(std::string_view name);

}  // namespace themes
