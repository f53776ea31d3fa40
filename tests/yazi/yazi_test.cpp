#include "yazi/yazi.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/palette.hpp"
#include "toml/document.hpp"
#include "toml/syntax.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::Outcome;
using testing_support::TempDir;
using testing_support::write_text;
using tomldoc::Document;
using tomldoc::Path;

themes::ThemeDefinition mocha() { return themes::find_builtin_theme("catppuccin-mocha")->definition(); }

std::string kitty_conf_of(const themes::ThemeDefinition& def) {
  std::string text = "background " + def.background + "\nforeground " + def.foreground + "\n";
  for (std::size_t i = 0; i < 16; ++i) text += "color" + std::to_string(i) + " " + def.colours[i] + "\n";
  return text;
}

TEST(YaziFlavor, EveryRoleFilledAndValidToml) {
  for (const auto& builtin : themes::builtin_themes()) {
    const std::string text = yazi::yazi_flavor_text(builtin.definition());
    EXPECT_EQ(sys::split_lines(text).size(), 110u);
    EXPECT_EQ(text.find('@'), std::string::npos);
    EXPECT_TRUE(tomldoc::check_syntax(text).ok());
    EXPECT_EQ(sys::split_lines(yazi::yazi_tmtheme_text(builtin.definition())).size(), 18u);
  }
}

TEST(YaziMerge, EmptyThemeBecomesTheFlavorTable) {
  auto merged = yazi::merge_theme_toml("", yazi::yazi_flavor_text(mocha()));
  ASSERT_TRUE(merged.ok());
  EXPECT_EQ(merged.value(), "[flavor]\ndark = \"morvane\"\nlight = \"morvane\"\n");
}

TEST(YaziMerge, StylesKeepTheirOtherAttributes) {
  const std::string user =
      "# my theme\n"
      "[mgr]\n"
      "cwd = { fg = \"cyan\", bg = \"black\", bold = true } # keep this comment\n"
      "unknown_style = { fg = \"red\" }\n"
      "\n"
      "[indicator]\n"
      "parent = { reversed = true, italic = true }\n"
      "\n"
      "[filetype]\n"
      "rules = [ { url = \"*\", fg = \"blue\" } ]\n"
      "\n"
      "[flavor]\n"
      "dark = \"catppuccin\"\n"
      "extra = 1\n";
  auto merged = yazi::merge_theme_toml(user, yazi::yazi_flavor_text(mocha()));
  ASSERT_TRUE(merged.ok()) << merged.error_text();
  EXPECT_EQ(merged.value(),
            "# my theme\n"
            "[mgr]\n"
            "cwd = { bold = true, fg = \"#94e2d5\" } # keep this comment\n"
            "unknown_style = { fg = \"red\" }\n"
            "\n"
            "[indicator]\n"
            "parent = { reversed = false, italic = true, fg = \"#cdd6f4\", bg = \"#414356\" }\n"
            "\n"
            "[filetype]\n"
            "rules = [ { url = \"*\", fg = \"blue\" } ]\n"
            "\n"
            "[flavor]\n"
            "dark = \"morvane\"\n"
            "extra = 1\n"
            "light = \"morvane\"\n");
}

TEST(YaziMerge, TablesWhereTheFlavorSetsAValueGiveWay) {
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  for (const char* user : {"[mgr]\ncwd.fg.x = 1\n", "[mgr]\n[mgr.cwd.fg]\nx = 1\n", "[flavor.dark]\nx = 1\n",
                           "flavor.light.a = 1\n", "[mgr]\ncwd = { fg = { x = 1 }, bold = true }\n"}) {
    SCOPED_TRACE(user);
    auto merged = yazi::merge_theme_toml(user, flavor);
    ASSERT_TRUE(merged.ok()) << merged.error_text();
    ASSERT_TRUE(tomldoc::check_syntax(merged.value()).ok()) << merged.value();
    const Document doc = Document::parse(merged.value());
    EXPECT_EQ(doc.value_text({"flavor", "dark"}), "\"morvane\"");
    EXPECT_EQ(doc.value_text({"flavor", "light"}), "\"morvane\"");
    if (std::string_view(user).find("mgr") != std::string_view::npos) {
      EXPECT_EQ(doc.value_text({"mgr", "cwd", "fg"}), "\"#94e2d5\"");
    }
  }
}

