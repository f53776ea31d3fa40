#include "themes/profile_store.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "test_support.hpp"
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
  // The list as one text: a line per entry with what it carries.
  std::string dump(std::vector<themes::ThemeEntry> entries) {
    const auto hex = [](const std::optional<themes::Colour>& c) { return c ? themes::format_hex_colour(*c) : "-"; };
    std::string out;
    for (auto& e : entries) {
      const bool lazy = e.palette_file.has_value();
      themes::read_palette(e);
      out += fmt::format("{} source={} bg={} fg={} colours={} index={} dark={}{}\n", e.name, static_cast<int>(e.source),
                         hex(e.background), hex(e.foreground), e.colours.size(), e.index_file.value_or("-"),
                         e.is_dark ? (*e.is_dark ? "yes" : "no") : "-", lazy ? " (read when shown)" : "");
    }
    return out;
  }
  std::optional<std::string> active() { return themes::active_theme_name(themes_dir()); }
  void link_current(const fs::path& target) {
    fs::remove(themes_dir() / "current");
    fs::create_directory_symlink(target, themes_dir() / "current");
  }
};

TEST_F(ThemeStore, ActiveNameThroughTheCurrentLink) {
  EXPECT_EQ(active(), std::nullopt);
  write_text(themes_dir() / ".active" / "theme-name", " Tokyo Night\n");  // as it is, not trimmed
  link_current(".active");
  EXPECT_EQ(active(), " Tokyo Night\n");
  fs::remove(themes_dir() / ".active" / "theme-name");
  EXPECT_EQ(active(), std::nullopt);
  const struct {
    fs::path target;
    std::optional<std::string> name;
  } links[] = {{themes_dir() / "nord", "nord"}, {"nord/", "nord"}, {"./.active/../nord/.", "nord"}, {"../x/..", std::nullopt},
               {"/", std::nullopt}};
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
  // A separator anywhere would let the name alias another profile or the current link.
  for (const char* bad : {"", "/x", "a/b", ".", "..", "../x", "./a", ".hidden", "current", "tab\there", "\tfirst", "nul\x7f",
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
    EXPECT_EQ(entry.palette(), *cached) << entry.name;
  }
  EXPECT_GT(index_entries, 100u);
  EXPECT_TRUE(runner_.commands.empty());
}

}  // namespace
