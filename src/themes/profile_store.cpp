#include "themes/profile_store.hpp"

namespace themes {

// The profile store is not built yet: no themes and no active theme.
std::vector<ThemeEntry> list_themes() { return {}; }

std::optional<std::string> active_theme_name() { return std::nullopt; }

}  // namespace themes
