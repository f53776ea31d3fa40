#include "themes/kitty_index.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::write_text;
using themes::IndexEntry;

constexpr std::string_view kSmallIndex = R"([
  {"name": "Alpha", "file": "themes/Alpha.conf", "is_dark": true, "license": "MIT"},
  {"name": "Beta", "file": "themes/Beta.conf"}
])";

constexpr std::string_view kCompleteTheme =
    "background #1e1e2e\nforeground #cdd6f4\n"
    "color0 #45475a\ncolor1 #f38ba8\ncolor2 #a6e3a1\ncolor3 #f9e2af\ncolor4 #89b4fa\ncolor5 #f5c2e7\n"
    "color6 #94e2d5\ncolor7 #bac2de\ncolor8 #585b70\ncolor9 #f38ba8\ncolor10 #a6e3a1\ncolor11 #f9e2af\n"
    "color12 #89b4fa\ncolor13 #f5c2e7\ncolor14 #94e2d5\ncolor15 #a6adc8\n";

/// A cache directory and a curl that serves the files of `remote_` the
/// way `curl --fail -o FILE URL` would.
class IndexCache : public testing_support::SandboxTest {
 protected:
  IndexCache() {
    runner_.on("curl", [this](const sys::Command& command) {
      const auto& args = command.args;
      const std::string& out = args[args.size() - 2];
      const std::string& url = args.back();
      const auto served = remote_.find(url.substr(themes::kIndexUrlPrefix.size()));
      if (fail_with_ != 0 || served == remote_.end()) {
        write_text(out, "partial");  // a broken transfer may leave this behind
        return Outcome{.exit_code = fail_with_ ? fail_with_ : 22};
      }
      write_text(out, served->second);
      return Outcome{};
    });
  }

  themes::IndexCache cache() { return {index_dir(), runner_}; }
  void age(const fs::path& path, long seconds) {
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  bool any_part_file() const {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(index_dir(), ec); !ec && it != fs::recursive_directory_iterator();
         ++it)
      if (it->path().extension() == ".part") return true;
    return false;
  }

  std::map<std::string, std::string> remote_;
  int fail_with_ = 0;
};

TEST(IndexParse, StrictArrayOfEntries) {
  EXPECT_EQ(themes::parse_index(kSmallIndex),
            (std::vector<IndexEntry>{{"Alpha", "themes/Alpha.conf", true}, {"Beta", "themes/Beta.conf", false}}));
  EXPECT_EQ(themes::parse_index(" [ ] \n"), std::vector<IndexEntry>{});
}

TEST(IndexParse, OneBadElementEmptiesTheIndex) {
  const char* bad[] = {
      R"([{"name": "A", "file": "a.conf", "is_dark": true}, {"name": "B", "is_dark": true}])",
      R"([{"name": "A", "file": "a.conf", "is_dark": "yes"}])",
      R"([{"name": 1, "file": "a.conf"}])",
      R"([{"name": "A", "file": null}])",
      R"([{"name": "A", "file": "a.conf"}, 3])",
      R"([{"name": "A", "file": "a.conf", "name": "B"}])",
      R"({"name": "A", "file": "a.conf"})",
      R"([{"name": "A", "file": "a.conf"}] x)",
      R"([{"name": "A", "file": "a.conf"})",
      "[{\"name\": \"\xff\", \"file\": \"a.conf\"}]",
      "",
  };
  for (const char* text : bad) EXPECT_EQ(themes::parse_index(text), std::vector<IndexEntry>{}) << text;
  // Members we do not use may repeat or hold anything.
  EXPECT_EQ(themes::parse_index(R"([{"name": "A", "file": "a.conf", "x": 1, "x": {"name": 2}}])").size(), 1u);
}

TEST(IndexParse, SafeFileValues) {
  for (const char* ok : {"themes/Foo.conf", "themes/Foo_Bar-2.conf", "a/b/c.conf", "themes/..conf"})
    EXPECT_TRUE(themes::is_safe_index_file(ok)) << ok;
  // Paths that leave the cache, and URL or glob syntax that curl would act on.
  for (const char* bad : {"/etc/passwd", "../x.conf", "themes/../../x", "a\\b.conf", "a\nb", "", "themes/\x1b.conf",
                          "themes/[1-50].conf", "{z,..}/{z,..}/x.conf", "x.conf?y", "x#1.conf", "x%2e.conf",
                          "Foo Bar.conf", "tab\t.conf", "th\xc3\xa9me.conf"})
    EXPECT_FALSE(themes::is_safe_index_file(bad)) << bad;
}

TEST(IndexDownload, TemporaryNameCarriesPidAndCounter) {
  EXPECT_EQ(themes::download_temp_path("/c/themes.json", 4242, 0), fs::path("/c/themes.4242.0.part"));
  EXPECT_EQ(themes::download_temp_path("/c/themes/Foo Bar.conf", 7, 12), fs::path("/c/themes/Foo Bar.7.12.part"));
}

