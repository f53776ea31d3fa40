#include "sys/process.hpp"

#include <signal.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

namespace {

using sys::Command;
using sys::Stdio;

Command sh(std::string script, Stdio out = Stdio::Capture, Stdio err = Stdio::Capture) {
  // The tests use a shell as a convenient child; the module itself never does.
  return Command{.program = "sh", .args = {"-c", std::move(script)}, .out = out, .err = err};
}

TEST(Process, CapturesBothStreamsAndTheExitStatus) {
  auto output = sys::run(sh("echo out; echo err >&2; exit 3"));
  ASSERT_TRUE(output.ok()) << output.error_text();
  EXPECT_EQ(output.value().out, "out\n");
  EXPECT_EQ(output.value().err, "err\n");
  EXPECT_EQ(output.value().status.code(), 3);
  EXPECT_FALSE(output.value().status.success());
  EXPECT_EQ(output.value().status.text(), "exit status: 3");
}

TEST(Process, LargeOutputOnBothStreamsDoesNotDeadlock) {
  auto output = sys::run(sh("head -c 300000 /dev/zero; head -c 300000 /dev/zero >&2"));
  ASSERT_TRUE(output.ok());
  EXPECT_EQ(output.value().out.size(), 300000u);
  EXPECT_EQ(output.value().err.size(), 300000u);
}

TEST(Process, NullStreamsAndNoShellInterpretation) {
  auto output = sys::run(Command{.program = "echo", .args = {"$HOME", "a b"}, .out = Stdio::Capture});
  ASSERT_TRUE(output.ok());
  EXPECT_EQ(output.value().out, "$HOME a b\n");
  auto quiet = sys::run(Command{.program = "cat"});  // standard input is the null device
  ASSERT_TRUE(quiet.ok());
  EXPECT_TRUE(quiet.value().status.success());
}

TEST(Process, MissingProgramIsAStartError) {
  auto output = sys::run(Command{.program = "tintwell-no-such-program"});
  ASSERT_FALSE(output.ok());
  EXPECT_EQ(output.error_text(), "No such file or directory (os error 2)");
}

TEST(Process, SignalStatusText) {
  auto output = sys::run(sh("kill -TERM $$"));
  ASSERT_TRUE(output.ok());
  EXPECT_EQ(output.value().status.signal(), SIGTERM);
  EXPECT_FALSE(output.value().status.code().has_value());
  EXPECT_EQ(output.value().status.text(), "signal: 15 (SIGTERM)");
}

TEST(Process, WaitForKillsAfterTheLimit) {
  const auto start = std::chrono::steady_clock::now();
  auto child = sys::spawn(sh("sleep 5", Stdio::Null, Stdio::Null));
  ASSERT_TRUE(child.ok());
  auto outcome = child.value().wait_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(outcome.ok());
  EXPECT_FALSE(outcome.value().has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_NE(kill(child.value().pid(), 0), 0);  // reaped, gone
}

TEST(Process, WaitForReturnsTheOutcomeInTime) {
  auto child = sys::spawn(sh("echo done"));
  ASSERT_TRUE(child.ok());
  auto outcome = child.value().wait_for(std::chrono::seconds(5));
  ASSERT_TRUE(outcome.ok());
  ASSERT_TRUE(outcome.value().has_value());
  EXPECT_EQ(outcome.value()->out, "done\n");
}

TEST(Process, NewProcessGroupIsKilledWhole) {
  auto child = sys::spawn(Command{.program = "sh",
                                  .args = {"-c", "sleep 5 & echo $!; wait"},
                                  .out = Stdio::Capture,
                                  .new_process_group = true});
  ASSERT_TRUE(child.ok());
  EXPECT_EQ(getpgid(child.value().pid()), child.value().pid());
  auto outcome = child.value().wait_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(outcome.ok());
  EXPECT_FALSE(outcome.value().has_value());
}

TEST(Process, TryWaitDoesNotBlock) {
  auto child = sys::spawn(sh("sleep 0.2; echo late"));
  ASSERT_TRUE(child.ok());
  auto early = child.value().try_wait();
  ASSERT_TRUE(early.ok());
  EXPECT_FALSE(early.value().has_value());
  std::optional<sys::Output> done;
  for (int i = 0; i < 200 && !done; ++i) {
    auto polled = child.value().try_wait();
    ASSERT_TRUE(polled.ok());
    done = std::move(polled).value();
    if (!done) usleep(10000);
  }
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->out, "late\n");
}

TEST(Process, GrandchildHoldingThePipeDoesNotBlockWait) {
  const auto start = std::chrono::steady_clock::now();
  auto output = sys::run(sh("sleep 3 & echo parent"));
  ASSERT_TRUE(output.ok());
  EXPECT_EQ(output.value().out, "parent\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(Process, DetachedStartReturnsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(sys::spawn_detached(sh("sleep 1", Stdio::Null, Stdio::Null)).ok());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(sys::spawn_detached(Command{.program = "tintwell-no-such-program"}).ok());
}

}  // namespace
