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
    write_text(dir_ / "w" / "a.png", testing_support::kPngStart);
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

TEST_F(Backends, APathThatIsNotUtf8TravelsAsItsBytes) {
  const std::string latin = (dir_ / "w" / "caf\xe9.jpg").string();
  write_text(latin, "\xff\xd8\xff\xe0");
  runner_.on("hyprctl", kRunning);
  ASSERT_TRUE(apply({"caf\xef\xbf\xbd.jpg", latin}).ok());
  EXPECT_EQ(runner_.lines().back(), "hyprctl\thyprpaper\twallpaper\t, " + latin + ", cover");
  EXPECT_EQ(read_text(saved()), latin);
  EXPECT_EQ(wallpaper::load_saved_wallpaper(env_).value_or("").string(), latin) << "--apply finds it again";
}

}  // namespace