TEST_F(IndexCache, DownloadRunsCurlWithTheExactArguments) {
  remote_["themes.json"] = kSmallIndex;
  const std::string url = std::string(themes::kIndexUrlPrefix) + "themes.json";
  ASSERT_TRUE(themes::download_file(runner_, url, index_dir() / "themes.json", themes::is_index_text).ok());
  EXPECT_EQ(read_text(index_dir() / "themes.json"), kSmallIndex);
  const auto lines = runner_.lines();
  ASSERT_EQ(lines.size(), 1u);
  const std::string prefix = fmt::format("curl\t--fail\t--silent\t--show-error\t--location\t--max-time\t8\t-o\t{}/themes.{}.",
                                         index_dir().string(), getpid());
  EXPECT_EQ(lines[0].substr(0, prefix.size()), prefix);
  EXPECT_TRUE(lines[0].ends_with(".part\t" + url));
  EXPECT_FALSE(any_part_file());
}

TEST_F(IndexCache, FailedDownloadKeepsTheOldFileAndLeavesNoPartFile) {
  const std::string url = std::string(themes::kIndexUrlPrefix) + "themes/Missing.conf";
  EXPECT_EQ(themes::download_file(runner_, url, index_dir() / "themes" / "Missing.conf", themes::is_theme_file_text).error_text(),
            "curl could not fetch " + url);
  EXPECT_FALSE(fs::exists(index_dir() / "themes" / "Missing.conf"));
  write_text(index_dir() / "themes.json", "old");
  fail_with_ = 28;
  EXPECT_FALSE(themes::download_file(runner_, url, index_dir() / "themes.json", themes::is_index_text).ok());
  EXPECT_EQ(read_text(index_dir() / "themes.json"), "old");
  EXPECT_FALSE(any_part_file());

  runner_.forget("curl");
  EXPECT_EQ(themes::download_file(runner_, url, index_dir() / "x", themes::is_index_text).error_text(),
            "curl: No such file or directory (os error 2)");
}

TEST(IndexDownload, OnlyWhatWasAskedForIsKept) {
  constexpr std::string_view kPortal = "<!DOCTYPE html><html><body>Please log in to the hotel Wi-Fi</body></html>\n";
  const struct {
    std::string_view text;
    bool index, theme;
  } cases[] = {
      {kSmallIndex, true, false}, {kCompleteTheme, false, true}, {kPortal, false, false}, {"[]", false, false},
      {"", false, false},         {"# only a comment\n", false, false}, {"  color4 #123456\n", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    EXPECT_EQ(themes::is_index_text(c.text), c.index);
    EXPECT_EQ(themes::is_theme_file_text(c.text), c.theme);
  }
}

TEST_F(IndexCache, ALoginPageNeverReplacesTheCache) {
  const std::string portal = "<html><body>Please log in</body></html>\n";
  write_text(index_dir() / "themes.json", kSmallIndex);
  age(index_dir() / "themes.json", 8 * 86400);
  const auto before = fs::last_write_time(index_dir() / "themes.json");
  remote_["themes.json"] = portal;
  remote_["themes/Alpha.conf"] = portal;
  EXPECT_EQ(themes::load_index(cache()).size(), 2u) << "the old index stays in use";
  EXPECT_EQ(read_text(index_dir() / "themes.json"), kSmallIndex);
  EXPECT_EQ(fs::last_write_time(index_dir() / "themes.json"), before) << "and keeps its age";
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_FALSE(fs::exists(index_dir() / "themes" / "Alpha.conf"));
  EXPECT_FALSE(any_part_file());
  // Asked again next time, and kept once it is a theme.
  remote_["themes/Alpha.conf"] = kCompleteTheme;
  EXPECT_TRUE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_EQ(runner_.count("curl"), 3u);
}

TEST_F(IndexCache, IndexIsDownloadedOnlyWhenMissingOrStale) {
  const struct {
    const char* name;
    long age_days;  ///< of the cached index; negative: in the future; 0: no cache
    bool remote_available;
    std::size_t entries;  ///< 2 from the cache, 1 from the remote
    std::size_t downloads;
  } cases[] = {
      {"six days old", 6, true, 2, 0},        {"from the future", -1, true, 2, 0},
      {"eight days old", 8, true, 1, 1},      {"stale, failed refresh", 8, false, 2, 1},
      {"no cache, no remote", 0, false, 0, 1}, {"no cache", 0, true, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(index_dir());
    runner_.commands.clear();
    remote_.clear();
    if (c.remote_available) remote_["themes.json"] = R"([{"name": "Remote", "file": "r.conf"}])";
    if (c.age_days != 0) {
      write_text(index_dir() / "themes.json", kSmallIndex);
      age(index_dir() / "themes.json", c.age_days * 86400);
    }
    EXPECT_EQ(themes::load_index(cache()).size(), c.entries);
    EXPECT_EQ(runner_.count("curl"), c.downloads);
  }
}

TEST_F(IndexCache, ThemeFilesAreFetchedOnceAndKept) {
  remote_["themes/Alpha.conf"] = kCompleteTheme;
  EXPECT_FALSE(themes::cached_theme_palette(index_dir(), "themes/Alpha.conf").has_value());
  EXPECT_TRUE(runner_.commands.empty());
  const auto palette = themes::fetch_theme_palette(cache(), "themes/Alpha.conf");
  ASSERT_TRUE(palette.has_value());
  EXPECT_EQ(palette->colours.size(), 16u);
  EXPECT_EQ(themes::cached_theme_palette(index_dir(), "themes/Alpha.conf"), palette);
  EXPECT_TRUE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_EQ(runner_.count("curl"), 1u);
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), "themes/Nowhere.conf").has_value());
}

