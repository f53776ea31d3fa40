#include "themes/profile_store.hpp"

#include <algorithm>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::write_text;

/// A configuration and a cache directory; no curl, so no index unless the
/// test caches one.
class ThemeStore : public testing_support::SandboxTest {
 protected:
  std::vector<themes::ThemeEntry> list(themes::ListMode mode = themes::ListMode::Complete) {
    return themes::list_themes(themes_dir(), {index_dir(), runner_}, mode);
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const auto& entry : list()) out.push_back(entry.name);
    return out;
  }
  static const themes::ThemeEntry* find(const std::vector<themes::ThemeEntry>& list, std::string_view name) {
    for (const auto& entry : list)
      if (entry.name == name) return &entry;
    return nullptr;
  }
  std::optional<std::string> active() { return themes::active_theme_name(themes_dir()); }
  void link_current(const fs::path& target) {
    fs::remove(themes_dir() / "current");
    fs::create_directory_symlink(target, themes_dir() / "current");
  }
};

const std::vector<std::string> kBuiltinsSorted = {"catppuccin-latte", "catppuccin-mocha", "dracula",
                                                  "everforest-dark",  "gruvbox-dark",     "nord",
                                                  "rose-pine",        "solarized-dark",   "tokyo-night"};

TEST_F(ThemeStore, EmptyOrMissingDirectoryGivesTheBuiltins) {
  EXPECT_EQ(list(themes::ListMode::Lazy).size(), kBuiltinsSorted.size());
  EXPECT_TRUE(runner_.commands.empty());  // as cached: no download, whatever the index's state
  EXPECT_EQ(names(), kBuiltinsSorted);
  EXPECT_EQ(runner_.count("curl"), 1u);
  fs::create_directories(themes_dir());
  EXPECT_EQ(names(), kBuiltinsSorted);
  const auto all = list();
  const auto* mocha = find(all, "catppuccin-mocha");
  ASSERT_NE(mocha, nullptr);
  EXPECT_EQ(mocha->colours.size(), 16u);
  EXPECT_EQ(mocha->background, themes::parse_hex_colour("#1e1e2e"));
  EXPECT_FALSE(mocha->index_file.has_value());
}

TEST_F(ThemeStore, LayoutRules) {
  write_text(themes_dir() / "mine" / "kitty.conf", "background #010203\ncolor0 #000000\n");
  fs::create_directories(themes_dir() / "bare");
  fs::create_directories(themes_dir() / ".git");
  fs::create_directories(themes_dir() / ".active");
  fs::create_directories(dir_ / "elsewhere" / "linked");
  fs::create_directory_symlink(dir_ / "elsewhere" / "linked", themes_dir() / "linked");
  fs::create_directory_symlink(".active", themes_dir() / "current");
  write_text(themes_dir() / "plain-file", "x");
  write_text(themes_dir() / "latin\xe9" / "kitty.conf", "background #010203\n");  // could never be named again
  const auto all = list();
  for (const char* hidden : {".git", ".active", "current", "plain-file", "latin\xef\xbf\xbd"})
    EXPECT_EQ(find(all, hidden), nullptr) << hidden;
  ASSERT_NE(find(all, "linked"), nullptr);
  ASSERT_NE(find(all, "bare"), nullptr);
  EXPECT_TRUE(find(all, "bare")->colours.empty());
  EXPECT_FALSE(find(all, "bare")->background.has_value());
  EXPECT_EQ(find(all, "mine")->background, themes::parse_hex_colour("#010203"));
  EXPECT_EQ(find(all, "mine")->colours.size(), 1u);
}

TEST_F(ThemeStore, PrecedenceAndByteOrder) {
  write_text(themes_dir() / "nord" / "kitty.conf", "background #111111\n");
  write_text(index_dir() / "themes.json", R"([
    {"name": "Zenburn", "file": "themes/Zenburn.conf"},
    {"name": "nord", "file": "themes/nord.conf", "is_dark": true},
    {"name": "dracula", "file": "themes/dracula.conf"},
    {"name": "Zenburn", "file": "themes/Zenburn2.conf"}
  ])");
  write_text(index_dir() / "themes/Zenburn.conf", "background #3f3f3f\nforeground #dcdccc\n");
  const auto all = list();
  std::vector<std::string> listed;
  for (const auto& e : all) listed.push_back(e.name);
  EXPECT_EQ(listed.size(), 10u);
  EXPECT_EQ(listed.front(), "Zenburn");  // upper case sorts first
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "nord"), 1);
  EXPECT_EQ(find(all, "nord")->background, themes::parse_hex_colour("#111111"));
  EXPECT_FALSE(find(all, "nord")->index_file.has_value());
  EXPECT_FALSE(find(all, "dracula")->index_file.has_value());  // the built-in wins
  EXPECT_EQ(find(all, "Zenburn")->index_file, "themes/Zenburn.conf");
  EXPECT_EQ(find(all, "Zenburn")->background, themes::parse_hex_colour("#3f3f3f"));
}

