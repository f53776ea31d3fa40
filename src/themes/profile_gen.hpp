#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sys/result.hpp"
#include "themes/theme_definition.hpp"

namespace themes {

/// The eight files of a theme profile for `def`, as (file name, content)
/// in the order they are written.
std::vector<std::pair<std::string, std::string>> profile_files(const ThemeDefinition& def);

/// Writes the profile files into `directory` (created with its missing
/// ancestors). An entry that already exists is never touched, so a user's
/// edits survive and regenerating an unchanged profile writes nothing.
/// Stops at the first failure and returns it.
sys::Result<void> generate_profile(const ThemeDefinition& def, const std::filesystem::path& directory);

}  // namespace themes
