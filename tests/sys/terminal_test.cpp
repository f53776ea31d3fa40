#include "sys/terminal.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

/// Standard input and output moved onto a fresh pseudo-terminal (or the
/// null device) for the life of the object; the test reads what was drawn
/// from the terminal's other end.
class StandardStreamsOn {
 public:
  explicit StandardStreamsOn(bool input_is_terminal) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master_);
    unlockpt(master_);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    const winsize size{.ws_row = 30, .ws_col = 100, .ws_xpixel = 800, .ws_ypixel = 600};
    ioctl(slave_, TIOCSWINSZ, &size);
    saved_in_ = dup(STDIN_FILENO);
    saved_out_ = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(input_is_terminal ? slave_ : null, STDIN_FILENO);
    dup2(slave_, STDOUT_FILENO);
    close(null);
  }
  ~StandardStreamsOn() {
    dup2(saved_in_, STDIN_FILENO);
    dup2(saved_out_, STDOUT_FILENO);
    for (const int fd : {saved_in_, saved_out_, slave_, master_}) close(fd);
  }
  void type(std::string_view bytes) { ASSERT_EQ(write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  std::string drawn() {
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(master_, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    return out;
  }
  termios mode() const {
    termios t{};
    tcgetattr(slave_, &t);
    return t;
  }

 private:
  int master_, slave_, saved_in_, saved_out_;
};

sighandler_t handler_of(int sig) {
  struct sigaction action {};
  sigaction(sig, nullptr, &action);
  return action.sa_handler;
}

// Waits for the next event, a short while at a time, as the event loop does.
std::optional<sys::TerminalEvent> next_event(sys::TerminalSession& session) {
  for (int i = 0; i < 10; ++i)
    if (auto event = session.wait_event(100ms); event.ok() && event.value()) return event.value();
  return std::nullopt;
}

TEST(TerminalSession, TakesTheTerminalAndGivesEverythingBack) {
  StandardStreamsOn pty(true);
  const termios before = pty.mode();
  const sighandler_t term_before = handler_of(SIGTERM), pipe_before = handler_of(SIGPIPE);
  {
    auto entered = sys::TerminalSession::enter();
    ASSERT_TRUE(entered.ok()) << entered.error_text();
    sys::TerminalSession& session = *entered.value();
    const termios raw = pty.mode();
    EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u) << "keys arrive one by one, unechoed";
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    EXPECT_EQ(raw.c_cc[VTIME], 0);
    EXPECT_NE(handler_of(SIGTERM), term_before) << "an ending signal gives the terminal back first";
    EXPECT_EQ(handler_of(SIGPIPE), SIG_IGN);
    EXPECT_EQ(sys::terminal_size().value().columns, 100);

    pty.type("\x1b");  // a lone Esc, after the wait for the rest of a sequence
    const auto esc = next_event(session);
    ASSERT_TRUE(esc && std::holds_alternative<sys::Key>(*esc)) << "no key came";
    EXPECT_TRUE(std::get<sys::Key>(*esc) == sys::Key::named(sys::KeyCode::Esc));
    raise(SIGWINCH);
    const auto resized = next_event(session);
    EXPECT_TRUE(resized && std::holds_alternative<sys::ResizeEvent>(*resized)) << "a resize asks for a redraw";
    session.restore();
  }
  const termios after = pty.mode();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(handler_of(SIGTERM), term_before);
  EXPECT_EQ(handler_of(SIGPIPE), pipe_before);
  EXPECT_EQ(pty.drawn(), "\x1b[?1049h\x1b[?25l\x1b[0m\x1b[?25h\x1b[?1049l");
}

}  // namespace
