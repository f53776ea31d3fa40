#include "yazi/yazi.hpp"

#include <sys/stat.h>

#include <chrono>

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
using testing_support::ScopedEnv;
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

TEST(YaziFlavor, TemplateFilledWithTheRoles) {
  const std::string text = yazi::yazi_flavor_text(mocha());
  const auto lines = sys::split_lines(text);
  ASSERT_EQ(lines.size(), 110u);
  EXPECT_EQ(text.find('@'), std::string::npos);
  EXPECT_EQ(lines[0], "# Colors managed by tintwell. Geometry and icons stay in theme.toml.");
  EXPECT_EQ(lines[2], "overall = { fg = \"#cdd6f4\", bg = \"#1e1e2e\" }");
  EXPECT_EQ(lines[5], "cwd = { fg = \"#94e2d5\" }");  // terminal colour 6, not the accent field
  EXPECT_EQ(lines[16], "border_style = { fg = \"#5b5e73\" }");
  EXPECT_EQ(lines[20], "inactive = { fg = \"#878ca5\", bg = \"#303042\" }");
  EXPECT_EQ(lines[108], "    { url = \"*\", fg = \"#cdd6f4\" },");
  EXPECT_TRUE(tomldoc::check_syntax(text).ok());
}

TEST(YaziTmTheme, EighteenLines) {
  const std::string text = yazi::yazi_tmtheme_text(mocha());
  const auto lines = sys::split_lines(text);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[4], "<key>background</key><string>#1e1e2e</string>");
  EXPECT_EQ(lines[7],
            "<dict><key>scope</key><string>comment</string><key>settings</key><dict><key>foreground</key>"
            "<string>#878ca5</string></dict></dict>");
  EXPECT_EQ(lines[17], "</array></dict></plist>");
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
  const auto real = testing_support::data_dir("real-configs/yazi");
  const auto shipped = testing_support::data_dir("yazi");
  if (!real || !shipped) GTEST_SKIP() << "real Yazi themes not found (set TINTWELL_DATA_DIR)";
  std::vector<fs::path> files;
  for (const auto& dir : {*real, *shipped})
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (entry.path().extension() == ".toml") files.push_back(entry.path());
  ASSERT_EQ(files.size(), 22u);

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
/// active directory, and fakes on PATH.
class YaziApply : public testing_support::FakeSystemTest {
 protected:
  YaziApply() {
    write_text(profile() / "kitty.conf", kitty_conf_of(mocha()));
    fs::create_directories(active());
  }
  fs::path profile() const { return dir_ / "profile"; }
  fs::path active() const { return dir_ / "active"; }
  fs::path yazi_dir() const { return dir_ / "config" / "yazi"; }

  sys::Result<std::optional<std::string>> prepare_and_apply() {
    auto prepared = yazi::prepare_yazi_theme(profile());
    if (!prepared) return prepared.error();
    return yazi::apply_yazi_theme(prepared.value(), active());
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
  EXPECT_EQ(read_text(dir_ / "log"), "ya\temit-to\t0\tapp:theme\n");
}

TEST_F(YaziApply, BackupIsWrittenOnce) {
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_TRUE(fs::exists(yazi_dir() / "theme.toml.before-tintwell"));
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "");
  write_text(yazi_dir() / "theme.toml", "# edited since\n");
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_EQ(read_text(yazi_dir() / "theme.toml.before-tintwell"), "");
}

TEST_F(YaziApply, YaziConfigHomeWhenSetAndNotEmpty) {
  {
    ScopedEnv empty("YAZI_CONFIG_HOME", "");
    ASSERT_TRUE(prepare_and_apply().ok());
    EXPECT_TRUE(fs::exists(yazi_dir() / "theme.toml"));
  }
  ScopedEnv set("YAZI_CONFIG_HOME", (dir_ / "elsewhere").string());
  ASSERT_TRUE(prepare_and_apply().ok());
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "theme.toml"));
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "flavors/morvane.yazi/flavor.toml"));
}

TEST_F(YaziApply, PreparationErrors) {
  write_text(profile() / "kitty.conf", "background #000000\nforeground #ffffff\n");
  EXPECT_EQ(yazi::prepare_yazi_theme(profile()).error_text(), "Yazi requires a complete terminal palette");
  fs::remove(profile() / "kitty.conf");
  EXPECT_EQ(yazi::prepare_yazi_theme(profile()).error_text(), "No such file or directory (os error 2)");
  write_text(profile() / "kitty.conf", kitty_conf_of(mocha()));
  fs::create_directories(yazi_dir() / "theme.toml");
  EXPECT_EQ(yazi::prepare_yazi_theme(profile()).error_text(), "Is a directory (os error 21)");
  fs::remove(yazi_dir() / "theme.toml");
  write_text(yazi_dir() / "theme.toml", "mgr = 1\n");
  EXPECT_EQ(yazi::prepare_yazi_theme(profile()).error_text(), "Yazi [mgr] must be a table");
  // Nothing was written by any failing preparation.
  EXPECT_FALSE(fs::exists(yazi_dir() / "flavors"));
  EXPECT_FALSE(fs::exists(yazi_dir() / "theme.toml.before-tintwell"));
}

TEST_F(YaziApply, WriteFailureStopsApply) {
  write_text(yazi_dir() / "flavors", "a file where the directory should be");
  auto failed = prepare_and_apply();
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error_text(), "Not a directory (os error 20)");
}

TEST_F(YaziApply, YaMissingFailingOrHanging) {
  {
    ScopedEnv failing("FAKE_YA_STATUS", "1");
    EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
  }
  {
    ScopedEnv killed("FAKE_YA_SIGNAL", "TERM");
    EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
  }
  {
    ScopedEnv hanging("FAKE_YA_SLEEP", "30");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::seconds(10));
  }
  ScopedEnv missing("PATH", (dir_ / "no-bin").string());
  EXPECT_EQ(prepare_and_apply().value(), std::optional<std::string>(yazi::kYaziNote));
}

}  // namespace
