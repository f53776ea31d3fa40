#include "sys/process.hpp"

#include <signal.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

namespace {

using sys::Command;
using sys::Stdio;
using Clock = std::chrono::steady_clock;

Command sh(std::string script, Stdio out = Stdio::Capture, Stdio err = Stdio::Capture) {
  // The tests use a shell as a convenient child; the module itself never does.
  return Command{.program = "sh", .args = {"-c", std::move(script)}, .out = out, .err = err};
}

TEST(Process, TimeLimitsKillTheChildAndItsGroup) {
  sys::SystemProcessRunner runner;
  const auto start = Clock::now();
  auto hung = runner.run_for(sh("sleep 5", Stdio::Null, Stdio::Null), std::chrono::milliseconds(30));
  ASSERT_TRUE(hung.ok());
  EXPECT_FALSE(hung.value().has_value());
  EXPECT_EQ(runner.run_for(sh("echo done"), std::chrono::seconds(5)).value()->out, "done\n");
  // Started with standard input closed, as some launchers do: a pipe end may be descriptor 0.
  const int saved_in = dup(STDIN_FILENO);
  close(STDIN_FILENO);
  const auto err_only = sys::run(sh("echo x >&2", Stdio::Null));
  const auto out_only = sys::run(sh("echo y", Stdio::Capture, Stdio::Null));
  dup2(saved_in, STDIN_FILENO);
  close(saved_in);
  EXPECT_EQ(err_only.value().err, "x\n");
  EXPECT_EQ(out_only.value().out, "y\n");
  // Standard error is still read after standard output has closed: more than a pipe holds.
  EXPECT_EQ(sys::run(sh("exec >&-; head -c 100000 /dev/zero >&2")).value().err.size(), 100000u);
  auto group = sys::spawn(Command{.program = "sh", .args = {"-c", "sleep 5 & echo $!; wait"}, .out = Stdio::Capture,
                                  .new_process_group = true});
  ASSERT_TRUE(group.ok());
  EXPECT_EQ(getpgid(group.value().pid()), group.value().pid());
  EXPECT_FALSE(group.value().wait_for(std::chrono::milliseconds(50)).value().has_value());
  EXPECT_NE(kill(group.value().pid(), 0), 0) << "reaped, gone";
  // A grandchild holding the pipe does not hold the wait.
  EXPECT_EQ(sys::run(sh("sleep 3 & echo parent")).value().out, "parent\n");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST(Process, TryWaitAndDetachedStartsDoNotBlock) {
  auto child = sys::spawn(sh("sleep 0.05; echo late"));
  ASSERT_TRUE(child.ok());
  EXPECT_FALSE(child.value().try_wait().value().has_value());
  std::optional<sys::Output> done;
  for (int i = 0; i < 200 && !done; ++i) {
    done = child.value().try_wait().value();
    if (!done) usleep(10000);
  }
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->out, "late\n");
  const auto start = Clock::now();
  EXPECT_TRUE(sys::spawn_detached(sh("sleep 1", Stdio::Null, Stdio::Null)).ok());
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(sys::spawn_detached(Command{.program = "tintwell-no-such-program"}).ok());
  // Output nobody will read goes nowhere rather than into a pipe closed under it.
  char dir[] = "/tmp/tintwell-detached-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string marker = std::string(dir) + "/done";
  ASSERT_TRUE(sys::spawn_detached(sh("sleep 0.02; echo out; echo err >&2; touch " + marker)).ok());
  for (int i = 0; i < 200 && access(marker.c_str(), F_OK) != 0; ++i) usleep(10000);
  EXPECT_EQ(access(marker.c_str(), F_OK), 0);
  unlink(marker.c_str());
  rmdir(dir);
}

TEST(Process, AChildStartsWithNothingToReadAndNoSignalBlocked) {
  // Blocked here (as a thread of ours may have it): never in the child, which
  // would then ignore the terminal's Ctrl+C or our kill at its limit.
  sigset_t blocked, before;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &blocked, &before);
  auto done = sys::run(sh("readlink /proc/self/fd/0; grep SigBlk /proc/self/status", Stdio::Capture));
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value().out, "/dev/null\nSigBlk:\t0000000000000000\n");
}

}  // namespace
