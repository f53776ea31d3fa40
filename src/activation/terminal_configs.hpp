#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sys/file_plan.hpp"
#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/palette.hpp"
#include "themes/paths.hpp"

namespace activation {

/// The theme's colours as foot reads them: [colors] with six hexadecimal
/// digits and no "#", and [cursor] color=TEXT CURSOR.
std::string foot_ini(const themes::Palette& palette);

/// The user's foot.ini with one include line for `include` (an absolute
/// path) at its end, under a [main] header where another section is open
/// there (foot reads include only in [main], and in place: what comes later
/// wins). Nothing when the file has our include already: it is never moved.
std::optional<std::string> with_foot_include(std::string_view foot_ini, std::string_view include);

/// The line (1-based) of the user's foot.ini after our include that sets a
/// colour of its own again, which new foot windows then show.
std::optional<std::size_t> foot_colours_after_include(std::string_view foot_ini);

/// The theme as alacritty reads it: YAML for alacritty before 0.13, TOML
/// from 0.13.
std::string alacritty_yml(const themes::Palette& palette);
std::string alacritty_toml(const themes::Palette& palette);

/// The version in `alacritty --version`'s output ("alacritty 0.11.0 (...)").
std::optional<std::array<unsigned, 3>> alacritty_version(std::string_view output);

/// The user's alacritty.yml importing `path` too: an item added to its
/// top-level `import:` list, or a new list at the top. Nothing when it does
/// already.
std::optional<std::string> with_yaml_import(std::string_view yml, std::string_view path);
/// The user's alacritty.toml importing `path` too, in `[general] import`
/// (`general`, from 0.14) or the top-level `import` (0.13); its comments
/// and layout kept. Nothing when it does already; an error when it is not
/// TOML.
sys::Result<std::optional<std::string>> with_toml_import(std::string_view toml, std::string_view path, bool general);

/// Whether the user's own alacritty file sets colours, which win over every
/// import wherever they stand.
bool alacritty_sets_colours(std::string_view text, bool toml);

/// The terminals besides kitty whose new windows take the theme.
struct TerminalApps {
  bool foot = false;         ///< foot is installed or configured
  bool foot_server = false;  ///< a `foot --server` of the user runs
  bool alacritty = false;    ///< alacritty is installed or configured
  std::optional<std::array<unsigned, 3>> alacritty_version{};
};
TerminalApps find_terminal_apps(const themes::Environment& env, const themes::Locations& where,
                                sys::ProcessRunner& runner);

/// What foot and alacritty add to an activation: the active files, the
/// user's files with one managed line, and the notes on new windows.
struct TerminalConfigPlan {
  std::vector<sys::FileWrite> active;
  std::vector<sys::FileWrite> user;
  std::vector<std::string> notes;
};
sys::Result<TerminalConfigPlan> plan_terminal_configs(const themes::Locations& where, const TerminalApps& apps,
                                                      std::string_view colour_text);

}  // namespace activation
