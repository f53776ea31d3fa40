#include "wallpaper/backends.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "wallpaper/catalogue.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::FakeRunner;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

const Outcome kRunning{};
const Outcome kNotRunning{.exit_code = 1};

/// An image, and daemon clients whose probes all fail unless a test says so.
class Backends : public testing_support::SandboxTest {
 protected:
  Backends() {
    write_text(dir_ / "w" / "a.png", "x");
    for (const char* client : {"hyprctl", "awww", "swww"}) runner_.on(client, kNotRunning);
  }
  wallpaper::Wallpaper image() const { return {"a.png", dir_ / "w" / "a.png"}; }
  std::string image_text() const { return (dir_ / "w" / "a.png").string(); }
  fs::path saved() const { return config_dir() / "morvane" / "wallpaper"; }
  sys::Result<std::string> apply(const wallpaper::Wallpaper& w) { return wallpaper::apply_wallpaper(env_, runner_, w); }
};

TEST_F(Backends, FirstRunningDaemonInOrder) {
  const struct {
    std::vector<const char*> running;
    const char* backend;
    std::vector<std::string> commands;
  } cases[] = {
      {{"hyprctl", "swww"}, "hyprpaper", {"hyprctl\thyprpaper\tlistactive", "hyprctl\thyprpaper\twallpaper\t, {}, cover"}},
      {{"swww"}, "swww", {"hyprctl\thyprpaper\tlistactive", "awww\tquery", "swww\tquery", "swww\timg\t{}\t--transition-type\tfade"}},
      {{"awww", "swww"}, "awww", {"hyprctl\thyprpaper\tlistactive", "awww\tquery", "awww\timg\t{}\t--transition-type\tfade"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.backend);
    FakeRunner runner;
    for (const char* client : {"hyprctl", "awww", "swww"}) runner.on(client, kNotRunning);
    for (const char* client : c.running) runner.on(client, kRunning);
    EXPECT_EQ(wallpaper::apply_wallpaper(env_, runner, image()).value(), std::string("wallpaper applied with ") + c.backend);
    std::vector<std::string> expected;
    for (auto line : c.commands) {
      if (const auto at = line.find("{}"); at != std::string::npos) line.replace(at, 2, image_text());
      expected.push_back(line);
    }
    EXPECT_EQ(runner.lines(), expected);
    EXPECT_EQ(read_text(saved()), image_text());
  }
}

TEST_F(Backends, MissingHyprctlIsJustAFailedProbe) {
  runner_.forget("hyprctl");
  runner_.on("awww", kRunning);
  EXPECT_EQ(apply(image()).value(), "wallpaper applied with awww");
}

TEST_F(Backends, NoDaemon) {
  EXPECT_EQ(apply(image()).error_text(), "no running wallpaper backend (hyprpaper, awww, or swww)");
  EXPECT_FALSE(fs::exists(saved()));
}

TEST_F(Backends, FailedApplyStopsThereAndSavesNothing) {
  std::string err = "\n   \r\nerror: bad image\r\nmore\n";
  runner_.on("hyprctl", [&](const sys::Command& command) {
    return command.args[1] == "wallpaper" ? Outcome{.exit_code = 1, .err = err} : kRunning;
  });
  runner_.on("awww", kRunning);
  EXPECT_EQ(apply(image()).error_text(), "error: bad image");
  EXPECT_EQ(runner_.commands.size(), 2u);  // awww is never tried
  EXPECT_FALSE(fs::exists(saved()));
  err.clear();
  EXPECT_EQ(apply(image()).error_text(), "wallpaper command failed");
}

TEST_F(Backends, CommandHelpers) {
  EXPECT_FALSE(wallpaper::command_succeeds(runner_, "tintwell-no-such-program", {}));
  EXPECT_EQ(wallpaper::run_wallpaper_command(runner_, "tintwell-no-such-program", {}).error_text(),
            "tintwell-no-such-program: No such file or directory (os error 2)");
  runner_.on("swww", Outcome{.out = "lots of output\n"});
  EXPECT_TRUE(wallpaper::command_succeeds(runner_, "swww", {"query"}));
  EXPECT_TRUE(wallpaper::run_wallpaper_command(runner_, "swww", {"img"}).ok());
  runner_.on("swww", Outcome{.signal = 9, .err = " \n"});
  EXPECT_EQ(wallpaper::run_wallpaper_command(runner_, "swww", {"img"}).error_text(), "wallpaper command failed");
}

TEST_F(Backends, DeletedFileFailsBeforeAnyProbe) {
  fs::remove(dir_ / "w" / "a.png");
  EXPECT_EQ(apply(image()).error_text(), image_text() + ": No such file or directory (os error 2)");
  EXPECT_TRUE(runner_.commands.empty());
}

TEST_F(Backends, LinkIsResolvedBeforeUseAndSaving) {
  fs::create_symlink(dir_ / "w" / "a.png", dir_ / "link.png");
  runner_.on("awww", kRunning);
  ASSERT_TRUE(apply({"link.png", dir_ / "link.png"}).ok());
  EXPECT_EQ(runner_.lines().back(), "awww\timg\t" + image_text() + "\t--transition-type\tfade");
  EXPECT_EQ(read_text(saved()), image_text());
}

TEST_F(Backends, APathThatIsNotUtf8TravelsAsItsBytes) {
  const std::string latin = (dir_ / "w" / "caf\xe9.jpg").string();
  write_text(latin, "x");
  runner_.on("hyprctl", kRunning);
  ASSERT_TRUE(apply({"caf\xef\xbf\xbd.jpg", latin}).ok());
  EXPECT_EQ(runner_.lines().back(), "hyprctl\thyprpaper\twallpaper\t, " + latin + ", cover");
  EXPECT_EQ(read_text(saved()), latin);
  EXPECT_EQ(wallpaper::load_saved_wallpaper(env_).value_or("").string(), latin) << "--apply finds it again";
}

TEST_F(Backends, SavingFailureIsReportedAfterApplying) {
  write_text(config_dir() / "morvane", "a file where the directory should be");
  runner_.on("awww", kRunning);
  EXPECT_EQ(apply(image()).error_text(), (config_dir() / "morvane").string() + ": Not a directory (os error 20)");
  EXPECT_EQ(runner_.lines().back(), "awww\timg\t" + image_text() + "\t--transition-type\tfade");
}

TEST_F(Backends, LoginRetriesTwentyTimesThreeQuartersOfASecondApart) {
  // Time passes only in the pauses and in the limits of hanging programs.
  std::vector<std::chrono::milliseconds> pauses;
  std::chrono::milliseconds slept{0};
  const sys::SleepFn sleep = [&](std::chrono::milliseconds pause) {
    pauses.push_back(pause);
    slept += pause;
  };
  const auto start = std::chrono::steady_clock::time_point{};
  const sys::ClockFn now = [&] { return start + slept + runner_.waited; };
  wallpaper::reapply_saved_wallpaper(env_, runner_, sleep, now);  // nothing saved: nothing run
  EXPECT_TRUE(runner_.commands.empty());

  write_text(saved(), "  " + image_text() + "\n");
  wallpaper::reapply_saved_wallpaper(env_, runner_, sleep, now);
  EXPECT_EQ(runner_.count("hyprctl"), 20u);
  EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(19, std::chrono::milliseconds(750)));

  // A daemon that comes up on the third attempt.
  pauses.clear();
  runner_.commands.clear();
  int probes = 0;
  runner_.on("swww", [&](const sys::Command&) { return ++probes >= 3 ? kRunning : kNotRunning; });
  wallpaper::reapply_saved_wallpaper(env_, runner_, sleep, now);
  EXPECT_EQ(pauses.size(), 2u);
  EXPECT_EQ(runner_.lines().back(), "swww\timg\t" + image_text() + "\t--transition-type\tfade");
  EXPECT_EQ(read_text(saved()), image_text());
}

TEST_F(Backends, EveryProgramHangingEndsTheLoginHookWithinAMinute) {
  std::chrono::milliseconds slept{0};
  const auto start = std::chrono::steady_clock::time_point{};
  const sys::ClockFn now = [&] { return start + slept + runner_.waited; };
  for (const char* client : {"hyprctl", "awww", "swww"}) runner_.on(client, Outcome{.hangs = true});
  write_text(saved(), image_text());
  wallpaper::reapply_saved_wallpaper(env_, runner_, [&](std::chrono::milliseconds pause) { slept += pause; }, now);
  EXPECT_LT(now() - start, std::chrono::seconds(60));
  EXPECT_GT(runner_.count("hyprctl"), 1u) << "still retried while the budget lasts";
  for (const auto limit : runner_.limits) EXPECT_LE(limit, std::chrono::seconds(10));

  // A hanging apply command fails with a message, and nothing is saved.
  fs::remove(saved());
  runner_.on("awww", [](const sys::Command& command) { return Outcome{.hangs = command.args[0] == "img"}; });
  EXPECT_EQ(apply(image()).error_text(), "awww did not finish within 10 s");
  EXPECT_FALSE(fs::exists(saved()));
}

}  // namespace
