#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/file_plan.hpp"
#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/theme_definition.hpp"

namespace btop {

/// The 49-line btop theme file for a definition.
std::string btop_theme_text(const themes::ThemeDefinition& def);

/// btop.conf with its first `color_theme` setting pointing at our theme,
/// later ones dropped and one appended when there was none. Every other
/// byte is kept, line ends included; our line takes the file's line end.
std::string rewrite_btop_conf(std::string_view conf);

/// Whether `btop --version` output names a version that reloads its
/// configuration on SIGUSR2 (1.3.1 or later; older ones die of it).
bool btop_reloads_on_signal(std::string_view version_output);

/// The btop theme text a profile yields: generated from a complete
/// kitty.conf palette, else the profile's own btop.theme.
sys::Result<std::string> prepare_btop_theme(const std::filesystem::path& profile_dir);
/// The same from the texts of the profile's kitty.conf and btop.theme.
sys::Result<std::string> btop_theme_of(std::string_view kitty_conf, std::string_view own_theme);

/// The files that make `text` btop's theme: the theme file, and btop.conf
/// (read now) pointing at it. `config` is the user configuration directory.
sys::Result<std::vector<sys::FileWrite>> btop_writes(const std::filesystem::path& config, std::string_view text);

/// Installs `text` as btop's theme, points btop.conf at it and asks
/// running btop to reload. Success may carry a note for the outcome line.
/// `config` is the user configuration directory; without one it fails.
sys::Result<std::optional<std::string>> apply_btop_theme(sys::ProcessRunner& runner,
                                                         const std::optional<std::filesystem::path>& config,
                                                         std::string_view text);

/// Signals the user's running btop processes; a note when that could not
/// be done.
std::optional<std::string> notify_btop(sys::ProcessRunner& runner);

inline constexpr std::string_view kBtopNote = "btop theme saved; reopen btop to load it";

}  // namespace btop
