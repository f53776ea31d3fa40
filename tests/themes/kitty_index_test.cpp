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
using testing_support::write_text;

constexpr std::string_view kSmallIndex = R"([
  {"name": "Alpha", "file": "themes/Alpha.conf", "is_dark": true, "license": "MIT"},
  {"name": "Beta", "file": "themes/Beta.conf"}
])";
const std::string kComplete = testing_support::complete_kitty_conf();

/// A cache directory and a curl that serves the files of `remote_` the way
/// `curl --fail -o FILE URL` would.
class IndexCache : public testing_support::SandboxTest {
 protected:
  IndexCache() {
    runner_.on("curl", [this](const sys::Command& command) {
      const std::string& out = command.args[command.args.size() - 2];
      const auto served = remote_.find(command.args.back().substr(themes::kIndexUrlPrefix.size()));
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
    for (auto it = fs::recursive_directory_iterator(index_dir(), ec); !ec && it != fs::recursive_directory_iterator(); ++it)
      if (it->path().extension() == ".part") return true;
    return false;
  }
  std::map<std::string, std::string> remote_;
  int fail_with_ = 0;
};

TEST_F(IndexCache, DownloadRunsCurlAndLeavesNothingBehindOnFailure) {
  // Left by a download that was killed: its process is gone (no pid is that large).
  write_text(index_dir() / "themes.1073741823.4.part", "[");
  remote_["themes.json"] = kSmallIndex;
  const std::string url = std::string(themes::kIndexUrlPrefix) + "themes.json";
  ASSERT_TRUE(themes::download_file(runner_, url, index_dir() / "themes.json", themes::is_index_text).ok());
  EXPECT_EQ(read_text(index_dir() / "themes.json"), kSmallIndex);
  const std::string prefix = fmt::format("curl\t--fail\t--silent\t--show-error\t--location\t--max-time\t8\t-o\t{}/themes.{}.",
                                         index_dir().string(), getpid());
  EXPECT_TRUE(runner_.lines().at(0).starts_with(prefix) && runner_.lines()[0].ends_with(".part\t" + url));
  EXPECT_EQ(runner_.limits, std::vector<std::chrono::milliseconds>{std::chrono::seconds(10)});
  EXPECT_FALSE(any_part_file());

  const std::string missing = std::string(themes::kIndexUrlPrefix) + "themes/Missing.conf";
  EXPECT_EQ(themes::download_file(runner_, missing, index_dir() / "themes/Missing.conf", themes::is_theme_file_text).error_text(),
            "curl could not fetch " + missing);
  fail_with_ = 28;
  EXPECT_FALSE(themes::download_file(runner_, url, index_dir() / "themes.json", themes::is_index_text).ok());
  EXPECT_EQ(read_text(index_dir() / "themes.json"), kSmallIndex);
  runner_.on("curl", Outcome{.hangs = true});
  EXPECT_FALSE(themes::download_file(runner_, url, index_dir() / "themes.json", themes::is_index_text).ok());
  runner_.forget("curl");
  EXPECT_EQ(themes::download_file(runner_, url, index_dir() / "x", themes::is_index_text).error_text(),
            "curl: No such file or directory (os error 2)");
  EXPECT_FALSE(any_part_file());
  EXPECT_FALSE(fs::exists(index_dir() / "themes/Missing.conf"));
}

TEST_F(IndexCache, ALoginPageNeverReplacesTheCache) {
  const std::string portal = "<html><body>Please log in</body></html>\n";
  write_text(index_dir() / "themes.json", kSmallIndex);
  age(index_dir() / "themes.json", 8 * 86400);
  const auto before = fs::last_write_time(index_dir() / "themes.json");
  remote_["themes.json"] = remote_["themes/Alpha.conf"] = portal;
  EXPECT_EQ(themes::load_index(cache()).size(), 2u) << "the old index stays in use";
  EXPECT_EQ(fs::last_write_time(index_dir() / "themes.json"), before) << "and keeps its age";
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_FALSE(fs::exists(index_dir() / "themes/Alpha.conf"));
  EXPECT_FALSE(any_part_file());
  remote_["themes/Alpha.conf"] = kComplete;  // asked again next time, and kept once it is a theme
  EXPECT_TRUE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_EQ(runner_.count("curl"), 3u);
  age(index_dir() / "themes.json", -86400);
  EXPECT_TRUE(themes::index_is_stale(index_dir())) << "an index dated in the future";
}

TEST_F(IndexCache, ThemeFilesAreFetchedOnceAndUnsafeOnesNever) {
  remote_["themes/Alpha.conf"] = kComplete;
  EXPECT_FALSE(themes::cached_theme_palette(index_dir(), "themes/Alpha.conf").has_value());
  const auto palette = themes::fetch_theme_palette(cache(), "themes/Alpha.conf");
  ASSERT_TRUE(palette.has_value());
  EXPECT_EQ(palette->colours.size(), 16u);
  EXPECT_EQ(themes::cached_theme_palette(index_dir(), "themes/Alpha.conf"), palette);
  EXPECT_TRUE(themes::fetch_theme_palette(cache(), "themes/Alpha.conf").has_value());
  EXPECT_EQ(runner_.count("curl"), 1u);
  EXPECT_FALSE(themes::fetch_theme_palette(cache(), "themes/Nowhere.conf").has_value());
  write_text(cache_dir() / "morvane" / "outside.conf", kComplete);
  runner_.commands.clear();
  // Paths that leave the cache, and glob or URL syntax curl would act on.
  for (const std::string& unsafe : {std::string("../outside.conf"), (cache_dir() / "morvane" / "outside.conf").string(),
                                    std::string("themes/../../x"), std::string("themes/[1-50].conf"),
                                    std::string("x.conf?y")}) {
    EXPECT_FALSE(themes::cached_theme_palette(index_dir(), unsafe).has_value());
    EXPECT_FALSE(themes::fetch_theme_palette(cache(), unsafe).has_value());
  }
  EXPECT_TRUE(runner_.commands.empty());
  EXPECT_TRUE(themes::is_safe_index_file("themes/..conf")) << "two dots inside a name are no parent directory";
}

TEST(IndexParse, AWholeIndexOrNothing) {
  const std::string entry = R"({"name": "A", "file": "themes/A.conf", "is_dark": false)";
  const struct {
    std::string json;
    std::size_t entries;
  } cases[] = {
      // Members beyond the three, of any shape, are passed over.
      {"[" + entry + R"(, "meta": {"by": ["x", {"y": 1}]}, "n": null}, )" + entry + "}]", 2},
      {"  [ ]\n", 0},
      {"[" + entry + R"(, "name": "B"}])", 0},           // a member given twice
      {R"([{"name": "A", "file": "a.conf"}])", 1},        // is_dark left out where false, as published
      {R"([{"file": "a.conf", "is_dark": true}])", 0},   // no name
      {R"([{"name": "A", "file": 1, "is_dark": true}])", 0},
      {"[" + entry + "}] x", 0},                          // more after the array
      {"{" + entry.substr(1) + "}", 0},                  // not an array
      {"[" + entry + "}, 3]", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(themes::parse_index(c.json).size(), c.entries) << c.json;
  EXPECT_FALSE(themes::parse_index("[" + entry + "}]")[0].is_dark);
}

TEST(DefinitionFromPalette, WorkedExample) {
  themes::Palette palette = themes::parse_kitty_palette(kComplete);
  const auto def = themes::definition_from_palette("Mocha", palette, true);
  ASSERT_TRUE(def.has_value());
  EXPECT_EQ((std::vector<std::string>{def->name, def->background, def->base, def->surface, def->foreground, def->muted,
                                      def->accent, def->cursor, def->selection, def->colours[15], def->vscode_theme}),
            (std::vector<std::string>{"Mocha", "#1e1e2e", "#2c2c3d", "#333446", "#cdd6f4", "#9096af", "#89b4fa",
                                      "#cdd6f4", "#3e3f52", "#a6adc8", "Default Dark Modern"}));
  EXPECT_TRUE(def->vscode_settings.empty());
  EXPECT_EQ(themes::definition_from_palette("x", palette, false)->vscode_theme, "Default Light Modern");
  palette.foreground.reset();
  EXPECT_FALSE(themes::definition_from_palette("x", palette, true).has_value());
}

TEST(RealIndex, EveryEntryOfTheCollectionReadsFromTheCache) {
  const auto data = testing_support::data_dir("kitty-themes");
  if (!data) GTEST_SKIP() << "real kitty themes not found (set TINTWELL_DATA_DIR)";
  testing_support::TempDir dir;
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
