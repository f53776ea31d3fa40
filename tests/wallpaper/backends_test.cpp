#include "wallpaper/backends.hpp"

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"
#include "wallpaper/catalogue.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::write_text;

/// Fake daemon clients on PATH, all probes failing unless a test says so.
class Backends : public testing_support::FakeSystemTest {
 protected:
  Backends()
      : hyprctl_("FAKE_HYPRCTL_STATUS", "1"),
        awww_("FAKE_AWWW_STATUS", "1"),
        swww_("FAKE_SWWW_STATUS", "1") {
    write_text(dir_ / "w" / "a.png", "x");
  }
  wallpaper::Wallpaper image() const { return {"a.png", dir_ / "w" / "a.png"}; }
  std::string image_text() const { return (dir_ / "w" / "a.png").string(); }

  ScopedEnv hyprctl_, awww_, swww_;
};

TEST_F(Backends, HyprpaperFirstThenNothingElse) {
  ScopedEnv hyprctl("FAKE_HYPRCTL_STATUS", "0");
  ScopedEnv swww("FAKE_SWWW_STATUS", "0");
  auto outcome = wallpaper::apply_wallpaper(image());
  ASSERT_TRUE(outcome.ok()) << outcome.error_text();
  EXPECT_EQ(outcome.value(), "wallpaper applied with hyprpaper");
  EXPECT_EQ(log(), (std::vector<std::string>{"hyprctl\thyprpaper\tlistactive",
                                             "hyprctl\thyprpaper\twallpaper\t, " + image_text() + ", cover"}));
  EXPECT_EQ(read_text(config_dir() / "morvane" / "wallpaper"), image_text());
}

TEST_F(Backends, ProbesInOrder) {
  ScopedEnv swww("FAKE_SWWW_STATUS", "0");
  EXPECT_EQ(wallpaper::apply_wallpaper(image()).value(), "wallpaper applied with swww");
  EXPECT_EQ(log(), (std::vector<std::string>{"hyprctl\thyprpaper\tlistactive", "awww\tquery", "swww\tquery",
                                             "swww\timg\t" + image_text() + "\t--transition-type\tfade"}));
}

TEST_F(Backends, MissingHyprctlIsJustAFailedProbe) {
  fs::create_directories(dir_ / "bin");
  fs::create_symlink(fs::path(TINTWELL_FAKES_DIR) / "awww", dir_ / "bin" / "awww");
  ScopedEnv path("PATH", (dir_ / "bin").string());
  ScopedEnv awww("FAKE_AWWW_STATUS", "0");
  EXPECT_EQ(wallpaper::apply_wallpaper(image()).value(), "wallpaper applied with awww");
}

TEST_F(Backends, NoDaemon) {
  auto outcome = wallpaper::apply_wallpaper(image());
  ASSERT_FALSE(outcome.ok());
  EXPECT_EQ(outcome.error_text(), "no running wallpaper backend (hyprpaper, awww, or swww)");
  EXPECT_FALSE(fs::exists(config_dir() / "morvane" / "wallpaper"));
}

TEST_F(Backends, FailedApplyStopsThereAndSavesNothing) {
  ScopedEnv hyprctl("FAKE_HYPRCTL_STATUS", "0");
  ScopedEnv fail("FAKE_HYPRCTL_FAIL_ARG", "wallpaper");
  ScopedEnv err("FAKE_HYPRCTL_FAIL_STDERR", "\\n   \\r\\nerror: bad image\\r\\nmore\\n");
  ScopedEnv awww("FAKE_AWWW_STATUS", "0");
  auto outcome = wallpaper::apply_wallpaper(image());
  ASSERT_FALSE(outcome.ok());
  EXPECT_EQ(outcome.error_text(), "error: bad image");
  EXPECT_EQ(log().size(), 2u);  // awww is never tried
  EXPECT_FALSE(fs::exists(config_dir() / "morvane" / "wallpaper"));

  ScopedEnv silent("FAKE_HYPRCTL_FAIL_STDERR", "");
  EXPECT_EQ(wallpaper::apply_wallpaper(image()).error_text(), "wallpaper command failed");
}

TEST_F(Backends, CommandHelpers) {
  EXPECT_FALSE(wallpaper::command_succeeds("tintwell-no-such-program", {}));
  EXPECT_TRUE(wallpaper::command_succeeds("true", {}));
  EXPECT_EQ(wallpaper::run_wallpaper_command("tintwell-no-such-program", {}).error_text(),
            "tintwell-no-such-program: No such file or directory (os error 2)");
  ScopedEnv out("FAKE_SWWW_STDOUT", "lots of output\\n");
  ScopedEnv ok("FAKE_SWWW_STATUS", "0");
  EXPECT_TRUE(wallpaper::run_wallpaper_command("swww", {"img"}).ok());
  ScopedEnv killed("FAKE_SWWW_SIGNAL", "KILL");
  EXPECT_EQ(wallpaper::run_wallpaper_command("swww", {"img"}).error_text(), "wallpaper command failed");
}

TEST_F(Backends, DeletedFileFailsBeforeAnyProbe) {
  fs::remove(dir_ / "w" / "a.png");
  EXPECT_EQ(wallpaper::apply_wallpaper(image()).error_text(),
            image_text() + ": No such file or directory (os error 2)");
  EXPECT_TRUE(log().empty());
}

TEST_F(Backends, LinkIsResolvedBeforeUseAndSaving) {
  fs::create_symlink(dir_ / "w" / "a.png", dir_ / "link.png");
  ScopedEnv awww("FAKE_AWWW_STATUS", "0");
  ASSERT_TRUE(wallpaper::apply_wallpaper({"link.png", dir_ / "link.png"}).ok());
  EXPECT_EQ(log().back(), "awww\timg\t" + image_text() + "\t--transition-type\tfade");
  EXPECT_EQ(read_text(config_dir() / "morvane" / "wallpaper"), image_text());
}

TEST_F(Backends, SavingFailureIsReportedAfterApplying) {
  write_text(config_dir() / "morvane", "a file where the directory should be");
  ScopedEnv awww("FAKE_AWWW_STATUS", "0");
  auto outcome = wallpaper::apply_wallpaper(image());
  ASSERT_FALSE(outcome.ok());
  EXPECT_EQ(outcome.error_text(), "Not a directory (os error 20)");
  EXPECT_EQ(log().back(), "awww\timg\t" + image_text() + "\t--transition-type\tfade");
}

}  // namespace
