#include "themes/kitty_index.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::ScopedEnv;
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

/// A cache directory, a "remote" the fake curl serves from, and a log of
/// the programs run.
class IndexCache : public testing_support::FakeSystemTest {
 protected:
  IndexCache() : root_env_("FAKE_CURL_ROOT", (dir_ / "remote").string()) {}

  fs::path cache() const { return dir_ / "cache" / "morvane" / "kitty-themes"; }
  fs::path remote() const { return dir_ / "remote"; }
  void age(const fs::path& path, long seconds) {
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  bool any_part_file(const fs::path& dir) const {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
      if (it->path().extension() == ".part") return true;
    return false;
  }

  ScopedEnv root_env_;
};

TEST(IndexParse, StrictArrayOfEntries) {
  EXPECT_EQ(themes::parse_index(kSmallIndex),
            (std::vector<IndexEntry>{{"Alpha", "themes/Alpha.conf", true}, {"Beta", "themes/Beta.conf", false}}));
  EXPECT_EQ(themes::parse_index("[]"), std::vector<IndexEntry>{});
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
      "",
  };
  for (const char* text : bad) EXPECT_EQ(themes::parse_index(text), std::vector<IndexEntry>{}) << text;
  // Members we do not use may repeat or hold anything.
  EXPECT_EQ(themes::parse_index(R"([{"name": "A", "file": "a.conf", "x": 1, "x": {"name": 2}}])").size(), 1u);
}

TEST(IndexParse, SafeFileValues) {
  for (const char* ok : {"themes/Foo.conf", "Foo Bar.conf", "a/b/c.conf", "themes/..conf"})
    EXPECT_TRUE(themes::is_safe_index_file(ok)) << ok;
  for (const char* bad : {"/etc/passwd", "../x.conf", "themes/../../x", "a\\b.conf", "a\nb", "", "themes/\x1b.conf"})
    EXPECT_FALSE(themes::is_safe_index_file(bad)) << bad;
}

TEST(IndexDownload, TemporaryNameCarriesPidAndCounter) {
  EXPECT_EQ(themes::download_temp_path("/c/themes.json", 4242, 0), fs::path("/c/themes.4242.0.part"));
  EXPECT_EQ(themes::download_temp_path("/c/themes/Foo Bar.conf", 7, 12), fs::path("/c/themes/Foo Bar.7.12.part"));
}

TEST_F(IndexCache, DownloadRunsCurlWithTheExactArguments) {
  write_text(remote() / "themes.json", kSmallIndex);
  const std::string url = std::string(themes::kIndexUrlPrefix) + "themes.json";
  ASSERT_TRUE(themes::download_file(url, cache() / "themes.json").ok());
  EXPECT_EQ(read_text(cache() / "themes.json"), kSmallIndex);
  const auto lines = log();
  ASSERT_EQ(lines.size(), 1u);
  const std::string prefix = fmt::format("curl\t--fail\t--silent\t--show-error\t--location\t--max-time\t8\t-o\t{}/themes.{}.",
                                         cache().string(), getpid());
  EXPECT_EQ(lines[0].substr(0, prefix.size()), prefix);
  EXPECT_TRUE(lines[0].ends_with(".part\t" + url));
  EXPECT_FALSE(any_part_file(cache()));
}

TEST_F(IndexCache, FailedDownloadLeavesNeitherDestinationNorPartFile) {
  const std::string url = std::string(themes::kIndexUrlPrefix) + "themes/Missing.conf";
  auto missing = themes::download_file(url, cache() / "themes" / "Missing.conf");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error_text(), "curl could not fetch " + url);
  EXPECT_FALSE(fs::exists(cache() / "themes" / "Missing.conf"));
  EXPECT_FALSE(any_part_file(cache()));

  // A broken transfer leaves a partial file behind; it is removed and the old copy kept.
  write_text(cache() / "themes.json", "old");
  ScopedEnv fail("FAKE_CURL_STATUS", "28");
  EXPECT_FALSE(themes::download_file(url, cache() / "themes.json").ok());
  EXPECT_EQ(read_text(cache() / "themes.json"), "old");
  EXPECT_FALSE(any_part_file(cache()));
}

TEST_F(IndexCache, MissingCurlIsReported) {
  ScopedEnv path("PATH", (dir_ / "empty-bin").string());
  auto result = themes::download_file("https://example.invalid/x", cache() / "x");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error_text(), "curl: No such file or directory (os error 2)");
}

TEST_F(IndexCache, FreshIndexIsUsedWithoutDownloading) {
  write_text(remote() / "themes.json", R"([{"name": "Remote", "file": "r.conf"}])");
  write_text(cache() / "themes.json", kSmallIndex);
  age(cache() / "themes.json", 6 * 86400);
  EXPECT_EQ(themes::load_index().size(), 2u);
  EXPECT_TRUE(log().empty());
  age(cache() / "themes.json", -86400);  // modified in the future: fresh too
  EXPECT_EQ(themes::load_index().size(), 2u);
  EXPECT_TRUE(log().empty());
}

