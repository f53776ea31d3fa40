#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace switcher {

enum class Command {
  Switcher,  ///< the interactive Switcher (no argument, or unknown ones)
  Apply,     ///< --apply: re-apply the saved wallpaper and exit
  Help,      ///< --help or -h: print the usage text
  Version,   ///< --version: print "tintwell VERSION"
};

/// Decides what to do from the arguments after the program name. Only
/// whole, exact arguments count, anywhere on the line; --apply wins over
/// --help, which wins over --version. Anything else is ignored.
Command parse_command_line(const std::vector<std::string>& args);

extern const std::string_view kUsageText;

/// "tintwell VERSION" and a line feed; the version is the project's.
std::string version_text();

}  // namespace switcher
