#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sys/result.hpp"

namespace sys {

/// Where one standard stream of a child goes.
enum class Stdio {
  Null,     ///< the null device
  Capture,  ///< a pipe read into memory (output streams only)
  Inherit,  ///< this program's own stream
};

/// A program to run by name through PATH, without a shell, with the
/// inherited environment.
struct Command {
  std::string program;
  std::vector<std::string> args{};
  Stdio in = Stdio::Null;
  Stdio out = Stdio::Null;
  Stdio err = Stdio::Null;
  bool new_process_group = false;
};

/// A command and how long it may take.
struct TimedCommand {
  Command command;
  std::chrono::milliseconds limit;
};

/// How a child ended, from its wait status.
class ExitStatus {
 public:
  explicit ExitStatus(int wait_status) : status_(wait_status) {}
  bool success() const { return code() == 0; }
  std::optional<int> code() const;
  std::optional<int> signal() const;
  /// "exit status: N" or "signal: N (SIGNAME)".
  std::string text() const;

 private:
  int status_;
};

struct Output {
  ExitStatus status;
  std::string out;  ///< captured standard output (empty unless captured)
  std::string err;  ///< captured standard error (empty unless captured)
};

/// A started child process. A child dropped before it was reaped is
/// reaped in the background, so it never lingers as a zombie.
class Child {
 public:
  Child(pid_t pid, int out_fd, int err_fd);
  Child(Child&& other) noexcept;
  Child& operator=(Child&&) = delete;
  Child(const Child&) = delete;
  ~Child();

  pid_t pid() const { return pid_; }

  /// Waits for the child to end, reading its captured streams.
  Result<Output> wait();
  /// The outcome if the child has ended, without blocking.
  Result<std::optional<Output>> try_wait();
  /// Waits at most `limit`; past it the child (and its process group, if
  /// it has one of its own) is killed and reaped and nothing is returned.
  Result<std::optional<Output>> wait_for(std::chrono::milliseconds limit);

 private:
  friend Result<Child> spawn(const Command& command);
  int drain(int timeout_ms);
  bool pipes_open() const;
  Result<std::optional<Output>> reap(bool block);
  void close_pipes();

  pid_t pid_;
  int out_fd_;
  int err_fd_;
  int pid_fd_ = -1;  ///< readable once the child has ended; -1 where the kernel has none
  bool own_group_ = false;
  bool reaped_ = false;
  std::string out_;
  std::string err_;
};

/// Starts `command`. Fails with the system error text when the program
/// cannot be started (for example when it is not on PATH).
Result<Child> spawn(const Command& command);

/// Starts `command` and waits for it.
Result<Output> run(const Command& command);

/// Starts `command` and does not wait for it.
Result<void> spawn_detached(const Command& command);

/// Every external program runs through one of these: the real one starts
/// processes, tests use a recording fake that returns scripted outcomes.
/// A program that is waited for always has a time limit: a compositor
/// that is busy or not yet up, or a kitty that does not answer, must not
/// hang the Switcher or the login hook.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  /// Starts `command` and waits at most `limit`; a child still running
  /// then is killed and reaped, and nothing is returned.
  virtual Result<std::optional<Output>> run_for(const Command& command, std::chrono::milliseconds limit) = 0;
  /// Starts `command` and does not wait for it.
  virtual Result<void> start_detached(const Command& command) = 0;
  /// Runs every command at once, each within its own limit: the slowest
  /// sets the time, not their sum. One result per command, in order. This
  /// default runs them one after the other (fakes record them in order
  /// that way).
  virtual std::vector<Result<std::optional<Output>>> run_all_for(const std::vector<TimedCommand>& commands);
};

class SystemProcessRunner final : public ProcessRunner {
 public:
  Result<std::optional<Output>> run_for(const Command& command, std::chrono::milliseconds limit) override;
  Result<void> start_detached(const Command& command) override { return spawn_detached(command); }
  std::vector<Result<std::optional<Output>>> run_all_for(const std::vector<TimedCommand>& commands) override;
};

/// Whether `program` is a file in one of the directories of `path` (a PATH
/// value; an empty entry is the working directory).
bool is_on_path(const std::optional<std::string>& path, std::string_view program);

/// Pauses the calling thread; retries take one as a parameter so that
/// tests never wait in real time.
using SleepFn = std::function<void(std::chrono::milliseconds)>;
void sleep_for(std::chrono::milliseconds pause);

/// The monotonic clock, as a parameter for the same reason.
using ClockFn = std::function<std::chrono::steady_clock::time_point()>;
std::chrono::steady_clock::time_point steady_now();

}  // namespace sys
