#include "sys/terminals.hpp"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <system_error>

#include "sys/files.hpp"
#include "sys/text.hpp"

namespace sys {
namespace {

// A small file of /proc; empty when it cannot be read (the process ended).
std::string read_proc_file(const fs::path& path) {
  auto text = read_file(path);
  return text && text.value() ? std::move(*text.value()) : std::string();
}

template <class T>
std::optional<T> number(std::string_view text) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string link_target(const fs::path& path) {
  char buffer[256];
  const ssize_t got = ::readlink(path.c_str(), buffer, sizeof buffer);
  return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

// A socket's descriptor reads as "socket:[INODE]".
std::optional<unsigned long> socket_inode(std::string_view target) {
  if (!target.starts_with("socket:[") || !target.ends_with(']')) return std::nullopt;
  return number<unsigned long>(target.substr(8, target.size() - 9));
}

}  // namespace

SystemRoots machine_roots() { return SystemRoots{.proc = "/proc", .pts = "/dev/pts", .run_user = "/run/user"}; }

bool is_terminal_emulator(std::string_view name) {
  // Command names as the kernel keeps them: at most 15 bytes.
  static constexpr std::string_view kEmulators[] = {
      "kitty",       "foot",         "alacritty",     "wezterm-gui",     "ghostty",    "xterm",
      "uxterm",      "konsole",      "gnome-terminal-", "kgx",           "ptyxis-agent", "xfce4-terminal",
      "tilix",       "terminator",   "urxvt",         "urxvtd",          "rxvt",       "st",
      "lxterminal",  "mate-terminal", "qterminal",    "sakura",          "terminology", "contour",
      "rio",         "termite",      "blackbox",      "deepin-terminal", "cool-retro-term", "yakuake",
      "guake",       "tilda",        "hyper",         "tabby",           "warp-terminal", "extraterm",
  };
  return std::find(std::begin(kEmulators), std::end(kEmulators), name) != std::end(kEmulators);
}

std::optional<unsigned> parse_tty_index(std::string_view fdinfo) {
  for (const auto line : split_lines(fdinfo)) {
    if (!line.starts_with("tty-index:")) continue;
    return number<unsigned>(trim(line.substr(10)));
  }
  return std::nullopt;
}

std::map<unsigned long, std::string> parse_listening_sockets(std::string_view proc_net_unix) {
  // "Num RefCount Protocol Flags Type St Inode Path": listening sockets
  // have the flag __SO_ACCEPTCON (0x10000) and state 01.
  std::map<unsigned long, std::string> sockets;
  for (const auto line : split_lines(proc_net_unix)) {
    std::string_view rest = line;
    std::string_view fields[7];
    bool complete = true;
    for (auto& field : fields) {
      rest = rest.substr(std::min(rest.find_first_not_of(' '), rest.size()));
      const auto end = std::min(rest.find(' '), rest.size());
      field = rest.substr(0, end);
      rest.remove_prefix(end);
      complete = complete && !field.empty();
    }
    if (!complete) continue;
    unsigned long flags = 0;  // hexadecimal
    const auto parsed = std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), flags, 16);
    const auto inode = number<unsigned long>(fields[6]);
    const std::string_view path = trim(rest);
    if (parsed.ec != std::errc() || !inode || fields[5] != "01" || !(flags & 0x10000) || path.empty()) continue;
    sockets.emplace(*inode, std::string(path));
  }
  return sockets;
}

