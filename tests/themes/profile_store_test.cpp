#include "themes/profile_store.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::write_text;

/// A configuration and a cache directory with no index (curl fails).
class ThemeStore : public testing_support::FakeSystemTest {
 protected:
  ThemeStore() : curl_env_("FAKE_CURL_STATUS", "6") {}

  fs::path themes() const { return dir_ / "config" / "morvane" / "themes"; }
  fs::path cache() const { return dir_ / "cache" / "morvane" / "kitty-themes"; }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : themes::list_themes()) out.push_back(entry.name);
    return out;
  }
  const themes::ThemeEntry* find(const std::vector<themes::ThemeEntry>& list, std::string_view name) {
    for (const auto& entry : list)
      if (entry.name == name) return &entry;
    return nullptr;
  }

  ScopedEnv curl_env_;
};

const std::vector<std::string> kBuiltinsSorted = {"catppuccin-latte", "catppuccin-mocha", "dracula",
                                                  "everforest-dark",  "gruvbox-dark",     "nord",
                                                  "rose-pine",        "solarized-dark",   "tokyo-night"};

TEST_F(ThemeStore, EmptyOrMissingDirectoryGivesTheBuiltins) {
  EXPECT_EQ(names(), kBuiltinsSorted);
  fs::create_directories(themes());
  EXPECT_EQ(names(), kBuiltinsSorted);
  const auto list = themes::list_themes();
  const auto* mocha = find(list, "catppuccin-mocha");
  ASSERT_NE(mocha, nullptr);
  EXPECT_EQ(mocha->colours.size(), 16u);
  EXPECT_EQ(mocha->background, themes::parse_hex_colour("#1e1e2e"));
  EXPECT_FALSE(mocha->index_file.has_value());
}

TEST_F(ThemeStore, LayoutRules) {
  write_text(themes() / "mine" / "kitty.conf", "background #010203\ncolor0 #000000\n");
  fs::create_directories(themes() / "bare");
  fs::create_directories(themes() / ".git");
  fs::create_directories(themes() / ".active");
  fs::create_directories(dir_ / "elsewhere" / "linked");
  fs::create_directory_symlink(dir_ / "elsewhere" / "linked", themes() / "linked");
  fs::create_directory_symlink(".active", themes() / "current");
  write_text(themes() / "plain-file", "x");
  const auto list = themes::list_themes();
  std::vector<std::string> listed;
  for (const auto& e : list) listed.push_back(e.name);
  for (const char* hidden : {".git", ".active", "current", "plain-file"})
    EXPECT_EQ(std::count(listed.begin(), listed.end(), hidden), 0) << hidden;
  ASSERT_NE(find(list, "linked"), nullptr);
  ASSERT_NE(find(list, "bare"), nullptr);
  EXPECT_TRUE(find(list, "bare")->colours.empty());
  EXPECT_FALSE(find(list, "bare")->background.has_value());
  EXPECT_EQ(find(list, "mine")->background, themes::parse_hex_colour("#010203"));
  EXPECT_EQ(find(list, "mine")->colours.size(), 1u);
}

TEST_F(ThemeStore, PrecedenceAndByteOrder) {
  write_text(themes() / "nord" / "kitty.conf", "background #111111\n");
  write_text(cache() / "themes.json", R"([
    {"name": "Zenburn", "file": "themes/Zenburn.conf"},
    {"name": "nord", "file": "themes/nord.conf", "is_dark": true},
    {"name": "dracula", "file": "themes/dracula.conf"},
    {"name": "Zenburn", "file": "themes/Zenburn2.conf"}
  ])");
  write_text(cache() / "themes/Zenburn.conf", "background #3f3f3f\nforeground #dcdccc\n");
  const auto list = themes::list_themes();
  std::vector<std::string> listed;
  for (const auto& e : list) listed.push_back(e.name);
  EXPECT_EQ(listed.size(), 10u);
  EXPECT_EQ(listed.front(), "Zenburn");  // upper case sorts first
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "nord"), 1);
  EXPECT_EQ(find(list, "nord")->background, themes::parse_hex_colour("#111111"));
  EXPECT_FALSE(find(list, "nord")->index_file.has_value());
  EXPECT_FALSE(find(list, "dracula")->index_file.has_value());  // the built-in wins
  EXPECT_EQ(find(list, "Zenburn")->index_file, "themes/Zenburn.conf");
  EXPECT_EQ(find(list, "Zenburn")->background, themes::parse_hex_colour("#3f3f3f"));
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
}

