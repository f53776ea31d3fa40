#pragma once

#include <errno.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sys/os_error.hpp"
#include "sys/process.hpp"

namespace testing_support {

/// How a scripted program ends.
struct Outcome {
  int exit_code = 0;
  int signal = 0;  ///< ended by this signal instead, when not 0
  std::string out{};
  std::string err{};
  bool hangs = false;  ///< still running when a time limit ends (then killed)
};

/// A process runner that starts nothing: each program answers with its
/// scripted outcome, and every command is recorded. A program without a
/// script is not found, as if it were missing from PATH.
class FakeRunner final : public sys::ProcessRunner {
 public:
  using Script = std::function<Outcome(const sys::Command&)>;

  void on(const std::string& program, Outcome outcome) {
    scripts_[program] = [outcome](const sys::Command&) { return outcome; };
  }
  void on(const std::string& program, Script script) { scripts_[program] = std::move(script); }
  void forget(const std::string& program) { scripts_.erase(program); }

  /// Every command run so far as "program<TAB>arg<TAB>arg...".
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& command : commands) {
      std::string line = command.program;
      for (const auto& arg : command.args) line += "\t" + arg;
      out.push_back(line);
    }
    return out;
  }
  /// How many commands ran `program`.
  std::size_t count(const std::string& program) const {
    std::size_t n = 0;
    for (const auto& command : commands) n += command.program == program;
    return n;
  }

  sys::Result<std::optional<sys::Output>> run_for(const sys::Command& command, std::chrono::milliseconds limit) override {
    limits.push_back(limit);
    auto outcome = answer(command);
    if (!outcome) return outcome.error();
    if (outcome.value().hangs) {
      hung_for += limit;
      return std::optional<sys::Output>{};
    }
    return std::optional<sys::Output>{output(outcome.value())};
  }
  sys::Result<void> start_detached(const sys::Command& command) override {
    auto outcome = answer(command);
    if (!outcome) return outcome.error();
    return sys::success();
  }

  std::vector<sys::Command> commands;
  /// The time limit of each waited command, in order.
  std::vector<std::chrono::milliseconds> limits;
  /// The time the commands that hung took: each its whole limit.
  std::chrono::milliseconds hung_for{0};

 private:
  sys::Result<Outcome> answer(const sys::Command& command) {
    commands.push_back(command);
    const auto script = scripts_.find(command.program);
    if (script == scripts_.end()) return sys::os_error(ENOENT);
    return script->second(command);
  }
  static sys::Output output(const Outcome& outcome) {
    const int status = outcome.signal ? outcome.signal : outcome.exit_code << 8;
    return sys::Output{sys::ExitStatus(status), outcome.out, outcome.err};
  }

  std::map<std::string, Script> scripts_;
};

}  // namespace testing_support
