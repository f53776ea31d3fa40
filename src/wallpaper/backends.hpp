#pragma once

#include <string>
#include <vector>

#include "sys/result.hpp"
#include "wallpaper/wallpaper.hpp"

namespace wallpaper {

/// Whether `program` could be started and exited with status 0.
bool command_succeeds(const std::string& program, const std::vector<std::string>& args);

/// Runs a daemon client; on failure the first non-blank line of its
/// standard error, or "wallpaper command failed".
sys::Result<void> run_wallpaper_command(const std::string& program, const std::vector<std::string>& args);

/// Puts `wallpaper` on the screen through the first running daemon of
/// hyprpaper, awww and swww, and saves the choice. Success and failure
/// both carry one line of text.
sys::Result<std::string> apply_wallpaper(const Wallpaper& wallpaper);

/// Re-applies the saved wallpaper at login: up to 20 attempts 750 ms
/// apart, for daemons that are still starting. Prints nothing.
void reapply_saved_wallpaper();

}  // namespace wallpaper
