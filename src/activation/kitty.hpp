#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
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

/// Makes the user's kitty.conf include the current profile (written only
/// when it does not yet).
sys::Result<void> ensure_kitty_include(const std::filesystem::path& config_root);

/// Whether the terminal we run in is kitty itself, as far as the
/// environment tells: TERM is kitty's and a kitty window id is set, not
/// through tmux. An xterm or an editor's terminal started from a kitty
/// shell inherits the window id, never TERM.
bool runs_in_kitty(const themes::Environment& env);

/// Whether `kitty @` without `--to` can reach the kitty we run in: where
/// kitty told us its socket, or on the terminal when that is kitty itself.
/// Elsewhere the command waits for an answer that never comes.
bool can_recolour_own_window(const themes::Environment& env);

/// The remote-control message that gives a kitty the colours of a
/// colors.conf text, everywhere and as configured (what `kitty @ set-colors
/// --all --configured` sends): kitty's JSON command in its DCS string.
std::string kitty_set_colors_message(std::string_view colour_text);

/// What kitty's answer to a remote-control message says: success, or its
/// error ("kitty: Remote control is disabled", no answer at all).
sys::Result<void> kitty_reply(std::string_view answer);

/// The time every `kitty @` call of an activation gets.
inline constexpr std::chrono::seconds kRemoteControlLimit{5};

/// The command that recolours the kitty window the Switcher runs in (and
/// every window of that kitty), where it can reach it.
std::optional<sys::Command> own_window_command(const themes::Environment& env, const std::filesystem::path& colors);

/// The command that recolours the kitty listening on `socket` (a path, or
/// an abstract name starting with '@'), its error output captured.
sys::Command kitty_at_socket_command(const std::string& socket, const std::filesystem::path& colors);

/// The command for the launcher's kitty; nothing when its socket does not
/// exist (or, in the world-writable /tmp, is not the user's), an error
/// when that cannot be told.
sys::Result<std::optional<sys::Command>> launcher_command(const themes::Locations& where, unsigned uid,
                                                          const std::filesystem::path& colors);

/// What a `kitty @` run came to: success, or why not ("Kitty exited with
/// exit status: 1: ...", a start error, no answer in time).
sys::Result<void> kitty_answer(const sys::Result<std::optional<sys::Output>>& done);

}  // namespace activation
