#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"

namespace activation {

/// Applies the theme `name` to every supported application. Success
/// carries the outcome line, failure the message line.
sys::Result<std::string> activate_theme(const themes::Environment& env, const themes::Locations& where,
                                        sys::ProcessRunner& runner, const std::string& name);

/// Points <themes>/current at ".active", replacing what is there in one step.
sys::Result<void> switch_current_link(const std::filesystem::path& themes_dir);

}  // namespace activation
