#include "sys/terminal.hpp"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>

#include <fmt/format.h>

#include "sys/os_error.hpp"

namespace sys {
namespace {

constexpr std::string_view kEnterAlternateScreen = "\x1b[?1049h";
constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kLeaveSequence = "\x1b[0m\x1b[?25h\x1b[?1049l";

// What has been changed, kept where a signal handler can reach it. There
// is only one terminal session per process.
struct SessionState {
  termios saved{};
  termios raw_mode{};
  volatile sig_atomic_t raw = 0;
  volatile sig_atomic_t alternate = 0;
  volatile sig_atomic_t cursor_hidden = 0;
  /// What was given back when a signal stopped us, to take again on SIGCONT.
  volatile sig_atomic_t stopped_raw = 0;
  int winch_pipe[2] = {-1, -1};
  /// What the program writes when it gives the terminal back and when it
  /// takes it again (set_bookends); a size of 0 while one is being changed.
  char on_leave[1024] = {};
  volatile sig_atomic_t on_leave_size = 0;
  char on_enter[1024] = {};
  volatile sig_atomic_t on_enter_size = 0;
  struct sigaction old_actions[NSIG];
  bool replaced[NSIG] = {};
};
SessionState g_session;

// Signals whose default action ends the process and that can be caught.
// (SIGKILL cannot be caught; SIGPIPE is ignored instead, so that a failed
// write ends the session through the normal error path.)
bool ends_the_process(int sig) {
  switch (sig) {
    case SIGHUP: case SIGINT: case SIGQUIT: case SIGILL: case SIGTRAP: case SIGABRT: case SIGBUS:
    case SIGFPE: case SIGUSR1: case SIGSEGV: case SIGUSR2: case SIGALRM: case SIGTERM: case SIGSTKFLT:
    case SIGXCPU: case SIGXFSZ: case SIGVTALRM: case SIGPROF: case SIGIO: case SIGPWR: case SIGSYS:
      return true;
    default:
      return sig >= SIGRTMIN && sig <= SIGRTMAX;
  }
}

}  // namespace

Result<void> write_to_terminal(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return success();
}

namespace {

Result<void> write_all(std::string_view bytes) { return write_to_terminal(bytes); }

// Only async-signal-safe calls from here on down to the handlers.
void signal_safe_write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void restore_from_signal() {
  if (g_session.alternate || g_session.cursor_hidden) {
    signal_safe_write(std::string_view(g_session.on_leave, static_cast<std::size_t>(g_session.on_leave_size)));
    signal_safe_write(kLeaveSequence);
  }
  if (g_session.raw) tcsetattr(STDIN_FILENO, TCSANOW, &g_session.saved);
  g_session.alternate = 0;
  g_session.cursor_hidden = 0;
  g_session.raw = 0;
}

void on_ending_signal(int sig) {
  restore_from_signal();
  // End with the signal's own status, as the shell expects: the signal is
  // delivered again, with its default action, when the handler returns.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void request_redraw() {
  const char byte = 0;
  [[maybe_unused]] auto n = ::write(g_session.winch_pipe[1], &byte, 1);
}

void on_stop(int) {
  const int saved_errno = errno;
  g_session.stopped_raw = g_session.raw;
  restore_from_signal();
  // Stop for real once the handler returns; SIGCONT brings the handler back.
  ::signal(SIGTSTP, SIG_DFL);
  ::raise(SIGTSTP);
  errno = saved_errno;
}

void on_continue(int) {
  const int saved_errno = errno;
  if (g_session.stopped_raw) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_session.raw_mode);
    g_session.raw = 1;
    signal_safe_write(kEnterAlternateScreen);
    signal_safe_write(kHideCursor);
    signal_safe_write(std::string_view(g_session.on_enter, static_cast<std::size_t>(g_session.on_enter_size)));
    g_session.alternate = 1;
    g_session.cursor_hidden = 1;
    g_session.stopped_raw = 0;
    request_redraw();  // the loop repaints as after a resize
  }
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = on_stop;
  sigaction(SIGTSTP, &action, nullptr);
  errno = saved_errno;
}

void on_resize(int) {
  const int saved_errno = errno;
  request_redraw();
  errno = saved_errno;
}

void replace_action(int sig, void (*handler)(int), int flags = 0) {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = handler;
  action.sa_flags = flags;
  if (sigaction(sig, &action, &g_session.old_actions[sig]) == 0) g_session.replaced[sig] = true;
}