TEST_F(ThemeStore, LazyListsNameThePalettesToReadWhenShown) {
  write_text(themes_dir() / "mine" / "kitty.conf", "background #010203\n");
  write_text(index_dir() / "themes.json", R"([{"name": "Cached", "file": "themes/c.conf"},
                                               {"name": "Remote", "file": "themes/r.conf"}])");
  write_text(index_dir() / "themes/c.conf", "background #040506\n");
  auto all = list(themes::ListMode::Lazy);
  auto& mine = const_cast<themes::ThemeEntry&>(*find(all, "mine"));
  auto& cached = const_cast<themes::ThemeEntry&>(*find(all, "Cached"));
  auto& remote = const_cast<themes::ThemeEntry&>(*find(all, "Remote"));
  for (auto* entry : {&mine, &cached, &remote}) {
    EXPECT_FALSE(entry->background.has_value());
    themes::read_palette(*entry);
    EXPECT_FALSE(entry->palette_file.has_value());
  }
  EXPECT_EQ(mine.background, themes::parse_hex_colour("#010203"));
  EXPECT_EQ(cached.background, themes::parse_hex_colour("#040506"));
  EXPECT_FALSE(remote.background.has_value());  // not cached: left to the colour worker
  EXPECT_EQ(remote.index_file, "themes/r.conf");
  EXPECT_TRUE(runner_.commands.empty());
}

TEST_F(ThemeStore, ActiveNameThroughTheCurrentLink) {
  EXPECT_EQ(active(), std::nullopt);
  write_text(themes_dir() / ".active" / "theme-name", "tokyo-night");
  link_current(".active");
  EXPECT_EQ(active(), "tokyo-night");
  write_text(themes_dir() / ".active" / "theme-name", " Tokyo Night\n");  // as it is, not trimmed
  EXPECT_EQ(active(), " Tokyo Night\n");
  fs::remove(themes_dir() / ".active" / "theme-name");
  EXPECT_EQ(active(), std::nullopt);

  const struct {
    fs::path target;
    std::optional<std::string> name;
  } links[] = {{themes_dir() / "nord", "nord"}, {"nord/", "nord"}, {"./.active/../nord/.", "nord"}, {"../x/..", std::nullopt}};
  for (const auto& link : links) {
    link_current(link.target);
    EXPECT_EQ(active(), link.name) << link.target;
  }
  fs::remove(themes_dir() / "current");
  write_text(themes_dir() / "current", "nord");  // a regular file is no link
  EXPECT_EQ(active(), std::nullopt);
}

TEST(ThemeNames, ValidityRule) {
  for (const char* ok : {"nord", "Tokyo Night", "é", "x.y", "current-theme"})
    EXPECT_TRUE(themes::is_valid_theme_name(ok)) << ok;
  // A separator anywhere would let the name alias another profile or the
  // current link.
  for (const char* bad : {"", "/x", "a/b", ".", "..", "../x", "./a", ".hidden", "current", "tab\there", "nul\x7f",
                          "c1\xc2\x85", "/", "a/..", "a/", "nord/", "current/", "current/.", "x/."})
    EXPECT_FALSE(themes::is_valid_theme_name(bad)) << bad;
}

TEST_F(ThemeStore, RealCollectionAsTheCache) {
  const auto data = testing_support::data_dir("kitty-themes");
  if (!data) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  fs::create_directories(index_dir());
  fs::copy_file(*data / "themes.json", index_dir() / "themes.json");
  fs::create_directory_symlink(*data / "themes", index_dir() / "themes");
  std::size_t index_entries = 0;
  for (const auto& entry : list()) {
    if (!entry.index_file) continue;
    ++index_entries;
    const auto cached = themes::cached_theme_palette(index_dir(), *entry.index_file);
    ASSERT_TRUE(cached.has_value()) << entry.name;
    EXPECT_EQ(entry.colours, cached->colours) << entry.name;
    EXPECT_EQ(entry.background, cached->background) << entry.name;
    EXPECT_EQ(entry.foreground, cached->foreground) << entry.name;
  }
  EXPECT_GT(index_entries, 100u);
  EXPECT_TRUE(runner_.commands.empty());
}

}  // namespace