TEST_F(ThemeStore, ActiveNameThroughTheCurrentLink) {
  EXPECT_EQ(themes::active_theme_name(), std::nullopt);
  fs::create_directories(themes() / ".active");
  write_text(themes() / ".active" / "theme-name", "tokyo-night");
  fs::create_directory_symlink(".active", themes() / "current");
  EXPECT_EQ(themes::active_theme_name(), "tokyo-night");
  write_text(themes() / ".active" / "theme-name", " Tokyo Night\n");  // as it is, not trimmed
  EXPECT_EQ(themes::active_theme_name(), " Tokyo Night\n");
  fs::remove(themes() / ".active" / "theme-name");
  EXPECT_EQ(themes::active_theme_name(), std::nullopt);

  fs::remove(themes() / "current");
  fs::create_directory_symlink(themes() / "nord", themes() / "current");
  EXPECT_EQ(themes::active_theme_name(), "nord");
  fs::remove(themes() / "current");
  fs::create_directory_symlink("nord/", themes() / "current");
  EXPECT_EQ(themes::active_theme_name(), "nord");
  fs::remove(themes() / "current");
  fs::create_directory_symlink("../x/..", themes() / "current");
  EXPECT_EQ(themes::active_theme_name(), std::nullopt);
  fs::remove(themes() / "current");
  write_text(themes() / "current", "nord");  // a regular file is no link
  EXPECT_EQ(themes::active_theme_name(), std::nullopt);
}

TEST(ThemeNames, ValidityRule) {
  for (const char* ok : {"nord", "Tokyo Night", "a/", "a//", "a/.", "é", "x.y", "current-theme"})
    EXPECT_TRUE(themes::is_valid_theme_name(ok)) << ok;
  for (const char* bad : {"", "/x", "a/b", ".", "..", "../x", "./a", ".hidden", "current", "tab\there", "nul\x7f",
                          "c1\xc2\x85", "/"})
    EXPECT_FALSE(themes::is_valid_theme_name(bad)) << bad;
}

TEST_F(ThemeStore, PrepareProfileFailures) {
  for (const char* bad : {"../x", "a/b", ".hidden", "current", "", "tab\tname"})
    EXPECT_EQ(themes::prepare_profile(bad).error_text(), "invalid theme name") << bad;
  EXPECT_EQ(themes::prepare_profile("Unknown Theme").error_text(), "no theme profile for Unknown Theme");
  write_text(themes(), "a file in place of the themes directory");
  EXPECT_EQ(themes::prepare_profile("nord").error_text(),
            "could not write theme to " + (themes() / "nord").string() + ": Not a directory (os error 20)");
}

TEST_F(ThemeStore, PrepareProfileCompletesBuiltinsAndFindsOwnProfiles) {
  write_text(themes() / "nord" / "kitty.conf", "# edited\n");
  auto path = themes::prepare_profile("nord");
  ASSERT_TRUE(path.ok());
  EXPECT_EQ(path.value(), themes() / "nord");
  EXPECT_EQ(read_text(themes() / "nord" / "kitty.conf"), "# edited\n");
  EXPECT_TRUE(fs::exists(themes() / "nord" / "vscode.json"));
  fs::create_directories(themes() / "Tokyo Night");
  EXPECT_EQ(themes::prepare_profile("Tokyo Night").value(), themes() / "Tokyo Night");
}

TEST_F(ThemeStore, RealCollectionAsTheCache) {
  const auto data = testing_support::data_dir("kitty-themes");
  if (!data) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  fs::create_directories(cache());
  fs::copy_file(*data / "themes.json", cache() / "themes.json");
  fs::create_directory_symlink(*data / "themes", cache() / "themes");
  const auto list = themes::list_themes();
  ASSERT_EQ(list.size(), 416u);
  std::size_t index_entries = 0, with_background = 0;
  for (const auto& entry : list) {
    if (!entry.index_file) continue;
    ++index_entries;
    const auto cached = themes::cached_theme_palette(*entry.index_file);
    ASSERT_TRUE(cached.has_value()) << entry.name;
    EXPECT_EQ(entry.colours, cached->colours) << entry.name;
    EXPECT_EQ(entry.background, cached->background) << entry.name;
    EXPECT_EQ(entry.foreground, cached->foreground) << entry.name;
    with_background += entry.background.has_value();
  }
  EXPECT_EQ(index_entries, 407u);
  EXPECT_EQ(with_background, 404u);  // three theme files of the collection set no background

  auto path = themes::prepare_profile("Catppuccin-Mocha");
  ASSERT_TRUE(path.ok()) << path.error_text();
  EXPECT_EQ(themes::parse_kitty_palette(read_text(path.value() / "kitty.conf")),
            themes::parse_kitty_palette(read_text(*data / "themes" / "Catppuccin-Mocha.conf")));
  for (const char* file : {"hyprland.lua", "gtk.css", "btop.theme", "yazi.toml", "yazi.tmTheme", "waybar.css",
                           "vscode.json"})
    EXPECT_TRUE(fs::exists(path.value() / file)) << file;
}

}  // namespace
