#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "themes/theme_entry.hpp"

namespace themes {

/// The themes the Switcher offers: the profiles in the themes directory,
/// then the built-in themes and the kitty themes index where no earlier
/// entry has the name; sorted by the bytes of the name. Never fails.
std::vector<ThemeEntry> list_themes();

/// The name of the active theme, read through the current link.
std::optional<std::string> active_theme_name();

/// A theme name is one plain path component: not empty, no separators
/// but a trailing one, not "." or "..", not hidden, not "current", and
/// free of control characters.
bool is_valid_theme_name(std::string_view name);

/// Makes sure the theme `name` has a profile directory, generating the
/// missing files of a built-in or index theme, and returns its path.
sys::Result<std::filesystem::path> prepare_profile(const std::string& name);

}  // namespace themes
