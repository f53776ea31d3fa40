#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

namespace fs = std::filesystem;

/// Where running programs and their terminals are looked for. There is no
/// default: only the entry points name the machine's own (`machine_roots`),
/// tests give trees of their own, so no test reaches a real terminal by
/// leaving something out.
struct SystemRoots {
  fs::path proc;      ///< the process table (/proc)
  fs::path pts;       ///< the pseudo-terminals (/dev/pts)
  fs::path run_user;  ///< the users' runtime directories (/run/user)
};

/// The machine's own: /proc, /dev/pts and /run/user.
SystemRoots machine_roots();

/// A process of the user that holds the master side of pseudo-terminals:
/// for a terminal emulator, one per window (or tab) it shows.
struct PtyHolder {
  pid_t pid = 0;
  std::string name;                    ///< its command name (/proc/PID/comm)
  std::vector<unsigned> ptys{};        ///< N of each /dev/pts/N it holds the master of
  std::vector<unsigned long> sockets{};  ///< inodes of the sockets it has open
};

/// Whether a command name is a terminal emulator's (kitty, foot, xterm…).
/// tmux, screen, sshd and other programs that hold terminals are not.
bool is_terminal_emulator(std::string_view name);

/// The pty number in the text of /proc/PID/fdinfo/FD of a descriptor open
/// on /dev/ptmx ("tty-index:\tN").
std::optional<unsigned> parse_tty_index(std::string_view fdinfo);

/// The listening Unix sockets of /proc/net/unix, inode to path (an
/// abstract name starts with '@'); unnamed ones are left out.
std::map<unsigned long, std::string> parse_listening_sockets(std::string_view proc_net_unix);

/// The terminal emulators of user `uid` under `roots.proc`, with the
/// terminals they show and their sockets. Only the terminals of the
/// pseudo-terminal instance we see count (their master is our `ptmx` or
/// <pts>/ptmx): a terminal inside a container or a sandbox has numbers of
/// its own, and our <pts>/N of that number is someone else's. Nothing for
/// root: a tool of the user never writes into other users' terminals.
std::vector<PtyHolder> find_terminal_emulators(const SystemRoots& roots, uid_t uid);

/// The arguments of each process of `uid` under the /proc tree `proc`
/// whose command name is `name`.
std::vector<std::vector<std::string>> processes_named(const fs::path& proc, uid_t uid, std::string_view name);

/// The pty our own standard streams are on, if any.
std::optional<unsigned> own_pty(const fs::path& proc);

/// The terminal devices of the holders' windows (under the /dev/pts tree
/// `pts`) that belong to `uid`, the one numbered `own` first.
std::vector<fs::path> terminal_windows(const std::vector<PtyHolder>& holders, const fs::path& pts, uid_t uid,
                                       std::optional<unsigned> own);

struct TerminalWrites {
  unsigned written = 0;
  unsigned skipped = 0;  ///< not ours, gone, or not reading within the limit
};

/// Writes `text` to every terminal device at once, never blocking: what a
/// terminal that is paused or not reading has not taken within `limit`
/// (for all together) is given up. Devices that are not terminals of
/// `uid` are skipped. SIGTTOU is ignored meanwhile, so a background job
/// is never stopped by it.
TerminalWrites write_to_terminals(const std::vector<fs::path>& devices, std::string_view text, uid_t uid,
                                  std::chrono::milliseconds limit);

}  // namespace sys
