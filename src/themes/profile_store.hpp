#pragma once

#include <optional>
#include <string>
#include <vector>

#include "themes/theme_entry.hpp"

namespace themes {

/// The themes the Switcher offers, sorted by name. Never fails.
std::vector<ThemeEntry> list_themes();

/// The name of the active theme, if any.
std::optional<std::string> active_theme_name();

}  // namespace themes