std::vector<PtyHolder> find_terminal_emulators(const SystemRoots& roots, uid_t uid) {
  std::vector<PtyHolder> holders;
  if (uid == 0) return holders;
  const fs::path& proc = roots.proc;
  // Our instance's masters: opened through the ptmx node beside the pts
  // directory, or through the instance's own ptmx.
  struct stat node {}, instance {};
  const bool have_node = ::stat((roots.pts.parent_path() / "ptmx").c_str(), &node) == 0;
  const bool have_instance = ::stat((roots.pts / "ptmx").c_str(), &instance) == 0;
  const auto ours = [&](const fs::path& fd) {
    struct stat st;
    if (::stat(fd.c_str(), &st) != 0) return false;
    return (have_node && st.st_dev == node.st_dev && st.st_ino == node.st_ino) ||
           (have_instance && st.st_dev == instance.st_dev && st.st_ino == instance.st_ino);
  };
  std::error_code ec;
  for (fs::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    const auto pid = number<pid_t>(entry);
    struct stat st;
    if (!pid || ::stat(it->path().c_str(), &st) != 0 || st.st_uid != uid) continue;
    PtyHolder holder{.pid = *pid, .name = std::string(trim(read_proc_file(it->path() / "comm")))};
    // Only a terminal emulator's descriptors are looked at: few processes,
    // and never a tmux server's or an ssh daemon's.
    if (!is_terminal_emulator(holder.name)) continue;
    std::error_code fd_ec;
    for (fs::directory_iterator fd(it->path() / "fd", fd_ec), fd_end; !fd_ec && fd != fd_end; fd.increment(fd_ec)) {
      const std::string target = link_target(fd->path());
      if (target.ends_with("/ptmx")) {
        if (!ours(fd->path())) continue;
        const auto index = parse_tty_index(read_proc_file(it->path() / "fdinfo" / fd->path().filename()));
        if (index && std::find(holder.ptys.begin(), holder.ptys.end(), *index) == holder.ptys.end())
          holder.ptys.push_back(*index);
      } else if (const auto inode = socket_inode(target)) {
        holder.sockets.push_back(*inode);
      }
    }
    if (!holder.ptys.empty()) holders.push_back(std::move(holder));
  }
  std::sort(holders.begin(), holders.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  return holders;
}

std::vector<std::vector<std::string>> processes_named(const fs::path& proc, uid_t uid, std::string_view name) {
  std::vector<std::vector<std::string>> found;
  if (uid == 0) return found;
  std::error_code ec;
  for (fs::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st;
    if (!number<pid_t>(it->path().filename().string()) || ::stat(it->path().c_str(), &st) != 0 || st.st_uid != uid)
      continue;
    if (trim(read_proc_file(it->path() / "comm")) != name) continue;
    std::vector<std::string> args;
    const std::string cmdline = read_proc_file(it->path() / "cmdline");
    for (std::size_t at = 0; at < cmdline.size();) {
      const std::size_t end_of = std::min(cmdline.find('\0', at), cmdline.size());
      args.emplace_back(cmdline.substr(at, end_of - at));
      at = end_of + 1;
    }
    found.push_back(std::move(args));
  }
  return found;
}

std::optional<unsigned> own_pty(const fs::path& proc) {
  for (const char* fd : {"0", "1", "2"}) {
    const std::string target = link_target(proc / "self" / "fd" / fd);
    if (target.starts_with("/dev/pts/"))
      if (const auto index = number<unsigned>(std::string_view(target).substr(9))) return index;
  }
  return std::nullopt;
}

std::vector<fs::path> terminal_windows(const std::vector<PtyHolder>& holders, const fs::path& pts, uid_t uid,
                                       std::optional<unsigned> own) {
  std::vector<unsigned> numbers;
  for (const auto& holder : holders) numbers.insert(numbers.end(), holder.ptys.begin(), holder.ptys.end());
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  if (own) {
    const auto mine = std::find(numbers.begin(), numbers.end(), *own);
    if (mine != numbers.end()) std::rotate(numbers.begin(), mine, mine + 1);
  }
  std::vector<fs::path> devices;
  for (const unsigned n : numbers) {
    const fs::path device = pts / std::to_string(n);
    struct stat st;
    if (uid != 0 && ::lstat(device.c_str(), &st) == 0 && st.st_uid == uid) devices.push_back(device);
  }
  return devices;
}

TerminalWrites write_to_terminals(const std::vector<fs::path>& devices, std::string_view text, uid_t uid,
                                  std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  TerminalWrites writes;
  if (text.empty()) return writes;

  struct Pending {
    int fd;
    std::string_view left;
  };
  std::vector<Pending> pending;
  // Writing to our own terminal from a background job with `stty tostop`
  // would stop the whole program.
  struct sigaction ignore {}, before {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGTTOU, &ignore, &before);

  for (const auto& device : devices) {
    const int fd = ::open(device.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || st.st_uid != uid || !::isatty(fd)) {
      if (fd >= 0) ::close(fd);
      ++writes.skipped;
      continue;
    }
    pending.push_back({fd, text});
  }
  while (!pending.empty()) {
    for (auto& p : pending) {
      while (!p.left.empty()) {
        const ssize_t n = ::write(p.fd, p.left.data(), p.left.size());
        if (n > 0) {
          p.left.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
          continue;
        } else {
          if (errno != EAGAIN) p.left = {}, p.fd = -p.fd - 1;  // failed: given up below
          break;
        }
      }
    }
    std::vector<pollfd> waiting;
    for (auto it = pending.begin(); it != pending.end();) {
      if (it->fd < 0) {
        ::close(-it->fd - 1);
        ++writes.skipped;
        it = pending.erase(it);
      } else if (it->left.empty()) {
        ::close(it->fd);
        ++writes.written;
        it = pending.erase(it);
      } else {
        waiting.push_back({it->fd, POLLOUT, 0});
        ++it;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (waiting.empty()) break;
    if (left <= 0) {
      for (const auto& p : pending) ::close(p.fd);
      writes.skipped += static_cast<unsigned>(pending.size());
      break;
    }
    ::poll(waiting.data(), waiting.size(), static_cast<int>(left));
  }
  ::sigaction(SIGTTOU, &before, nullptr);
  return writes;
}

}  // namespace sys
