#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sys/result.hpp"
#include "themes/kitty_index.hpp"
#include "themes/theme_definition.hpp"

namespace activation {

/// The eight files of a theme profile for `def`, as (file name, content)
/// in the order they are written.
std::vector<std::pair<std::string, std::string>> profile_files(const themes::ThemeDefinition& def);

/// Writes the profile files into `directory` (created with its missing
/// ancestors). An entry that already exists is never touched, so a user's
/// edits survive and regenerating an unchanged profile writes nothing.
/// Stops at the first failure and returns it.
sys::Result<void> generate_profile(const themes::ThemeDefinition& def, const std::filesystem::path& directory);

/// Makes sure the theme `name` has a profile directory in `themes_dir`,
/// generating the missing files of a built-in or index theme, and returns
/// its path.
sys::Result<std::filesystem::path> prepare_profile(const std::filesystem::path& themes_dir,
                                                   const themes::IndexCache& cache, const std::string& name);

}  // namespace activation
