#include "activation/recolour.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "sys/files.hpp"
#include "sys/text.hpp"
#include "themes/colour.hpp"
#include "themes/palette.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A terminal that is paused (Ctrl+S) or whose program does not read gets
// this long, for all windows together, then is left as it is.
constexpr auto kTerminalWriteLimit = 100ms;
// gsettings answers in milliseconds; without a session it may wait for one.
constexpr auto kSchemeLimit = 2000ms;

constexpr std::string_view kSchema = "org.gnome.desktop.interface";
constexpr std::string_view kSchemeKey = "color-scheme";

bool holds(const sys::PtyHolder& holder, unsigned pty) {
  return std::find(holder.ptys.begin(), holder.ptys.end(), pty) != holder.ptys.end();
}

std::string terminals_note(const sys::TerminalWrites& writes) {
  std::string note = fmt::format("recoloured {} terminal window{}", writes.written, writes.written == 1 ? "" : "s");
  if (writes.skipped) note += fmt::format(", {} skipped", writes.skipped);
  return note;
}

std::string kitties_note(unsigned unreachable) {
  return fmt::format("{} kitty {} without remote control: new tabs keep the old colours until restarted", unreachable,
                     unreachable == 1 ? "process" : "processes");
}

sys::Command gsettings(std::string verb, std::vector<std::string> rest = {}) {
  sys::Command command{.program = "gsettings",
                       .args = {std::move(verb), std::string(kSchema), std::string(kSchemeKey)},
                       .out = sys::Stdio::Capture};
  command.args.insert(command.args.end(), rest.begin(), rest.end());
  return command;
}

bool answered(const sys::Result<std::optional<sys::Output>>& done, std::string_view expected) {
  return done && done.value() && done.value()->status.success() && sys::trim(done.value()->out) == expected;
}

// The socket kitty tells its own windows about, as a path.
std::optional<std::string> own_listen_socket(const themes::Environment& env) {
  if (!env.kitty_listen_on || !env.kitty_listen_on->starts_with("unix:")) return std::nullopt;
  return env.kitty_listen_on->substr(5);
}

}  // namespace

OtherKitties other_kitties(const std::vector<sys::PtyHolder>& holders,
                           const std::map<unsigned long, std::string>& listening,
                           std::optional<unsigned> own_kitty_pty, const std::vector<std::string>& reached) {
  OtherKitties found;
  for (const auto& holder : holders) {
    if (holder.name != "kitty" || (own_kitty_pty && holds(holder, *own_kitty_pty))) continue;
    std::optional<std::string> socket;
    for (const unsigned long inode : holder.sockets) {
      const auto it = listening.find(inode);
      // The single-instance socket of `kitty --single-instance` takes no
      // remote-control commands.
      if (it == listening.end() || it->second.starts_with("@kitty-ipc-")) continue;
      socket = it->second;
      break;
    }
    if (!socket) {
      ++found.unreachable;
    } else if (std::find(reached.begin(), reached.end(), *socket) == reached.end()) {
      found.sockets.push_back(*socket);
    }
  }
  return found;
}

std::vector<std::string> recolour_running_programs(const themes::Environment& env, const themes::Locations& where,
                                                   sys::ProcessRunner& runner, std::string_view colour_text,
                                                   const sys::SystemRoots& roots) {
  const fs::path colors = where.active_dir / "colors.conf";
  std::vector<std::string> notes;
  // Other users' terminals are never ours to write to, and root has none.
  const bool reach_all = env.uid != 0 && !themes::skips(env, "terminals");
  std::vector<sys::PtyHolder> holders;
  std::optional<unsigned> own;
  if (reach_all) {
    holders = sys::find_terminal_emulators(roots.proc, env.uid);
    own = sys::own_pty(roots.proc);
    const auto devices = sys::terminal_windows(holders, roots.pts, env.uid, own);
    const std::string text = themes::terminal_colour_sequences(themes::read_terminal_colours(colour_text));
    const auto writes = sys::write_to_terminals(devices, text, env.uid, kTerminalWriteLimit);
    const bool only_own = devices.size() == 1 && own && devices.front() == roots.pts / std::to_string(*own);
    if (!text.empty() && !devices.empty() && !only_own) notes.push_back(terminals_note(writes));
  }

  // The desktop's light or dark preference, where gsettings has the key
  // and may change it (not installed, before GNOME 42 or locked down: left
  // alone). It is set beside the kitty runs below.
  std::optional<std::string> scheme;
  if (const auto background = themes::parse_kitty_palette(colour_text).background;
      background && !themes::skips(env, "color-scheme") &&
      answered(runner.run_for(gsettings("writable"), kSchemeLimit), "true"))
    scheme = themes::is_dark_background(*background) ? "prefer-dark" : "prefer-light";

  // Every kitty at once: each `kitty @` takes about half a second.
  std::vector<sys::TimedCommand> batch;
  if (auto reload = hyprland_reload_command(env)) batch.push_back({*reload, kRemoteControlLimit});
  if (auto own_window = own_window_command(env, colors)) batch.push_back({*own_window, kRemoteControlLimit});
  auto launcher = launcher_command(where, env.uid, colors);
  std::optional<std::size_t> launcher_at;
  if (launcher && launcher.value()) {
    launcher_at = batch.size();
    batch.push_back({*launcher.value(), kRemoteControlLimit});
  }
  if (scheme) batch.push_back({gsettings("set", {*scheme}), kSchemeLimit});
  OtherKitties others;
  if (reach_all && std::any_of(holders.begin(), holders.end(), [](const auto& h) { return h.name == "kitty"; })) {
    auto table = sys::read_file(roots.proc / "net" / "unix");
    const auto listening = sys::parse_listening_sockets(table && table.value() ? *table.value() : std::string());
    std::vector<std::string> reached{where.launcher_socket.string()};
    if (auto listen = own_listen_socket(env)) reached.push_back(*listen);
    others = other_kitties(holders, listening, own_window_command(env, colors) ? own : std::nullopt, reached);
  }
  const std::size_t others_at = batch.size();
  for (const auto& socket : others.sockets)
    batch.push_back({kitty_at_socket_command(socket, colors), kRemoteControlLimit});

  const auto results = runner.run_all_for(batch);
  const auto launcher_answer = !launcher ? sys::Result<void>(launcher.error())
                               : launcher_at ? kitty_answer(results[*launcher_at])
                                             : sys::success();
  if (!launcher_answer)
    notes.insert(notes.begin(), fmt::format("launcher colors could not be refreshed: {}", launcher_answer.error_text()));
  for (std::size_t i = others_at; i < results.size(); ++i) others.unreachable += !kitty_answer(results[i]).ok();
  if (others.unreachable) notes.push_back(kitties_note(others.unreachable));
  // `gsettings set` exits 0 without saving when there is no session bus.
  if (scheme && !answered(runner.run_for(gsettings("get"), kSchemeLimit), fmt::format("'{}'", *scheme)))
    notes.push_back("the desktop's dark/light preference could not be saved");
  return notes;
}

}  // namespace activation