TEST(YaziMerge, ShapeErrors) {
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  EXPECT_EQ(yazi::merge_theme_toml("mgr = \"x\"\n", flavor).error_text(), "Yazi [mgr] must be a table");
  EXPECT_EQ(yazi::merge_theme_toml("[[mgr]]\n", flavor).error_text(), "Yazi [mgr] must be a table");
  EXPECT_EQ(yazi::merge_theme_toml("[mgr]\ncwd = \"x\"\n", flavor).error_text(), "Yazi mgr.cwd must be a style table");
  EXPECT_EQ(yazi::merge_theme_toml("flavor = \"x\"\n", flavor).error_text(), "Yazi [flavor] must be a table");
  EXPECT_EQ(yazi::merge_theme_toml("[mgr\n", flavor).error_text(),
            "Error while parsing table header: expected ']', saw '\\n' (line 1, column 5)");
  // A section only the user has is never checked.
  EXPECT_TRUE(yazi::merge_theme_toml("ui = 3\nfiletype = 2\n", flavor).ok());
}

// All leaf values of a document by path, through tables of every form.
void collect_leaves(const Document& doc, Path& path, std::map<Path, std::string>& out) {
  for (const auto& key : doc.keys(path)) {
    path.push_back(key);
    if (doc.kind(path) == Document::Kind::Table) {
      collect_leaves(doc, path, out);
    } else if (auto text = doc.value_text(path)) {
      out[path] = *text;
    }
    path.pop_back();
  }
}

std::map<Path, std::string> leaves(const Document& doc) {
  Path path;
  std::map<Path, std::string> out;
  collect_leaves(doc, path, out);
  return out;
}

TEST(YaziMerge, PropertiesOnRealThemesWithEveryBuiltinPalette) {
  std::vector<fs::path> files;
  for (const char* sub : {"real-configs/yazi", "yazi"})
    if (const auto dir = testing_support::data_dir(sub))
      for (const auto& entry : fs::recursive_directory_iterator(*dir))
        if (entry.path().extension() == ".toml") files.push_back(entry.path());
  if (files.empty()) GTEST_SKIP() << "real Yazi themes not found (set TINTWELL_DATA_DIR)";

  for (const auto& builtin : themes::builtin_themes()) {
    const std::string flavor_text = yazi::yazi_flavor_text(builtin.definition());
    const Document flavor = Document::parse(flavor_text);
    for (const auto& file : files) {
      SCOPED_TRACE(file.filename().string() + " with " + std::string(builtin.slug));
      const std::string original = read_text(file);
      auto merged = yazi::merge_theme_toml(original, flavor_text);
      ASSERT_TRUE(merged.ok()) << merged.error_text();
      ASSERT_TRUE(tomldoc::check_syntax(merged.value()).ok());
      const Document before = Document::parse(original);
      const Document after = Document::parse(merged.value());

      // Styles the flavor defines carry its colours; what it lacks is kept or gone as it should.
      std::set<Path> edited;
      for (const auto& section : flavor.keys({})) {
        if (section == "filetype" || before.kind({section}) != Document::Kind::Table) continue;
        for (const auto& style : flavor.keys({section})) {
          if (before.kind({section, style}) != Document::Kind::Table) continue;
          for (const char* attribute : {"fg", "bg", "reversed"}) {
            const Path path{section, style, attribute};
            edited.insert(path);
            const auto wanted = flavor.value_text(path);
            if (wanted) {
              EXPECT_EQ(after.value_text(path), wanted);
            } else if (std::string_view(attribute) == "reversed") {
              EXPECT_EQ(after.value_text(path), before.value_text(path));
            } else {
              EXPECT_EQ(after.value_text(path), std::nullopt);
            }
          }
        }
      }
      // Every other value is unchanged, [filetype] and [flavor]'s other keys included.
      const auto old_values = leaves(before);
      const auto new_values = leaves(after);
      for (const auto& [path, text] : old_values) {
        if (edited.contains(path) || path == Path{"flavor", "dark"} || path == Path{"flavor", "light"}) continue;
        auto it = new_values.find(path);
        ASSERT_NE(it, new_values.end()) << path.back();
        EXPECT_EQ(it->second, text);
      }
      EXPECT_EQ(after.value_text({"flavor", "dark"}), "\"morvane\"");
      EXPECT_EQ(after.value_text({"flavor", "light"}), "\"morvane\"");

      // Lines that changed all belong to an edited style or to [flavor].
      const auto belongs_to_edit = [&](std::string_view line) {
        const std::string_view key = sys::trim(line.substr(0, line.find('=')));
        if (key == "dark" || key == "light" || key == "[flavor]" || sys::trim(line).empty()) return true;
        for (const auto& path : edited)
          if (path[1] == key) return true;
        return false;
      };
      for (const auto& line : themes::lines_not_in(original, merged.value())) EXPECT_TRUE(belongs_to_edit(line)) << line;
      for (const auto& line : themes::lines_not_in(merged.value(), original)) EXPECT_TRUE(belongs_to_edit(line)) << line;
    }
  }
}

