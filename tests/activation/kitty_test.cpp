#include "activation/kitty.hpp"
#include "activation/recolour.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

TEST(KittyInclude, FoundOnlyOnAnIncludeLine) {
  EXPECT_TRUE(activation::has_kitty_include("  include ~/.config/morvane/themes/current/kitty.conf  \n"));
  EXPECT_FALSE(activation::has_kitty_include("# include ../morvane/themes/current/kitty.conf\n"));
  EXPECT_FALSE(activation::has_kitty_include("globinclude ../morvane/themes/current/kitty.conf\n"));
  EXPECT_EQ(activation::with_kitty_include("font_size 11"),
            "font_size 11\n# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n");
}

class KittyShell : public testing_support::SandboxTest {};

TEST_F(KittyShell, IncludeIsWrittenOnce) {
  ASSERT_TRUE(activation::ensure_kitty_include(config_dir()).ok());
  const fs::path conf = config_dir() / "kitty" / "kitty.conf";
  EXPECT_EQ(read_text(conf), "\n# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n");
  write_text(conf, "font_size 11\ninclude ../morvane/themes/current/kitty.conf\n");
  ASSERT_TRUE(activation::ensure_kitty_include(config_dir()).ok());
  EXPECT_EQ(read_text(conf), "font_size 11\ninclude ../morvane/themes/current/kitty.conf\n");
}

TEST_F(KittyShell, LauncherOnlyWhenItsSocketExists) {
  env_.xdg_runtime_dir = (dir_ / "run").string();
  // Unset, empty or relative: the user's /run/user directory, else /tmp.
  const unsigned me = ::geteuid();
  for (const char* unusable : {"", "run"}) {
    const themes::Environment unset{.xdg_runtime_dir = unusable, .uid = me};
    EXPECT_EQ(themes::locations(unset, dir_ / "nowhere").launcher_socket, fs::path("/tmp/app-launcher-kitty.sock"));
    fs::create_directories(dir_ / "run-user" / std::to_string(me));
    EXPECT_EQ(themes::locations(unset, dir_ / "run-user").launcher_socket,
              dir_ / "run-user" / std::to_string(me) / "app-launcher-kitty.sock");
  }
  const auto notes = [this] { return activation::recolour_running_programs(env_, themes::locations(env_), runner_, "\n"); };
  EXPECT_TRUE(notes().empty());
  EXPECT_EQ(runner_.count("kitty"), 0u);

  fs::create_directories(dir_ / "run");
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = themes::locations(env_).launcher_socket.string();
  socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const std::string prefix = "launcher colors could not be refreshed: ";
  EXPECT_EQ(notes(), std::vector<std::string>{prefix + "No such file or directory (os error 2)"});  // no kitty
  runner_.on("kitty", Outcome{.exit_code = 1, .err = "Error: no such window\n"});
  EXPECT_EQ(notes(), std::vector<std::string>{prefix + "Kitty exited with exit status: 1: Error: no such window"});
  EXPECT_EQ(runner_.lines().back(),
            "kitty\t@\t--to=unix:" + socket_path + "\tset-colors\t--all\t--configured\t" +
                (themes_dir() / ".active" / "colors.conf").string());
  runner_.on("kitty", Outcome{});
  EXPECT_TRUE(notes().empty());
  close(fd);
}

}  // namespace