TEST_F(IndexCache, StaleIndexIsDownloadedAgain) {
  write_text(remote() / "themes.json", R"([{"name": "Remote", "file": "r.conf"}])");
  write_text(cache() / "themes.json", kSmallIndex);
  age(cache() / "themes.json", 8 * 86400);
  const auto entries = themes::load_index();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Remote");
  EXPECT_EQ(log().size(), 1u);
}

TEST_F(IndexCache, FailedRefreshKeepsTheOldIndex) {
  write_text(cache() / "themes.json", kSmallIndex);
  age(cache() / "themes.json", 8 * 86400);
  EXPECT_EQ(themes::load_index().size(), 2u);
  EXPECT_EQ(log().size(), 1u);
}

TEST_F(IndexCache, NoIndexAtAll) {
  EXPECT_TRUE(themes::load_index().empty());
  EXPECT_EQ(log().size(), 1u);
}

TEST_F(IndexCache, ThemeFilesAreFetchedOnceAndKept) {
  write_text(remote() / "themes/Alpha.conf", kCompleteTheme);
  EXPECT_FALSE(themes::cached_theme_palette("themes/Alpha.conf").has_value());
  EXPECT_TRUE(log().empty());
  const auto palette = themes::fetch_theme_palette("themes/Alpha.conf");
  ASSERT_TRUE(palette.has_value());
  EXPECT_EQ(palette->colours.size(), 16u);
  EXPECT_EQ(themes::cached_theme_palette("themes/Alpha.conf"), palette);
  EXPECT_TRUE(themes::fetch_theme_palette("themes/Alpha.conf").has_value());
  EXPECT_EQ(log().size(), 1u);
  EXPECT_FALSE(themes::fetch_theme_palette("themes/Nowhere.conf").has_value());
}

TEST_F(IndexCache, UnsafeFileValuesAreNeverReadNorDownloaded) {
  write_text(dir_ / "cache" / "morvane" / "outside.conf", kCompleteTheme);
  EXPECT_FALSE(themes::cached_theme_palette("../outside.conf").has_value());
  EXPECT_FALSE(themes::fetch_theme_palette("../outside.conf").has_value());
  EXPECT_FALSE(themes::fetch_theme_palette((dir_ / "cache" / "morvane" / "outside.conf").string()).has_value());
  EXPECT_TRUE(log().empty());
}

TEST_F(IndexCache, DefinitionOfTheFirstEntryWithTheName) {
  write_text(cache() / "themes.json", R"([
    {"name": "Dup", "file": "themes/light.conf"},
    {"name": "Dup", "file": "themes/dark.conf", "is_dark": true},
    {"name": "Short", "file": "themes/short.conf", "is_dark": true}
  ])");
  write_text(cache() / "themes/light.conf", kCompleteTheme);
  write_text(cache() / "themes/dark.conf", kCompleteTheme);
  std::string fifteen(kCompleteTheme);
  fifteen.erase(fifteen.find("color15"));
  write_text(remote() / "themes/short.conf", fifteen);

  const auto dup = themes::index_theme_definition("Dup");
  ASSERT_TRUE(dup.has_value());
  EXPECT_EQ(dup->vscode_theme, "Default Light Modern");
  EXPECT_FALSE(themes::index_theme_definition("dup").has_value());
  // Incomplete palette: no definition, yet the preview colours are there.
  EXPECT_FALSE(themes::index_theme_definition("Short").has_value());
  EXPECT_EQ(themes::fetch_theme_palette("themes/short.conf")->colours.size(), 15u);
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

TEST(RealIndex, WholeCollection) {
  const auto data = testing_support::data_dir("kitty-themes");
  if (!data) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  TempDir dir;
  const fs::path cache = dir / "morvane" / "kitty-themes";
  fs::create_directories(cache);
  fs::copy_file(*data / "themes.json", cache / "themes.json");  // fresh copy: no download
  fs::create_directory_symlink(*data / "themes", cache / "themes");
  ScopedEnv cache_env("XDG_CACHE_HOME", dir.path().string());
  ScopedEnv path_env("PATH", std::string(TINTWELL_FAKES_DIR));
  ScopedEnv curl_env("FAKE_CURL_STATUS", "6");

  const auto entries = themes::load_index();
  ASSERT_EQ(entries.size(), 407u);
  int definitions = 0;
  for (const auto& entry : entries) {
    const auto palette = themes::cached_theme_palette(entry.file);
    ASSERT_TRUE(palette.has_value()) << entry.file;
    if (themes::definition_from_palette(entry.name, *palette, entry.is_dark)) ++definitions;
  }
  EXPECT_EQ(definitions, 402);
}

}  // namespace
