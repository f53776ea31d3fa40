#include "activation/recolour.hpp"

#include <algorithm>
#include <set>

#include <fmt/format.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "sys/files.hpp"
#include "sys/sockets.hpp"
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
// A kitty answers its socket within milliseconds; one that does not is
// reached through its terminal instead.
constexpr auto kSocketLimit = 500ms;

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

// Why a template's reload did not work, when it did not: its first line of
// error output, or how it ended.
std::optional<std::string> reload_failure(const std::string& program, const sys::Result<std::optional<sys::Output>>& done) {
  if (!done) return fmt::format("{}: {}", program, done.error_text());
  if (!done.value()) return fmt::format("{} did not finish within {} s", program, kReloadLimit.count());
  if (done.value()->status.success()) return std::nullopt;
  const std::string err = sys::lossy_utf8(done.value()->err);
  for (const auto line : sys::split_lines(err))
    if (!sys::trim(line).empty()) return std::string(sys::trim(line));
  return done.value()->status.text();
}

std::string own_window_note(std::string_view error) {
  return fmt::format("this kitty could not be told the new colours ({}): its new tabs keep the old ones", error);
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
                                                   const sys::SystemRoots& roots,
                                                   const std::vector<TemplateReload>& reloads) {
  const fs::path colors = where.active_dir / "colors.conf";
  std::vector<std::string> notes;
  // Other users' terminals are never ours to write to, and root has none.
  const bool reach_all = env.uid != 0 && !themes::skips(env, "terminals");
  std::vector<sys::PtyHolder> holders;
  std::optional<unsigned> own;
  std::map<unsigned long, std::string> listening;
  if (reach_all) {
    holders = sys::find_terminal_emulators(roots, env.uid);
    own = sys::own_pty(roots.proc);
    if (std::any_of(holders.begin(), holders.end(), [](const auto& h) { return h.name == "kitty"; })) {
      auto table = sys::read_file(roots.proc / "net" / "unix");
      listening = sys::parse_listening_sockets(table && table.value() ? *table.value() : std::string());
    }
  }

  // Every kitty listening on a socket is told over it first, all at once
  // and without a program started for each: a window recoloured that way
  // needs no escape sequences, which would cut into whatever another
  // program is sending it.
  enum class Whose { Own, Launcher, Other };
  std::vector<sys::SocketRequest> requests;
  std::vector<Whose> whose;
  const std::string message = kitty_set_colors_message(colour_text);
  const auto own_socket = own_listen_socket(env);
  if (own_socket) {
    requests.push_back({*own_socket, message});
    whose.push_back(Whose::Own);
  }
  const auto launcher = launcher_command(where, env.uid, colors);
  if (launcher && launcher.value()) {
    requests.push_back({where.launcher_socket.string(), message});
    whose.push_back(Whose::Launcher);
  }
  std::vector<std::string> reached_before{where.launcher_socket.string()};
  if (own_socket) reached_before.push_back(*own_socket);
  const auto others =
      other_kitties(holders, listening, can_recolour_own_window(env) ? own : std::nullopt, reached_before);
  for (const auto& socket : others.sockets) {
    requests.push_back({socket, message});
    whose.push_back(Whose::Other);
  }
  const auto exchanged = sys::exchange_over_sockets(requests, kSocketLimit);
  std::vector<sys::Result<void>> answers;
  std::set<std::string> reached;
  for (std::size_t i = 0; i < exchanged.size(); ++i) {
    answers.push_back(exchanged[i] ? kitty_reply(exchanged[i].value()) : sys::Result<void>(exchanged[i].error()));
    if (answers.back()) reached.insert(requests[i].socket);
  }

  if (reach_all) {
    // The windows of the kitty processes just reached are left out.
    std::set<fs::path> recoloured;
    for (const auto& holder : holders)
      for (const unsigned long inode : holder.sockets)
        if (const auto it = listening.find(inode); it != listening.end() && reached.contains(it->second))
          for (const unsigned pty : holder.ptys) recoloured.insert(roots.pts / std::to_string(pty));
    const auto windows = sys::terminal_windows(holders, roots.pts, env.uid, own);
    std::vector<fs::path> to_write;
    unsigned already = 0;
    for (const auto& device : windows) {
      if (recoloured.contains(device)) {
        ++already;
      } else {
        to_write.push_back(device);
      }
    }
    const std::string text = themes::terminal_colour_sequences(themes::read_terminal_colours(colour_text));
    // CAN and ST first: a sequence another program left half-written
    // cannot swallow ours.
    auto writes = sys::write_to_terminals(to_write, text.empty() ? text : "\x18\x1b\\" + text, env.uid,
                                          kTerminalWriteLimit);
    writes.written += already;
    const bool only_own = windows.size() == 1 && own && windows.front() == roots.pts / std::to_string(*own);
    if (!text.empty() && !windows.empty() && !only_own) notes.push_back(terminals_note(writes));
  }

  // The desktop's light or dark preference, where gsettings has the key
  // and may change it (not installed, before GNOME 42 or locked down: left
  // alone). It is set beside the kitty runs below.
  std::optional<std::string> scheme;
  if (const auto background = themes::parse_kitty_palette(colour_text).background;
      background && !themes::skips(env, "color-scheme") &&
      answered(runner.run_for(gsettings("writable"), kSchemeLimit), "true"))
    scheme = themes::is_dark_background(*background) ? "prefer-dark" : "prefer-light";

  // What the sockets did not take goes through `kitty @`, all at once: it
  // knows the remote-control password a kitty may ask for, and it is the
  // only way to a kitty that listens on its terminal alone.
  std::vector<sys::TimedCommand> batch;
  if (auto reload = hyprland_reload_command(env)) batch.push_back({*reload, kRemoteControlLimit});
  std::optional<std::size_t> own_at, launcher_at;
  const auto answer_of = [&](Whose who) -> const sys::Result<void>* {
    for (std::size_t i = 0; i < whose.size(); ++i)
      if (whose[i] == who) return &answers[i];
    return nullptr;
  };
  const auto* own_answer = answer_of(Whose::Own);
  if (auto own_window = own_window_command(env, colors); own_window && (!own_answer || !own_answer->ok())) {
    own_at = batch.size();
    batch.push_back({*own_window, kRemoteControlLimit});
  }
  const auto* launcher_answer = answer_of(Whose::Launcher);
  if (launcher_answer && !launcher_answer->ok()) {
    launcher_at = batch.size();
    batch.push_back({*launcher.value(), kRemoteControlLimit});
  }
  if (scheme) batch.push_back({gsettings("set", {*scheme}), kSchemeLimit});
  const std::size_t reloads_at = batch.size();
  for (const auto& reload : reloads) batch.push_back({reload.command, kReloadLimit});
  unsigned unreachable = others.unreachable;
  const std::size_t others_at = batch.size();
  for (std::size_t i = 0; i < whose.size(); ++i) {
    if (whose[i] != Whose::Other || answers[i]) continue;
    // Refused (a password is wanted): kitty's own client may get through.
    if (exchanged[i]) {
      batch.push_back({kitty_at_socket_command(requests[i].socket, colors), kRemoteControlLimit});
    } else {
      ++unreachable;
    }
  }

  const auto results = runner.run_all_for(batch);
  if (!launcher) {
    notes.insert(notes.begin(), fmt::format("launcher colors could not be refreshed: {}", launcher.error_text()));
  } else if (launcher_at) {
    if (auto answer = kitty_answer(results[*launcher_at]); !answer)
      notes.insert(notes.begin(), fmt::format("launcher colors could not be refreshed: {}", answer.error_text()));
  }
  if (own_at) {
    if (auto answer = kitty_answer(results[*own_at]); !answer) notes.push_back(own_window_note(answer.error_text()));
  }
  for (std::size_t i = 0; i < reloads.size(); ++i)
    if (auto failed = reload_failure(reloads[i].command.program, results[reloads_at + i]))
      notes.push_back(fmt::format("template {}: reload failed: {}", reloads[i].name, *failed));
  for (std::size_t i = others_at; i < results.size(); ++i) unreachable += !kitty_answer(results[i]).ok();
  if (unreachable) notes.push_back(kitties_note(unreachable));
  // `gsettings set` exits 0 without saving when there is no session bus.
  if (scheme && !answered(runner.run_for(gsettings("get"), kSchemeLimit), fmt::format("'{}'", *scheme)))
    notes.push_back("the desktop's dark/light preference could not be saved");
  return notes;
}

}  // namespace activation
