#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class Command {
  Switcher,   ///< the interactive Switcher (no argument, or unknown ones)
  Apply,      ///< --apply: re-apply the saved wallpaper and exit
  Help,       ///< --help or -h: print the usage text
  Version,    ///< --version: print "tintwell VERSION"
  Theme,      ///< --theme NAME: apply a theme as Enter does
  Wallpaper,  ///< --wallpaper PATH [--with-theme [--light]]: apply a wallpaper as Enter does (and its theme, as t does)
  Palette,    ///< --palette FILE [--light] [--json]: print the theme a picture gives
  List,       ///< --list [--json] [--cached]: print the theme list
  Current,    ///< --current: print the active theme's name
  Templates,  ///< --templates: list the manifest's templates and the shipped ones
  CheckTemplates,  ///< --check-templates [THEME]: render every template in memory, print the errors
  PrintTemplate,   ///< --print-template NAME: print a shipped template
  Misuse,     ///< a bad command line: `error` says what is wrong
};

/// What the arguments ask for.
struct CommandLine {
  Command command = Command::Switcher;
  std::string value{};  ///< the theme name, wallpaper path or template name
  bool json = false;    ///< --list --json
  bool cached = false;  ///< --list --cached: what is on disk, never downloading
  bool light = false;   ///< --light: the light variant of a picture's theme
  bool with_theme = false;  ///< --wallpaper --with-theme: the picture's theme too
  std::string error{};  ///< for Misuse: one line naming the problem
  bool operator==(const CommandLine&) const = default;
};

/// Decides what to do from the arguments after the program name. Only
/// whole, exact arguments count, anywhere on the line. --apply wins over
/// everything, then --help, then --version. Then the actions for scripts
/// (--theme, --wallpaper, --palette, --list, --current, --templates,
/// --check-templates, --print-template), of which at most one may be
/// given; with an action, every other argument must belong to it (--json
/// to --list and --palette, --cached to --list, --with-theme to
/// --wallpaper, --light to --palette and --wallpaper --with-theme).
/// Without one, other arguments are ignored and the Switcher opens.
CommandLine parse_command_line(const std::vector<std::string>& args);

extern const std::string_view kUsageText;

/// "tintwell VERSION" and a line feed; the version is the project's.
std::string version_text();

}  // namespace cli
