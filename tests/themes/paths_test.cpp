#include "themes/paths.hpp"

#include <gtest/gtest.h>

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

TEST(Paths, ReadsTheEnvironmentAtEachCall) {
  testing_support::ScopedEnv home("HOME", "/home/u");
  {
    testing_support::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/c");
    EXPECT_EQ(themes::themes_dir(), fs::path("/tmp/c/morvane/themes"));
  }
  {
    // A value that is not UTF-8 counts as unset.
    testing_support::ScopedEnv config("XDG_CONFIG_HOME", std::string("/tmp/\xff"));
    EXPECT_EQ(themes::themes_dir(), fs::path("/home/u/.config/morvane/themes"));
  }
}

}  // namespace
