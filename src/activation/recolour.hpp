#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/process.hpp"
#include "activation/templates.hpp"
#include "sys/terminals.hpp"
#include "themes/paths.hpp"

namespace activation {

/// The kitty processes beyond the Switcher's own and the launcher's.
struct OtherKitties {
  std::vector<std::string> sockets;  ///< one listening socket of each that has one
  unsigned unreachable = 0;          ///< those without any
};

/// Sorts the kitty processes among `holders`: the one holding our own pty
/// `own_kitty_pty` (reached without a socket) and those listening on a
/// socket in `reached` (the launcher's, our own) are left out.
OtherKitties other_kitties(const std::vector<sys::PtyHolder>& holders,
                           const std::map<unsigned long, std::string>& listening,
                           std::optional<unsigned> own_kitty_pty, const std::vector<std::string>& reached);

/// Tells every running program that shows colours live: the escape
/// sequences to every terminal window of the user, then at once the
/// Hyprland reload and `kitty @ set-colors` for the Switcher's own kitty,
/// the launcher's and every other kitty listening on a socket, and the
/// desktop's colour scheme, with the templates' `reloads` in the same
/// batch. `colour_text` is the content of the active colors.conf; `roots`
/// is where the terminals are looked for.
/// Returns the notes for the outcome line.
std::vector<std::string> recolour_running_programs(const themes::Environment& env, const themes::Locations& where,
                                                   sys::ProcessRunner& runner, std::string_view colour_text,
                                                   const sys::SystemRoots& roots,
                                                   const std::vector<TemplateReload>& reloads);

}  // namespace activation
