#include "themes/paths.hpp"

#include <gtest/gtest.h>

#include "main/environment.hpp"
#include "test_support.hpp"

namespace {

using themes::Environment;
namespace fs = std::filesystem;

TEST(Paths, EmptyOrRelativeValuesCountAsUnset) {
  const struct {
    Environment env;
    const char* themes;  // nullptr: no usable location, refused
    const char* cache;
  } cases[] = {
      {{.home = "/home/u", .xdg_config_home = "/tmp/c"}, "/tmp/c/morvane/themes", "/home/u/.cache/morvane/kitty-themes"},
      {{.home = "/home/u", .xdg_cache_home = "/c"}, "/home/u/.config/morvane/themes", "/c/morvane/kitty-themes"},
      {{.home = "/home/u", .xdg_config_home = "", .xdg_cache_home = ""}, "/home/u/.config/morvane/themes",
       "/home/u/.cache/morvane/kitty-themes"},
      {{.home = "/home/u", .xdg_config_home = "rel", .xdg_cache_home = "./c"}, "/home/u/.config/morvane/themes",
       "/home/u/.cache/morvane/kitty-themes"},
      {{.xdg_config_home = "/x", .xdg_cache_home = "/y"}, "/x/morvane/themes", "/y/morvane/kitty-themes"},
      {{}, nullptr, nullptr},
      {{.home = ""}, nullptr, nullptr},
      {{.home = "home/u"}, nullptr, nullptr},
      {{.xdg_config_home = "/x"}, nullptr, nullptr},
      {{.home = "rel", .xdg_cache_home = "/y"}, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.env.home.value_or("(unset)") << " | " << c.env.xdg_config_home.value_or("(unset)"));
    const auto checked = themes::check_locations(c.env);
    if (!c.themes) {
      EXPECT_EQ(checked.error_text(),
                "no home directory: set HOME (or XDG_CONFIG_HOME and XDG_CACHE_HOME) to an absolute path");
      continue;
    }
    EXPECT_TRUE(checked.ok());
    EXPECT_EQ(themes::themes_dir(c.env), fs::path(c.themes));
    EXPECT_EQ(themes::index_cache_dir(c.env), fs::path(c.cache));
  }
}

TEST(Environment, OurPathsMustBeUtf8OthersAreTakenAsBytes) {
  testing_support::ScopedEnv home("HOME", "/home/u");
  testing_support::ScopedEnv config("XDG_CONFIG_HOME", std::string("/tmp/\xff"));
  testing_support::ScopedEnv yazi("YAZI_CONFIG_HOME", std::string("/y/\xff"));
  testing_support::ScopedEnv tmux("TMUX", std::nullopt);
  const Environment env = cli::read_environment();
  EXPECT_EQ(env.home, "/home/u");
  EXPECT_EQ(env.xdg_config_home, std::nullopt);
  EXPECT_EQ(env.yazi_config_home, "/y/\xff");
  EXPECT_EQ(env.tmux, std::nullopt);
  EXPECT_EQ(themes::themes_dir(env), fs::path("/home/u/.config/morvane/themes"));
}

}  // namespace
