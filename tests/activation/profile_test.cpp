#include "activation/profile.hpp"

#include <signal.h>
#include <sys/resource.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "themes/builtin_themes.hpp"

namespace {

namespace fs = std::filesystem;
using activation::generate_profile;
using activation::profile_files;
using testing_support::TempDir;

const std::vector<std::string> kFiles = {"kitty.conf",   "hyprland.lua", "gtk.css",    "btop.theme",
                                         "yazi.toml",    "yazi.tmTheme", "waybar.css", "vscode.json"};

themes::ThemeDefinition builtin(std::string_view slug) { return themes::find_builtin_theme(slug)->definition(); }

// Every file of every built-in profile, byte for byte: the kitty colours,
// the stylesheets, the btop and Yazi themes, the editor settings.
TEST(ProfileFiles, GoldenBuiltins) {
  for (const auto& theme : themes::builtin_themes()) {
    std::vector<std::string> names;
    for (const auto& [name, content] : profile_files(theme.definition())) {
      names.push_back(name);
      testing_support::expect_golden(fmt::format("golden/{}/{}", theme.slug, name), content);
    }
    EXPECT_EQ(names, kFiles);
  }
}

TEST(GenerateProfile, StopsAtTheFirstFailedWrite) {
  TempDir dir;
  // The fourth file (btop.theme, about 1.8 KB) is the first larger than the limit.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limit = old;
  limit.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &limit);
  auto result = generate_profile(builtin("catppuccin-mocha"), dir.path());
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error_text(), (dir / "btop.theme").string() + ": File too large (os error 27)");
  // Nothing cut short is left: a later generation completes the profile.
  for (std::size_t i = 0; i < kFiles.size(); ++i) EXPECT_EQ(fs::exists(dir / kFiles[i]), i < 3) << kFiles[i];
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
  ASSERT_TRUE(generate_profile(builtin("catppuccin-mocha"), dir.path()).ok());
  for (const auto& name : kFiles) EXPECT_TRUE(fs::exists(dir / name)) << name;
}

}  // namespace
