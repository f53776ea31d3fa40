#include "themes/profile_gen.hpp"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"
#include "themes/builtin_themes.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::write_text;

const std::vector<std::string> kFiles = {"kitty.conf",   "hyprland.lua", "gtk.css",    "btop.theme",
                                         "yazi.toml",    "yazi.tmTheme", "waybar.css", "vscode.json"};

themes::ThemeDefinition builtin(std::string_view slug) { return themes::find_builtin_theme(slug)->definition(); }

std::string file_of(const themes::ThemeDefinition& def, std::string_view name) {
  for (const auto& [file, content] : themes::profile_files(def))
    if (file == name) return content;
  return "";
}

TEST(ProfileFiles, EightFilesInOrder) {
  std::vector<std::string> names;
  for (const auto& [name, _] : themes::profile_files(builtin("nord"))) names.push_back(name);
  EXPECT_EQ(names, kFiles);
}

TEST(ProfileFiles, KittyConf) {
  const std::string text = file_of(builtin("dracula"), "kitty.conf");
  EXPECT_TRUE(text.starts_with("# dracula\n"
                               "background #282a36\n"
                               "foreground #f8f8f2\n"
                               "selection_background #44475a\n"
                               "selection_foreground #f8f8f2\n"
                               "cursor #f8f8f2\n"
                               "cursor_text_color #282a36\n"
                               "\n"
                               "color0 #21222c\n"));
  EXPECT_TRUE(text.ends_with("color15 #ffffff\n"));
  EXPECT_EQ(sys::split_lines(text).size(), 24u);
}

TEST(ProfileFiles, HyprlandBordersWithoutHashes) {
  auto def = builtin("catppuccin-mocha");
  def.accent = "##89b4fa";
  EXPECT_EQ(file_of(def, "hyprland.lua"),
            "-- catppuccin-mocha window accents.\n"
            "hl.config({\n"
            "    general = {\n"
            "        col = {\n"
            "            active_border = \"rgba(89b4faaa)\",\n"
            "            inactive_border = \"rgba(45475aaa)\",\n"
            "        },\n"
            "    },\n"
            "})\n");
}

TEST(ProfileFiles, GtkCss) {
  const std::string text = file_of(builtin("catppuccin-mocha"), "gtk.css");
  const auto lines = sys::split_lines(text);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "@define-color theme_fg_color #cdd6f4;");
  EXPECT_EQ(lines[2], "@define-color theme_base_color #181825;");
  EXPECT_EQ(lines[6], "@define-color borders #45475a;");
  EXPECT_EQ(lines[12], "@define-color view_fg_color #cdd6f4;");
}

