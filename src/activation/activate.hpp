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

/// The desktop half of an activation: the active directory and its
/// baseline copies, kitty, Hyprland, GTK, waybar, the btop text, VS Code,
/// the theme name and the current link, then the reloads. Success may
/// carry a note for the outcome line.
sys::Result<std::optional<std::string>> apply_desktop(const themes::Environment& env, const themes::Locations& where,
                                                      sys::ProcessRunner& runner, std::string_view name,
                                                      const std::filesystem::path& profile_dir,
                                                      std::string_view btop_text);

/// The baseline copy of `name` in the active directory, made from
/// <themes>/current/<name> the first time it is needed and never rewritten.
sys::Result<std::filesystem::path> ensure_baseline(const std::filesystem::path& active_dir,
                                                   const std::filesystem::path& themes_dir, std::string_view name);

/// Points <themes>/current at ".active", replacing what is there in one step.
sys::Result<void> switch_current_link(const std::filesystem::path& themes_dir);

}  // namespace activation
