#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sys/file_plan.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"
#include "yazi/yazi.hpp"

namespace activation {

/// The files of a theme profile, by name, as an activation uses them.
using ProfileTexts = std::map<std::string, std::string, std::less<>>;

/// The names of a profile's files, in the order they are generated.
inline constexpr std::string_view kProfileFiles[] = {"kitty.conf", "hyprland.lua", "gtk.css",    "btop.theme",
                                                     "yazi.toml",  "yazi.tmTheme", "waybar.css", "vscode.json"};

/// Reads the profile `name` in `dir`. A file it lacks is generated, for
/// this activation only, from its kitty.conf palette when that is complete
/// (so a hand-made profile holding only kitty.conf themes the whole
/// desktop); the profile directory is never written. Without kitty.conf,
/// or with a file that cannot be read, it fails naming the file.
sys::Result<ProfileTexts> read_profile(const std::filesystem::path& dir, const std::string& name);

/// Everything an activation writes, worked out before anything is: what
/// the files hold now is read, nothing is changed.
struct ActivationPlan {
  /// The active directory, written before the current link turns to it.
  std::vector<sys::FileWrite> active;
  /// The user's own files (kitty.conf, the stylesheets, the editors'
  /// settings), after the link.
  std::vector<sys::FileWrite> desktop;
  std::vector<sys::FileWrite> btop;
  std::vector<sys::FileWrite> yazi;
  /// The active colors.conf: what running programs are told.
  std::string colour_text;
};

/// The plan for activating `profile` (named `name`) with the btop and Yazi
/// themes prepared from it. An error names its file.
sys::Result<ActivationPlan> plan_activation(const themes::Locations& where, const std::string& name,
                                            const ProfileTexts& profile, std::string_view btop_text,
                                            const yazi::PreparedYazi& yazi);

/// The check made before anything is written: every file of the plan can
/// be written as planned, and the current link is not blocked by a real
/// file or directory. The error names its file.
sys::Result<void> check_plan(const ActivationPlan& plan, const themes::Locations& where);

}  // namespace activation