TEST(ProfileFiles, WaybarBackgroundChannels) {
  auto def = builtin("catppuccin-mocha");
  const std::string text = file_of(def, "waybar.css");
  EXPECT_TRUE(text.starts_with("window#waybar {\n    background: rgba(30, 30, 46, 0.92);\n    color: #89b4fa;\n}\n\n"));
  EXPECT_NE(text.find("#workspaces button.urgent {\n    color: #f38ba8;\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("#tray {\n    color: #89b4fa;\n    background: transparent;\n}\n"));
  def.background = "navy";
  EXPECT_NE(file_of(def, "waybar.css").find("background: rgba(0, 0, 0, 0.92);"), std::string::npos);
}

TEST(ProfileFiles, VscodeJson) {
  EXPECT_EQ(file_of(builtin("catppuccin-mocha"), "vscode.json"),
            "{\n"
            "  \"workbench.colorTheme\": \"Catppuccin Mocha\",\n"
            "  \"workbench.iconTheme\": \"catppuccin-mocha\",\n"
            "  \"catppuccin.accentColor\": \"blue\",\n"
            "  \"catppuccin.workbenchMode\": \"flat\"\n"
            "}\n");
  EXPECT_EQ(file_of(builtin("nord"), "vscode.json"), "{\n  \"workbench.colorTheme\": \"Nord\"\n}\n");
  auto def = builtin("nord");
  def.vscode_settings = {{"workbench.colorTheme", "Other"}, {"a", "b"}};
  EXPECT_EQ(file_of(def, "vscode.json"), "{\n  \"workbench.colorTheme\": \"Nord\",\n  \"a\": \"b\"\n}\n");
}

TEST(GenerateProfile, WritesAllFilesIntoNewDirectories) {
  TempDir dir;
  const auto def = builtin("tokyo-night");
  ASSERT_TRUE(themes::generate_profile(def, dir / "a" / "tokyo-night").ok());
  for (const auto& [name, content] : themes::profile_files(def))
    EXPECT_EQ(read_text(dir / "a" / "tokyo-night" / name), content) << name;
}

TEST(GenerateProfile, ExistingEntriesAreLeftAlone) {
  TempDir dir;
  write_text(dir / "kitty.conf", "# my edits\n");
  write_text(dir / "gtk.css", "");
  fs::create_directory(dir / "btop.theme");
  fs::create_symlink(dir / "nowhere" / "file", dir / "waybar.css");  // dangling: never written through
  ASSERT_TRUE(themes::generate_profile(builtin("nord"), dir.path()).ok());
  EXPECT_EQ(read_text(dir / "kitty.conf"), "# my edits\n");
  EXPECT_EQ(read_text(dir / "gtk.css"), "");
  EXPECT_TRUE(fs::is_directory(dir / "btop.theme"));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_EQ(read_text(dir / "hyprland.lua"), file_of(builtin("nord"), "hyprland.lua"));
  // Regenerating writes nothing new.
  const auto before = fs::last_write_time(dir / "hyprland.lua");
  ASSERT_TRUE(themes::generate_profile(builtin("dracula"), dir.path()).ok());
  EXPECT_EQ(fs::last_write_time(dir / "hyprland.lua"), before);
  EXPECT_EQ(read_text(dir / "hyprland.lua"), file_of(builtin("nord"), "hyprland.lua"));
}

TEST(GenerateProfile, CreationErrorWritesNothing) {
  TempDir dir;
  write_text(dir / "file", "x");
  auto result = themes::generate_profile(builtin("nord"), dir / "file" / "nord");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error_text(), "Not a directory (os error 20)");
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
  auto result = themes::generate_profile(builtin("catppuccin-mocha"), dir.path());
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error_text(), "File too large (os error 27)");
  for (std::size_t i = 0; i < kFiles.size(); ++i) EXPECT_EQ(fs::exists(dir / kFiles[i]), i < 4) << kFiles[i];
  // A later generation completes the profile.
  fs::remove(dir / "btop.theme");
  ASSERT_TRUE(themes::generate_profile(builtin("catppuccin-mocha"), dir.path()).ok());
  for (const auto& name : kFiles) EXPECT_TRUE(fs::exists(dir / name)) << name;
}

TEST(BuiltinThemes, TableAndLookup) {
  const auto all = themes::builtin_themes();
  ASSERT_EQ(all.size(), 9u);
  EXPECT_EQ(all.front().slug, "catppuccin-mocha");
  EXPECT_EQ(all.back().slug, "solarized-dark");
  EXPECT_EQ(themes::find_builtin_theme("Nord"), nullptr);
  ASSERT_NE(themes::find_builtin_theme("nord"), nullptr);
  EXPECT_EQ(builtin("catppuccin-mocha").vscode_settings.size(), 3u);
  EXPECT_EQ(builtin("catppuccin-latte").vscode_settings[0],
            (std::pair<std::string, std::string>{"workbench.iconTheme", "catppuccin-latte"}));
  EXPECT_TRUE(builtin("nord").vscode_settings.empty());
  EXPECT_EQ(builtin("rose-pine").vscode_theme, "Rosé Pine");
  EXPECT_TRUE(themes::find_builtin_theme("solarized-dark")->extensions.empty());
  for (const auto& theme : all) {
    const auto def = theme.definition();
    for (const auto& colour : def.colours) EXPECT_TRUE(themes::parse_hex_colour(colour).has_value()) << colour;
  }
}

}  // namespace
