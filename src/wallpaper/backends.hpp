#pragma once

#include <string>
#include <vector>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"
#include "wallpaper/wallpaper.hpp"

namespace wallpaper {

/// Whether `program` could be started and exited with status 0.
bool command_succeeds(sys::ProcessRunner& runner, const std::string& program, const std::vector<std::string>& args);

/// Runs a daemon client; on failure the first non-blank line of its
/// standard error, or "wallpaper command failed".
sys::Result<void> run_wallpaper_command(sys::ProcessRunner& runner, const std::string& program,
                                        const std::vector<std::string>& args);

/// Puts `wallpaper` on the screen through the first running daemon of
/// hyprpaper, awww and swww, and saves the choice. Success and failure
/// both carry one line of text.
sys::Result<std::string> apply_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner,
                                         const Wallpaper& wallpaper);

/// Re-applies the saved wallpaper at login: up to 20 attempts 750 ms
/// apart (paused with `sleep`), for daemons that are still starting, and
/// none started 40 s after the first (by `now`), so that it ends within a
/// minute even when every program hangs. Prints nothing.
void reapply_saved_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner, const sys::SleepFn& sleep,
                             const sys::ClockFn& now);

}  // namespace wallpaper
