#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/command_line.hpp"
#include "sys/process.hpp"
#include "themes/paths.hpp"
#include "themes/theme_entry.hpp"

namespace cli {

/// What an action for scripts prints and how the program then exits.
struct ActionOutcome {
  int status = 0;
  std::string out{};  ///< for standard output
  std::string err{};  ///< for standard error
  bool operator==(const ActionOutcome&) const = default;
};

/// Runs the action of a parsed command line (--theme, --wallpaper,
/// --list, --current, or the report of a misuse) through the same code
/// the Switcher's Enter uses. It never touches the terminal's modes.
ActionOutcome run_action(const CommandLine& line, const themes::Environment& env, const themes::Locations& where,
                         sys::ProcessRunner& runner);

/// The theme list as one JSON array: per theme its name, where it comes
/// from ("profile", "builtin" or "index"), whether it is dark (null when
/// not known) and whether it is the active theme.
std::string themes_json(const std::vector<themes::ThemeEntry>& entries, const std::optional<std::string>& active);

}  // namespace cli
