#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/process.hpp"
#include "sys/file_plan.hpp"
#include "sys/result.hpp"

namespace vscode {

/// The editors whose user settings carry the colour theme, in order.
inline constexpr std::string_view kEditorDirs[] = {"Code", "Code - OSS", "VSCodium"};

/// The colour theme a profile's vscode.json names, when its top-level
/// object has a string "workbench.colorTheme"; an error when the text is
/// not strict JSON. An empty text names nothing.
sys::Result<std::optional<std::string>> profile_colour_theme(std::string_view vscode_json);

/// The active vscode.json: the theme as a one-member object, or "{}".
std::string active_vscode_json(const std::optional<std::string>& theme);

/// A settings.json text with its top-level "workbench.colorTheme" set to
/// `theme`. Only the value (or the new member, right after the opening
/// brace) changes; comments, layout and trailing commas stay. Works on the
/// JSON-with-comments the editors accept, by tokens rather than a parse.
sys::Result<std::string> set_colour_theme(std::string_view settings, std::string_view theme);

/// Sets the theme in the user settings of every installed editor below
/// `config_root` (Code, Code - OSS, VSCodium, each only when its User
/// directory exists). Stops at the first error.
sys::Result<void> update_editor_settings(const std::filesystem::path& config_root, std::string_view theme);

/// The files of the VS Code step for a profile's vscode.json text: the
/// editors' settings naming its colour theme (read now; an error names the
/// file), and the active vscode.json.
sys::Result<std::vector<sys::FileWrite>> vscode_writes(std::string_view profile_vscode_json,
                                                       const std::filesystem::path& active_dir,
                                                       const std::filesystem::path& config_root);

/// The VS Code step of an activation: the profile's colour theme into the
/// editors' settings, and the active vscode.json.
sys::Result<void> apply_vscode_theme(const std::filesystem::path& profile_dir, const std::filesystem::path& active_dir,
                                     const std::filesystem::path& config_root);

/// The editor command that installs extensions: `code` when a directory of
/// `path` (PATH's value) holds a regular file of that name, else `codium`.
std::optional<std::string> editor_command(const std::optional<std::string>& path);

/// Starts one install per extension in its own process group, not waited
/// for; returns how many were started.
unsigned install_editor_extensions(sys::ProcessRunner& runner, const std::optional<std::string>& path,
                                   const std::vector<std::string_view>& extensions);

}  // namespace vscode
