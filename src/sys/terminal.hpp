#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <variant>

#include "sys/keys.hpp"
#include "sys/result.hpp"
#include "sys/terminal_replies.hpp"

namespace sys {

struct TermSize {
  std::uint16_t columns = 0;
  std::uint16_t rows = 0;
  /// The window in pixels, where the terminal says (0 where it does not).
  std::uint16_t width_px = 0;
  std::uint16_t height_px = 0;
};

/// The terminal's size, asked of standard output (or standard input).
Result<TermSize> terminal_size();

/// Writes all of `bytes` to standard output (the terminal).
Result<void> write_to_terminal(std::string_view bytes);

struct ResizeEvent {};
using TerminalEvent = std::variant<Key, ResizeEvent>;

/// The full-screen session on the controlling terminal: raw mode, the
/// alternate screen and a hidden cursor. Each change registers its undo
/// when it is made; `restore` (also run by the destructor) gives the
/// terminal back in the reverse order. While a session is open, every
/// catchable signal that would end the program gives the terminal back
/// before it does; SIGTSTP gives it back and stops, SIGCONT takes it again
/// and asks for a redraw (as a resize does); SIGPIPE is ignored, so that a
/// closed output is an ordinary write error.
class TerminalSession {
 public:
  /// Enters raw mode, the alternate screen and the hidden cursor.
  static Result<std::unique_ptr<TerminalSession>> enter();
  ~TerminalSession();
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  /// Writes `bytes` to the terminal at once.
  Result<void> write(std::string_view bytes);
  /// Writes `questions` (ending with one that every terminal answers, see
  /// `terminal_questions`) and reads the answers for at most `limit`; what
  /// else arrives meanwhile (keys) is kept for `wait_event`, never lost.
  Result<TerminalReplies> ask(std::string_view questions, std::chrono::milliseconds limit);
  /// Waits at most `limit` for a key or a resize.
  Result<std::optional<TerminalEvent>> wait_event(std::chrono::milliseconds limit);
  /// Resets colours, shows the cursor, leaves the alternate screen and raw
  /// mode. Failures are ignored; calling it again does nothing.
  void restore();
  /// Escape text written when the terminal is given back (by `restore`, a
  /// signal that ends or stops the program) and, on SIGCONT, taken again.
  /// Each at most 1024 bytes (a theme's colours take about 400); longer
  /// ones are not kept.
  void set_bookends(std::string_view on_enter, std::string_view on_leave);

 private:
  TerminalSession() = default;
  KeyDecoder keys_;
  std::optional<std::chrono::steady_clock::time_point> partial_since_;
};

}  // namespace sys
