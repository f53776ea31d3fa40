#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"

namespace activation {

/// The colour lines of a kitty configuration, each ended by a line feed
/// ("\n" when there are none).
std::string kitty_colour_text(std::string_view kitty_conf);

/// The active kitty.conf: the baseline settings without the baseline's
/// colour lines, then the profile's colour text.
std::string active_kitty_conf(std::string_view baseline, std::string_view colour_text);

/// Whether the user's kitty.conf already includes the current profile.
bool has_kitty_include(std::string_view kitty_conf);
/// The user's kitty.conf with the include block appended.
std::string with_kitty_include(std::string_view kitty_conf);

/// Writes colors.conf and kitty.conf into the active directory from the
/// profile's kitty.conf and the kitty baseline copy; returns the colour
/// text of the profile.
sys::Result<std::string> write_kitty_files(const std::filesystem::path& profile_dir,
                                           const std::filesystem::path& active_dir,
                                           const std::filesystem::path& baseline);

/// Makes the user's kitty.conf include the current profile (written only
/// when it does not yet).
sys::Result<void> ensure_kitty_include(const std::filesystem::path& config_root);

/// Whether `kitty @` without `--to` can reach the kitty we run in: only
/// inside kitty itself, where it listens or, outside tmux, answers on the
/// terminal. Elsewhere the command waits long for an answer that never
/// comes.
bool can_recolour_own_window(const themes::Environment& env);

/// Recolours the kitty window the Switcher runs in; the outcome is ignored.
void recolour_own_window(const themes::Environment& env, sys::ProcessRunner& runner,
                         const std::filesystem::path& colors);

/// The launcher's kitty socket: app-launcher-kitty.sock in XDG_RUNTIME_DIR,
/// or in /tmp.
std::filesystem::path launcher_socket(const themes::Environment& env);

/// Recolours the launcher's kitty, when its socket exists.
sys::Result<void> refresh_launcher_kitty(const themes::Environment& env, sys::ProcessRunner& runner,
                                         const std::filesystem::path& colors);

}  // namespace activation
