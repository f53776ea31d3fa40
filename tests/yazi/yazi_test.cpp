#include "yazi/yazi.hpp"

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/palette.hpp"
#include "toml/document.hpp"
#include "toml/syntax.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;
using tomldoc::Document;

themes::ThemeDefinition mocha() { return themes::find_builtin_theme("catppuccin-mocha")->definition(); }

TEST(YaziMerge, OnlyTheFlavorsColoursChange) {
  const struct {
    const char* user;
    const char* merged;
  } cases[] = {
      {"", "[flavor]\ndark = \"morvane\"\nlight = \"morvane\"\n"},
      {"# my theme\n[mgr]\ncwd = { fg = \"cyan\", bg = \"black\", bold = true } # keep this comment\n"
       "unknown_style = { fg = \"red\" }\n\n[indicator]\nparent = { reversed = true, italic = true }\n\n"
       "[filetype]\nrules = [ { url = \"*\", fg = \"blue\" } ]\n\n[flavor]\ndark = \"catppuccin\"\nextra = 1\n",
       "# my theme\n[mgr]\ncwd = { bold = true, fg = \"#94e2d5\" } # keep this comment\n"
       "unknown_style = { fg = \"red\" }\n\n[indicator]\n"
       "parent = { reversed = false, italic = true, fg = \"#cdd6f4\", bg = \"#414356\" }\n\n"
       "[filetype]\nrules = [ { url = \"*\", fg = \"blue\" } ]\n\n[flavor]\ndark = \"morvane\"\nextra = 1\n"
       "light = \"morvane\"\n"},
      // Tables standing where the flavor sets a value give way.
      {"[mgr]\ncwd.fg.x = 1\n", nullptr},
      {"[mgr]\n[mgr.cwd.fg]\nx = 1\n", nullptr},
      {"[mgr]\ncwd = { fg = { x = 1 }, bold = true }\n", nullptr},
      {"[flavor.dark]\nx = 1\n", nullptr},
      {"flavor.light.a = 1\n", nullptr},
  };
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user);
    auto merged = yazi::merge_theme_toml(c.user, flavor);
    ASSERT_TRUE(merged.ok()) << merged.error_text();
    if (c.merged) {
      EXPECT_EQ(merged.value(), c.merged);
    }
    ASSERT_TRUE(tomldoc::check_syntax(merged.value()).ok()) << merged.value();
    const Document doc = Document::parse(merged.value());
    EXPECT_EQ(doc.value_text({"flavor", "light"}), "\"morvane\"");
    if (std::string_view(c.user).find("[mgr]") != std::string_view::npos) {
      EXPECT_EQ(doc.value_text({"mgr", "cwd", "fg"}), "\"#94e2d5\"");
    }
  }
}

TEST(YaziMerge, ShapeErrors) {
  const struct {
    const char* user;
    const char* error;
  } cases[] = {
      {"mgr = \"x\"\n", "Yazi [mgr] must be a table"},
      {"[[mgr]]\n", "Yazi [mgr] must be a table"},
      {"[mgr]\ncwd = \"x\"\n", "Yazi mgr.cwd must be a style table"},
      {"flavor = \"x\"\n", "Yazi [flavor] must be a table"},
      {"[mgr\n", "Error while parsing table header: expected ']', saw '\\n' (line 1, column 5)"},
  };
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  for (const auto& c : cases) EXPECT_EQ(yazi::merge_theme_toml(c.user, flavor).error_text(), c.error) << c.user;
  EXPECT_TRUE(yazi::merge_theme_toml("ui = 3\nfiletype = 2\n", flavor).ok()) << "sections only the user has";
}

/// A configuration directory, a profile with a complete palette, an active
/// directory, and a `ya` that succeeds.
class YaziApply : public testing_support::SandboxTest {
 protected:
  YaziApply() {
    write_text(profile() / "kitty.conf", testing_support::kitty_conf_of(mocha()));
    fs::create_directories(dir_ / "active");
    runner_.on("ya", Outcome{});
  }
  fs::path profile() const { return dir_ / "profile"; }
  fs::path yazi_dir() const { return config_dir() / "yazi"; }
  sys::Result<yazi::PreparedYazi> prepare() { return yazi::prepare_yazi_theme(where(), profile()); }
  sys::Result<std::optional<std::string>> apply() {
    auto prepared = prepare();
    if (!prepared) return prepared.error();
    return yazi::apply_yazi_theme(runner_, prepared.value(), dir_ / "active");
  }
};

TEST_F(YaziApply, WritesEveryFileBacksUpOnceAndNotifiesYazi) {
  write_text(yazi_dir() / "theme.toml", "[mgr]\ncwd = { fg = \"x\" }\n");
  EXPECT_EQ(apply().value(), std::nullopt);
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  const std::string tmtheme = yazi::yazi_tmtheme_text(mocha());
  for (const auto& [path, text] : {std::pair{dir_ / "active/yazi.toml", flavor}, {dir_ / "active/yazi.tmTheme", tmtheme},
                                   {yazi_dir() / "flavors/morvane.yazi/flavor.toml", flavor},
                                   {yazi_dir() / "flavors/morvane.yazi/tmtheme.xml", tmtheme}})
    EXPECT_EQ(read_text(path), text) << path;
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml"),
            "[mgr]\ncwd = { fg = \"#94e2d5\" }\n\n[flavor]\ndark = \"morvane\"\nlight = \"morvane\"\n");
  EXPECT_EQ(runner_.lines(), std::vector<std::string>{"ya\temit-to\t0\tapp:theme"});
  write_text(yazi_dir() / "theme.toml", "# edited since\n");
  ASSERT_TRUE(apply().ok());
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "[mgr]\ncwd = { fg = \"x\" }\n") << "written once";
  // YAZI_CONFIG_HOME only when it is an absolute path.
  env_.yazi_config_home = "relative";
  ASSERT_TRUE(apply().ok());
  EXPECT_FALSE(fs::exists("relative"));
  env_.yazi_config_home = (dir_ / "elsewhere").string();
  ASSERT_TRUE(apply().ok());
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "flavors/morvane.yazi/flavor.toml"));
}

TEST_F(YaziApply, PreparationErrorsWriteNothing) {
  const std::string complete = read_text(profile() / "kitty.conf");
  write_text(profile() / "kitty.conf", "background #000000\nforeground #ffffff\n");
  EXPECT_EQ(prepare().error_text(), "Yazi requires a complete terminal palette");
  fs::remove(profile() / "kitty.conf");
  EXPECT_EQ(prepare().error_text(), (profile() / "kitty.conf").string() + ": No such file or directory (os error 2)");
  write_text(profile() / "kitty.conf", complete);
  fs::create_directories(yazi_dir() / "theme.toml");
  EXPECT_EQ(prepare().error_text(), (yazi_dir() / "theme.toml").string() + ": not a regular file");
  fs::remove(yazi_dir() / "theme.toml");
  write_text(yazi_dir() / "theme.toml", "mgr = 1\n");
  EXPECT_EQ(prepare().error_text(), "Yazi [mgr] must be a table");
  EXPECT_FALSE(fs::exists(yazi_dir() / "flavors"));
  EXPECT_FALSE(fs::exists(yazi_dir() / "theme.toml.before-tintwell"));
  fs::remove(yazi_dir() / "theme.toml");
  write_text(yazi_dir() / "flavors", "a file where the directory should be");
  EXPECT_EQ(apply().error_text(), (yazi_dir() / "flavors" / "morvane.yazi").string() + ": Not a directory (os error 20)");
}

}  // namespace