/// A configuration directory, a profile with a complete palette, an
/// active directory, and a `ya` that succeeds.
class YaziApply : public testing_support::SandboxTest {
 protected:
  YaziApply() {
    write_text(profile() / "kitty.conf", kitty_conf_of(mocha()));
    fs::create_directories(active());
    runner_.on("ya", Outcome{});
  }
  fs::path profile() const { return dir_ / "profile"; }
  fs::path active() const { return dir_ / "active"; }
  fs::path yazi_dir() const { return config_dir() / "yazi"; }

  sys::Result<yazi::PreparedYazi> prepare() { return yazi::prepare_yazi_theme(env_, profile()); }
  sys::Result<std::optional<std::string>> prepare_and_apply() {
    auto prepared = prepare();
    if (!prepared) return prepared.error();
    return yazi::apply_yazi_theme(runner_, prepared.value(), active());
  }
};

TEST_F(YaziApply, WritesEveryFileAndNotifiesYazi) {
  write_text(yazi_dir() / "theme.toml", "[mgr]\ncwd = { fg = \"x\" }\n");
  auto note = prepare_and_apply();
  ASSERT_TRUE(note.ok()) << note.error_text();
  EXPECT_EQ(note.value(), std::nullopt);
  const std::string flavor = yazi::yazi_flavor_text(mocha());
  const std::string tmtheme = yazi::yazi_tmtheme_text(mocha());
  EXPECT_EQ(read_text(active() / "yazi.toml"), flavor);
  EXPECT_EQ(read_text(active() / "yazi.tmTheme"), tmtheme);
  EXPECT_EQ(read_text(yazi_dir() / "flavors/morvane.yazi/flavor.toml"), flavor);
  EXPECT_EQ(read_text(yazi_dir() / "flavors/morvane.yazi/tmtheme.xml"), tmtheme);
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml"),
            "[mgr]\ncwd = { fg = \"#94e2d5\" }\n\n[flavor]\ndark = \"morvane\"\nlight = \"morvane\"\n");
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "[mgr]\ncwd = { fg = \"x\" }\n");
  EXPECT_EQ(runner_.lines(), std::vector<std::string>{"ya\temit-to\t0\tapp:theme"});
}

TEST_F(YaziApply, BackupIsWrittenOnce) {
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "");
  EXPECT_TRUE(fs::exists(yazi_dir() / "theme.toml.before-tintwell"));
  write_text(yazi_dir() / "theme.toml", "# edited since\n");
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "");
}

TEST_F(YaziApply, YaziConfigHomeWhenSetAndNotEmpty) {
  env_.yazi_config_home = "";
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_TRUE(fs::exists(yazi_dir() / "theme.toml"));
  env_.yazi_config_home = (dir_ / "elsewhere").string();
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "theme.toml"));
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "flavors/morvane.yazi/flavor.toml"));
}

TEST_F(YaziApply, PreparationErrorsWriteNothing) {
  write_text(profile() / "kitty.conf", "background #000000\nforeground #ffffff\n");
  EXPECT_EQ(prepare().error_text(), "Yazi requires a complete terminal palette");
  fs::remove(profile() / "kitty.conf");
  EXPECT_EQ(prepare().error_text(), (profile() / "kitty.conf").string() + ": No such file or directory (os error 2)");
  write_text(profile() / "kitty.conf", kitty_conf_of(mocha()));
  fs::create_directories(yazi_dir() / "theme.toml");
  EXPECT_EQ(prepare().error_text(), (yazi_dir() / "theme.toml").string() + ": not a regular file");
  fs::remove(yazi_dir() / "theme.toml");
  write_text(yazi_dir() / "theme.toml", "mgr = 1\n");
  EXPECT_EQ(prepare().error_text(), "Yazi [mgr] must be a table");
  EXPECT_FALSE(fs::exists(yazi_dir() / "flavors"));
  EXPECT_FALSE(fs::exists(yazi_dir() / "theme.toml.before-tintwell"));
}

TEST_F(YaziApply, WriteFailureStopsApply) {
  write_text(yazi_dir() / "flavors", "a file where the directory should be");
  EXPECT_EQ(prepare_and_apply().error_text(),
            (yazi_dir() / "flavors" / "morvane.yazi").string() + ": Not a directory (os error 20)");
}

TEST_F(YaziApply, NoteWhenYaIsMissingFailingOrHanging) {
  for (const auto& ya : {Outcome{.exit_code = 1}, Outcome{.signal = 15}, Outcome{.hangs = true}}) {
    runner_.on("ya", ya);
    EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
  }
  runner_.forget("ya");
  EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
}

}  // namespace