TEST_F(IndexCache, UnsafeFileValuesAreNeverReadNorDownloaded) {
  write_text(cache_dir() / "morvane" / "outside.conf", kCompleteTheme);
  EXPECT_FALSE(themes::cached_theme_palette(index_dir(), "../outside.conf").has_value());
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), "../outside.conf").has_value());
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), (cache_dir() / "morvane" / "outside.conf").string()).has_value());
  EXPECT_TRUE(runner_.commands.empty());
}

TEST_F(IndexCache, DefinitionOfTheFirstEntryWithTheName) {
  write_text(index_dir() / "themes.json", R"([
    {"name": "Dup", "file": "themes/light.conf"},
    {"name": "Dup", "file": "themes/dark.conf", "is_dark": true},
    {"name": "Short", "file": "themes/short.conf", "is_dark": true}
  ])");
  write_text(index_dir() / "themes/light.conf", kCompleteTheme);
  write_text(index_dir() / "themes/dark.conf", kCompleteTheme);
  std::string fifteen(kCompleteTheme);
  fifteen.erase(fifteen.find("color15"));
  remote_["themes/short.conf"] = fifteen;

  const auto dup = themes::index_theme_definition(cache(), "Dup").value();
  ASSERT_TRUE(dup.has_value());
  EXPECT_EQ(dup->vscode_theme, "Default Light Modern");
  EXPECT_FALSE(themes::index_theme_definition(cache(), "dup").value().has_value());
  // Incomplete palette: no definition, yet the preview colours are there.
  EXPECT_EQ(themes::index_theme_definition(cache(), "Short").error_text(), "its palette is incomplete");
  EXPECT_EQ(themes::fetch_theme_palette(cache(), "themes/short.conf")->colours.size(), 15u);
  write_text(index_dir() / "themes.json", R"([{"name": "Gone", "file": "themes/gone.conf"}])");
  EXPECT_EQ(themes::index_theme_definition(cache(), "Gone").error_text(), "its theme file could not be downloaded");
}

TEST(DefinitionFromPalette, WorkedExample) {
  themes::Palette palette = themes::parse_kitty_palette(kCompleteTheme);
  const auto def = themes::definition_from_palette("Mocha", palette, true);
  ASSERT_TRUE(def.has_value());
  EXPECT_EQ(def->name, "Mocha");
  EXPECT_EQ(def->background, "#1e1e2e");
  EXPECT_EQ(def->base, "#2c2c3d");
  EXPECT_EQ(def->surface, "#333446");
  EXPECT_EQ(def->foreground, "#cdd6f4");
  EXPECT_EQ(def->muted, "#9096af");
  EXPECT_EQ(def->accent, "#89b4fa");
  EXPECT_EQ(def->cursor, "#cdd6f4");
  EXPECT_EQ(def->selection, "#3e3f52");
  EXPECT_EQ(def->colours[15], "#a6adc8");
  EXPECT_EQ(def->vscode_theme, "Default Dark Modern");
  EXPECT_TRUE(def->vscode_settings.empty());
  EXPECT_EQ(themes::definition_from_palette("x", palette, false)->vscode_theme, "Default Light Modern");
  palette.foreground.reset();
  EXPECT_FALSE(themes::definition_from_palette("x", palette, true).has_value());
}

TEST(RealIndex, EveryEntryOfTheCollectionReadsFromTheCache) {
  const auto data = testing_support::data_dir("kitty-themes");
  if (!data) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  TempDir dir;
  fs::copy_file(*data / "themes.json", dir / "themes.json");  // fresh copy: no download
  fs::create_directory_symlink(*data / "themes", dir / "themes");
  testing_support::FakeRunner runner;  // no curl at all

  const auto entries = themes::load_index({dir.path(), runner});
  ASSERT_FALSE(entries.empty());
  std::size_t definitions = 0;
  for (const auto& entry : entries) {
    const auto palette = themes::cached_theme_palette(dir.path(), entry.file);
    ASSERT_TRUE(palette.has_value()) << entry.file;
    definitions += themes::definition_from_palette(entry.name, *palette, entry.is_dark).has_value();
  }
  EXPECT_GT(definitions, entries.size() * 9 / 10);
  EXPECT_TRUE(runner.commands.empty());
}

}  // namespace