Result<void> install_handlers() {
  if (::pipe2(g_session.winch_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return os_error(errno);
  for (int sig = 1; sig < NSIG; ++sig)
    if (ends_the_process(sig)) replace_action(sig, on_ending_signal);
  replace_action(SIGPIPE, SIG_IGN);
  replace_action(SIGTSTP, on_stop);
  replace_action(SIGCONT, on_continue, SA_RESTART);
  replace_action(SIGWINCH, on_resize, SA_RESTART);
  return success();
}

void remove_handlers() {
  if (g_session.winch_pipe[0] < 0) return;
  for (int sig = 1; sig < NSIG; ++sig) {
    if (!g_session.replaced[sig]) continue;
    sigaction(sig, &g_session.old_actions[sig], nullptr);
    g_session.replaced[sig] = false;
  }
  ::close(g_session.winch_pipe[0]);
  ::close(g_session.winch_pipe[1]);
  g_session.winch_pipe[0] = g_session.winch_pipe[1] = -1;
}

Result<void> enter_raw_mode() {
  termios raw;
  if (tcgetattr(STDIN_FILENO, &raw) != 0) return os_error(errno);
  g_session.saved = raw;
  // Input: no break-to-signal, no parity marking or stripping, no CR/NL
  // translation and no XON/XOFF flow control, so every byte arrives as sent.
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  // Output: no post-processing; the screen is drawn with cursor moves.
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  // Local: no echo, no line editing, no signal keys (Ctrl+C arrives as a
  // key), no extended input processing (Ctrl+V).
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  // Control: 8-bit characters, no parity.
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  // A read returns as soon as one byte is there; we poll before reading.
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return os_error(errno);
  g_session.raw_mode = raw;
  g_session.raw = 1;
  return success();
}

}  // namespace

Result<TermSize> terminal_size() {
  winsize ws{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0 && ::ioctl(STDIN_FILENO, TIOCGWINSZ, &ws) != 0)
    return os_error(errno);
  return TermSize{ws.ws_col, ws.ws_row, ws.ws_xpixel, ws.ws_ypixel};
}

Result<std::unique_ptr<TerminalSession>> TerminalSession::enter() {
  std::unique_ptr<TerminalSession> session(new TerminalSession());
  if (auto raw = enter_raw_mode(); !raw) return Error{fmt::format("could not enter raw mode: {}", raw.error_text())};
  if (auto handlers = install_handlers(); !handlers) return handlers.error();
  g_session.alternate = 1;
  if (auto w = write_all(kEnterAlternateScreen); !w) return w.error();
  g_session.cursor_hidden = 1;
  if (auto w = write_all(kHideCursor); !w) return w.error();
  return session;
}

TerminalSession::~TerminalSession() { restore(); }

void TerminalSession::restore() {
  if (g_session.alternate || g_session.cursor_hidden) {
    g_session.alternate = 0;
    g_session.cursor_hidden = 0;
    (void)write_all(std::string_view(g_session.on_leave, static_cast<std::size_t>(g_session.on_leave_size)));
    (void)write_all(kLeaveSequence);
  }
  g_session.on_leave_size = 0;
  g_session.on_enter_size = 0;
  if (g_session.raw) {
    g_session.raw = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_session.saved);
  }
  remove_handlers();
}

Result<void> TerminalSession::write(std::string_view bytes) { return write_all(bytes); }

void TerminalSession::set_bookends(std::string_view on_enter, std::string_view on_leave) {
  // A handler running meanwhile sees an empty text, never a half-copied one.
  const auto keep = [](char* buffer, volatile sig_atomic_t& size, std::string_view text) {
    size = 0;
    if (text.size() > sizeof g_session.on_leave) return;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    text.copy(buffer, text.size());
    std::atomic_signal_fence(std::memory_order_seq_cst);
    size = static_cast<sig_atomic_t>(text.size());
  };
  keep(g_session.on_enter, g_session.on_enter_size, on_enter);
  keep(g_session.on_leave, g_session.on_leave_size, on_leave);
}

Result<TerminalReplies> TerminalSession::ask(std::string_view questions, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  if (auto written = write_all(questions); !written) return written.error();
  const auto deadline = Clock::now() + limit;
  std::string received;
  TerminalReplies replies;
  for (;;) {
    replies = split_terminal_replies(received);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (replies.complete || left <= 0) break;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return os_error(errno);
    if (ready <= 0 || !(fd.revents & (POLLIN | POLLHUP | POLLERR))) continue;
    char bytes[4096];
    const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (got < 0 && errno != EINTR && errno != EAGAIN) return os_error(errno);
    if (got == 0) break;
    if (got > 0) received.append(bytes, static_cast<std::size_t>(got));
  }
  // Keys typed while the terminal answered are read as keys afterwards.
  keys_.push(replies.other);
  replies.other.clear();
  return replies;
}

Result<std::optional<TerminalEvent>> TerminalSession::wait_event(std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  using std::chrono::milliseconds;
  Key key;
  auto status = keys_.next(key);
  if (status == KeyDecoder::Status::Key) {
    partial_since_.reset();
    return std::optional<TerminalEvent>{key};
  }

  int timeout = static_cast<int>(limit.count());
  if (status == KeyDecoder::Status::Again) {
    // A lone Esc may be the start of a sequence: give the rest of it a
    // short wait, then take the Esc as it is.
    if (!partial_since_) partial_since_ = Clock::now();
    const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - *partial_since_);
    const int left = KeyDecoder::kWaitMs - static_cast<int>(waited.count());
    if (left <= 0) {
      partial_since_.reset();
      if (keys_.force(key) == KeyDecoder::Status::Key) return std::optional<TerminalEvent>{key};
      return std::optional<TerminalEvent>{};
    }
    timeout = std::min(timeout, left);
  } else {
    partial_since_.reset();
  }

  pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_session.winch_pipe[0], POLLIN, 0}};
  const int ready = ::poll(fds, 2, timeout);
  if (ready < 0) {
    if (errno == EINTR) return std::optional<TerminalEvent>{};
    return os_error(errno);
  }
  if (fds[1].revents & POLLIN) {
    char drain[64];
    while (::read(g_session.winch_pipe[0], drain, sizeof drain) > 0) {
    }
    return std::optional<TerminalEvent>{ResizeEvent{}};
  }
  if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
    char bytes[4096];
    const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (got < 0 && errno != EINTR && errno != EAGAIN) return os_error(errno);
    if (got == 0) return Error{"the terminal closed its input"};
    if (got > 0) keys_.push(std::string_view(bytes, static_cast<std::size_t>(got)));
    status = keys_.next(key);
    if (status == KeyDecoder::Status::Key) {
      partial_since_.reset();
      return std::optional<TerminalEvent>{key};
    }
    if (status == KeyDecoder::Status::Again && !partial_since_) partial_since_ = Clock::now();
  }
  return std::optional<TerminalEvent>{};
}

}  // namespace sys
