#include "themes/paths.hpp"

#include <gtest/gtest.h>

#include "main/environment.hpp"
#include "test_support.hpp"

namespace {

using themes::Environment;
namespace fs = std::filesystem;

TEST(Paths, ConfigHomeWinsOverHome) {
  EXPECT_EQ(themes::themes_dir(Environment{.home = "/home/u", .xdg_config_home = "/tmp/c"}),
            fs::path("/tmp/c/morvane/themes"));
  EXPECT_EQ(themes::themes_dir(Environment{.home = "/home/u"}), fs::path("/home/u/.config/morvane/themes"));
  EXPECT_EQ(themes::themes_dir(Environment{}), fs::path("./.config/morvane/themes"));
  // An empty value is used as it is: paths become relative.
  EXPECT_EQ(themes::themes_dir(Environment{.home = "/home/u", .xdg_config_home = ""}),
            fs::path("morvane/themes"));
}

TEST(Paths, IndexCacheDirectory) {
  EXPECT_EQ(themes::index_cache_dir(Environment{.home = "/home/u"}),
            fs::path("/home/u/.cache/morvane/kitty-themes"));
  EXPECT_EQ(themes::index_cache_dir(Environment{.home = "/home/u", .xdg_cache_home = "/c"}),
            fs::path("/c/morvane/kitty-themes"));
}

TEST(Environment, OurPathsMustBeUtf8OthersAreTakenAsBytes) {
  testing_support::ScopedEnv home("HOME", "/home/u");
  testing_support::ScopedEnv config("XDG_CONFIG_HOME", std::string("/tmp/\xff"));
  testing_support::ScopedEnv yazi("YAZI_CONFIG_HOME", std::string("/y/\xff"));
  testing_support::ScopedEnv tmux("TMUX", std::nullopt);
  const Environment env = switcher::read_environment();
  EXPECT_EQ(env.home, "/home/u");
  EXPECT_EQ(env.xdg_config_home, std::nullopt);
  EXPECT_EQ(env.yazi_config_home, "/y/\xff");
  EXPECT_EQ(env.tmux, std::nullopt);
  EXPECT_EQ(themes::themes_dir(env), fs::path("/home/u/.config/morvane/themes"));
}

}  // namespace
