#include "sys/process.hpp"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include <fmt/format.h>

#include "sys/os_error.hpp"

extern char** environ;

namespace sys {

std::optional<int> ExitStatus::code() const {
  if (WIFEXITED(status_)) return WEXITSTATUS(status_);
  return std::nullopt;
}

std::optional<int> ExitStatus::signal() const {
  if (WIFSIGNALED(status_)) return WTERMSIG(status_);
  return std::nullopt;
}

std::string ExitStatus::text() const {
  if (auto c = code()) return fmt::format("exit status: {}", *c);
  if (auto s = signal()) {
    const char* abbrev = sigabbrev_np(*s);
    std::string text = abbrev ? fmt::format("signal: {} (SIG{})", *s, abbrev)
                              : fmt::format("signal: {}", *s);
    if (WCOREDUMP(status_)) text += " (core dumped)";
    return text;
  }
  return fmt::format("unrecognised wait status: {}", status_);
}

Child::Child(pid_t pid, int out_fd, int err_fd) : pid_(pid), out_fd_(out_fd), err_fd_(err_fd) {
  // A descriptor that becomes readable when the child ends lets a wait
  // wake at once instead of polling in steps (Linux 5.3 and later).
  pid_fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pid_fd_ >= 0) ::fcntl(pid_fd_, F_SETFD, FD_CLOEXEC);
}

Child::Child(Child&& other) noexcept
    : pid_(other.pid_),
      out_fd_(other.out_fd_),
      err_fd_(other.err_fd_),
      pid_fd_(other.pid_fd_),
      own_group_(other.own_group_),
      reaped_(other.reaped_),
      out_(std::move(other.out_)),
      err_(std::move(other.err_)) {
  other.out_fd_ = other.err_fd_ = other.pid_fd_ = -1;
  other.reaped_ = true;
}

Child::~Child() {
  close_pipes();
  if (pid_fd_ >= 0) ::close(pid_fd_);
  if (!reaped_) {
    std::thread([pid = pid_] {
      int status;
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
}

void Child::close_pipes() {
  if (out_fd_ >= 0) ::close(out_fd_);
  if (err_fd_ >= 0) ::close(err_fd_);
  out_fd_ = err_fd_ = -1;
}

// Reads what the captured pipes offer, waiting at most `timeout_ms` (and
// no longer than until the child ends, when `pid_fd_` tells). Returns how
// many descriptors had something to report (data, their end, the child's).
int Child::drain(int timeout_ms) {
  pollfd fds[3];
  int n = 0;
  if (out_fd_ >= 0) fds[n++] = {out_fd_, POLLIN, 0};
  if (err_fd_ >= 0) fds[n++] = {err_fd_, POLLIN, 0};
  if (n == 0 && timeout_ms == 0) return 0;
  if (pid_fd_ >= 0 && timeout_ms != 0) fds[n++] = {pid_fd_, POLLIN, 0};
  const int ready = ::poll(n ? fds : nullptr, static_cast<nfds_t>(n), timeout_ms);
  if (ready <= 0) return 0;
  for (int i = 0; i < n; ++i) {
    if (fds[i].revents == 0 || fds[i].fd == pid_fd_) continue;
    const bool is_out = fds[i].fd == out_fd_;
    char buffer[16384];
    const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
    if (got > 0) {
      (is_out ? out_ : err_).append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      ::close(fds[i].fd);
      (is_out ? out_fd_ : err_fd_) = -1;
    }
  }
  return ready;
}

bool Child::pipes_open() const { return out_fd_ >= 0 || err_fd_ >= 0; }

Result<std::optional<Output>> Child::reap(bool block) {
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return os_error(errno);
  if (got == 0) return std::optional<Output>{};
  reaped_ = true;
  // Whatever is still buffered belongs to the output; a grandchild that
  // keeps a pipe open must not make us wait for it.
  while (drain(0) > 0) {
  }
  close_pipes();
  return std::optional<Output>{Output{ExitStatus(status), std::move(out_), std::move(err_)}};
}

Result<Output> Child::wait() {
  // Normally the pipes close when the child exits; the short poll only
  // matters when a grandchild inherited them.
  for (;;) {
    if (!pipes_open()) {
      auto done = reap(true);
      if (!done) return done.error();
      return std::move(*done.value());
    }
    drain(20);
    auto done = reap(false);
    if (!done) return done.error();
    if (done.value()) return std::move(*done.value());
  }
}

Result<std::optional<Output>> Child::try_wait() {
  if (reaped_) return Error{"child already reaped"};
  while (drain(0) > 0) {
  }
  return reap(false);
}

Result<std::optional<Output>> Child::wait_for(std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  for (;;) {
    auto done = reap(false);
    if (!done || done.value()) return done;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    // Without a pid descriptor, look again every 20 ms.
    drain(static_cast<int>(pid_fd_ >= 0 ? left.count() : std::min<long>(left.count(), 20)));
  }
  ::kill(own_group_ ? -pid_ : pid_, SIGKILL);
  auto done = reap(true);
  if (!done) return done.error();
  return std::optional<Output>{};
}

namespace {

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
};

struct Pipe {
  int read_end = -1;
  int write_end = -1;
  ~Pipe() {
    if (read_end >= 0) ::close(read_end);
    if (write_end >= 0) ::close(write_end);
  }
};

}  // namespace

Result<Child> spawn(const Command& command) {
  SpawnSetup setup;
  Pipe pipes[3];
  const Stdio modes[3] = {command.in, command.out, command.err};
  for (int fd = 0; fd < 3; ++fd) {
    Stdio mode = modes[fd];
    if (fd == 0 && mode == Stdio::Capture) mode = Stdio::Null;
    if (mode == Stdio::Null) {
      posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    } else if (mode == Stdio::Capture) {
      int ends[2];
      if (::pipe2(ends, O_CLOEXEC) != 0) return os_error(errno);
      pipes[fd].read_end = ends[0];
      pipes[fd].write_end = ends[1];
      posix_spawn_file_actions_adddup2(&setup.actions, ends[1], fd);
    }
  }

  // The child starts with an empty signal mask and default handlers for
  // the signals this program catches or ignores.
  sigset_t mask;
  sigemptyset(&mask);
  posix_spawnattr_setsigmask(&setup.attributes, &mask);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGWINCH, SIGCHLD, SIGUSR1, SIGUSR2})
    sigaddset(&defaults, sig);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (command.new_process_group) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&setup.attributes, 0);
  }
  posix_spawnattr_setflags(&setup.attributes, flags);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(command.program.c_str()));
  for (const auto& arg : command.args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid;
  const int rc = posix_spawnp(&pid, command.program.c_str(), &setup.actions, &setup.attributes,
                              argv.data(), environ);
  if (rc != 0) return os_error(rc);

  Child child(pid, pipes[1].read_end, pipes[2].read_end);
  child.own_group_ = command.new_process_group;
  pipes[1].read_end = pipes[2].read_end = -1;  // now owned by `child`
  return child;
}

