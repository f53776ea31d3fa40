#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>

#include "switcher/services.hpp"
#include "sys/process.hpp"
#include "sys/result.hpp"
#include "sys/terminal.hpp"

namespace switcher {

/// What the Switcher needs of the terminal it runs in: the real one is the
/// full-screen session on the controlling terminal; tests script one.
class SwitcherTerminal {
 public:
  virtual ~SwitcherTerminal() = default;
  virtual sys::Result<void> write(std::string_view bytes) = 0;
  virtual sys::Result<sys::TermSize> size() = 0;
  /// A key or a resize, waiting at most `limit`.
  virtual sys::Result<std::optional<sys::TerminalEvent>> wait_event(std::chrono::milliseconds limit) = 0;
  /// The answers to `questions`, waiting at most `limit`.
  virtual sys::Result<sys::TerminalReplies> ask(std::string_view questions, std::chrono::milliseconds limit) = 0;
  /// What is written when the terminal is given back (or taken again).
  virtual void set_bookends(std::string_view on_enter, std::string_view on_leave) = 0;
};

/// The Switcher on `terminal`, until the user quits; `now` is its clock.
/// Fails only with a terminal input/output error. `themes_dir` is named by
/// the empty theme list's line.
sys::Result<void> run_switcher_on(SwitcherTerminal& terminal, SwitcherServices& services,
                                  const std::filesystem::path& themes_dir, const sys::ClockFn& now);

/// The interactive Switcher: takes over the terminal, runs until the user
/// quits and gives the terminal back on every way out.
sys::Result<void> run_switcher(SwitcherServices& services, const std::filesystem::path& themes_dir);

}  // namespace switcher