Result<Output> run(const Command& command) {
  auto child = spawn(command);
  if (!child) return child.error();
  return child.value().wait();
}

Result<void> spawn_detached(const Command& command) {
  Command detached = command;
  if (detached.out == Stdio::Capture) detached.out = Stdio::Null;
  if (detached.err == Stdio::Capture) detached.err = Stdio::Null;
  auto child = spawn(detached);
  if (!child) return child.error();
  return success();  // the dropped Child is reaped in the background
}

namespace {

// The controlling terminal's modes before a child runs: a child may take
// the terminal (kitty @ does, through /dev/tty) and, killed at its time
// limit, leave it in raw mode.
class TerminalModes {
 public:
  TerminalModes() {
    fd_ = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0 && ::tcgetattr(fd_, &saved_) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~TerminalModes() {
    if (fd_ >= 0) ::close(fd_);
  }
  TerminalModes(const TerminalModes&) = delete;
  TerminalModes& operator=(const TerminalModes&) = delete;

  /// Puts them back; from a background job too, which would be stopped by
  /// SIGTTOU otherwise.
  void restore() const {
    if (fd_ < 0) return;
    struct sigaction ignore {}, before {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGTTOU, &ignore, &before);
    ::tcsetattr(fd_, TCSANOW, &saved_);
    ::sigaction(SIGTTOU, &before, nullptr);
  }

 private:
  int fd_ = -1;
  termios saved_{};
};

}  // namespace

Result<std::optional<Output>> SystemProcessRunner::run_for(const Command& command, std::chrono::milliseconds limit) {
  const TerminalModes modes;
  auto child = spawn(command);
  if (!child) return child.error();
  auto done = child.value().wait_for(limit);
  if (done && !done.value()) modes.restore();  // killed
  return done;
}

std::vector<Result<std::optional<Output>>> ProcessRunner::run_all_for(const std::vector<TimedCommand>& commands) {
  std::vector<Result<std::optional<Output>>> results;
  for (const auto& timed : commands) results.push_back(run_for(timed.command, timed.limit));
  return results;
}

std::vector<Result<std::optional<Output>>> SystemProcessRunner::run_all_for(const std::vector<TimedCommand>& commands) {
  using Clock = std::chrono::steady_clock;
  const TerminalModes modes;
  const auto started = Clock::now();
  std::vector<Result<Child>> children;
  for (const auto& timed : commands) children.push_back(spawn(timed.command));
  std::vector<Result<std::optional<Output>>> results;
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (!children[i]) {
      results.emplace_back(children[i].error());
      continue;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(started + commands[i].limit - Clock::now());
    results.push_back(children[i].value().wait_for(std::max(left, std::chrono::milliseconds(0))));
    if (results.back() && !results.back().value()) modes.restore();  // killed
  }
  return results;
}

bool is_on_path(const std::optional<std::string>& path, std::string_view program) {
  if (!path) return false;
  for (std::size_t start = 0; start <= path->size();) {
    const std::size_t end = std::min(path->find(':', start), path->size());
    const std::string dir = path->substr(start, end - start);
    const std::string file = (dir.empty() ? std::string(".") : dir) + "/" + std::string(program);
    struct stat st;
    if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
    start = end + 1;
  }
  return false;
}

void sleep_for(std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }

std::chrono::steady_clock::time_point steady_now() { return std::chrono::steady_clock::now(); }

}  // namespace sys
