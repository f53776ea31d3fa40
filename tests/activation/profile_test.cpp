#include "activation/profile.hpp"

#include <signal.h>
#include <sys/resource.h>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "sys/text.hpp"
#include "test_support.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/palette.hpp"

namespace {

namespace fs = std::filesystem;
using activation::generate_profile;
using activation::profile_files;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::write_text;

const std::vector<std::string> kFiles = {"kitty.conf",   "hyprland.lua", "gtk.css",    "btop.theme",
                                         "yazi.toml",    "yazi.tmTheme", "waybar.css", "vscode.json"};

themes::ThemeDefinition builtin(std::string_view slug) { return themes::find_builtin_theme(slug)->definition(); }

std::string file_of(const themes::ThemeDefinition& def, std::string_view name) {
  for (const auto& [file, content] : profile_files(def))
    if (file == name) return content;
  return "";
}

// Every file of every built-in profile, byte for byte: the kitty colours,
// the stylesheets, the btop and Yazi themes, the editor settings.
TEST(ProfileFiles, GoldenBuiltins) {
  for (const auto& theme : themes::builtin_themes()) {
    std::vector<std::string> names;
    for (const auto& [name, content] : profile_files(theme.definition())) {
      names.push_back(name);
      testing_support::expect_golden(fmt::format("golden/{}/{}", theme.slug, name), content);
    }
    EXPECT_EQ(names, kFiles);
  }
}

TEST(ProfileFiles, OddColourTexts) {
  auto def = builtin("catppuccin-mocha");
  def.accent = "##89b4fa";
  EXPECT_NE(file_of(def, "hyprland.lua").find("active_border = \"rgba(89b4faaa)\""), std::string::npos);
  def.background = "navy";
  EXPECT_NE(file_of(def, "waybar.css").find("background: rgba(0, 0, 0, 0.92);"), std::string::npos);
  def.vscode_settings = {{"workbench.colorTheme", "Other"}, {"a", "b"}};
  EXPECT_EQ(file_of(def, "vscode.json"),
            "{\n  \"workbench.colorTheme\": \"Catppuccin Mocha\",\n  \"a\": \"b\"\n}\n");
}

TEST(GenerateProfile, WritesAllFilesIntoNewDirectories) {
  TempDir dir;
  const auto def = builtin("tokyo-night");
  ASSERT_TRUE(generate_profile(def, dir / "a" / "tokyo-night").ok());
  for (const auto& [name, content] : profile_files(def))
    EXPECT_EQ(read_text(dir / "a" / "tokyo-night" / name), content) << name;
}

TEST(GenerateProfile, ExistingEntriesAreLeftAlone) {
  TempDir dir;
  write_text(dir / "kitty.conf", "# my edits\n");
  write_text(dir / "gtk.css", "");
  fs::create_directory(dir / "btop.theme");
  fs::create_symlink(dir / "nowhere" / "file", dir / "waybar.css");  // dangling: never written through
  ASSERT_TRUE(generate_profile(builtin("nord"), dir.path()).ok());
  EXPECT_EQ(read_text(dir / "kitty.conf"), "# my edits\n");
  EXPECT_EQ(read_text(dir / "gtk.css"), "");
  EXPECT_TRUE(fs::is_directory(dir / "btop.theme"));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_EQ(read_text(dir / "hyprland.lua"), file_of(builtin("nord"), "hyprland.lua"));
  // Regenerating writes nothing new.
  ASSERT_TRUE(generate_profile(builtin("dracula"), dir.path()).ok());
  EXPECT_EQ(read_text(dir / "hyprland.lua"), file_of(builtin("nord"), "hyprland.lua"));
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
  auto result = generate_profile(builtin("catppuccin-mocha"), dir.path());
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error_text(), (dir / "btop.theme").string() + ": File too large (os error 27)");
  // Nothing cut short is left: a later generation completes the profile.
  for (std::size_t i = 0; i < kFiles.size(); ++i) EXPECT_EQ(fs::exists(dir / kFiles[i]), i < 3) << kFiles[i];
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
  ASSERT_TRUE(generate_profile(builtin("catppuccin-mocha"), dir.path()).ok());
  for (const auto& name : kFiles) EXPECT_TRUE(fs::exists(dir / name)) << name;
}

TEST(BuiltinThemes, TableAndLookup) {
  const auto all = themes::builtin_themes();
  ASSERT_EQ(all.size(), 9u);
  EXPECT_EQ(all.front().slug, "catppuccin-mocha");
  EXPECT_EQ(all.back().slug, "solarized-dark");
  EXPECT_EQ(themes::find_builtin_theme("Nord"), nullptr);
  EXPECT_EQ(builtin("catppuccin-latte").vscode_settings[0],
            (std::pair<std::string, std::string>{"workbench.iconTheme", "catppuccin-latte"}));
  EXPECT_TRUE(builtin("nord").vscode_settings.empty());
  EXPECT_TRUE(themes::find_builtin_theme("solarized-dark")->extensions.empty());
}

/// Profiles prepared in a sandbox; no curl, so index themes are unknown
/// unless the index is cached.
class PrepareProfile : public testing_support::SandboxTest {
 protected:
  sys::Result<fs::path> prepare(const std::string& name) {
    return activation::prepare_profile(themes_dir(), {index_dir(), runner_}, name);
  }
};

TEST_F(PrepareProfile, Failures) {
  for (const char* bad : {"../x", "a/b", ".hidden", "current", "", "tab\tname"})
    EXPECT_EQ(prepare(bad).error_text(), "invalid theme name") << bad;
  EXPECT_FALSE(fs::exists(themes_dir()));
  EXPECT_EQ(prepare("Unknown Theme").error_text(), "no theme profile for Unknown Theme");
  // An index theme that gives no profile says why.
  write_text(index_dir() / "themes.json",
             R"([{"name": "Gone", "file": "themes/gone.conf"}, {"name": "Short", "file": "themes/short.conf"}])");
  write_text(index_dir() / "themes" / "short.conf", "background #000000\nforeground #ffffff\ncolor0 #000000\n");
  EXPECT_EQ(prepare("Gone").error_text(), "no theme profile for Gone (its theme file could not be downloaded)");
  EXPECT_EQ(prepare("Short").error_text(), "no theme profile for Short (its palette is incomplete)");
  fs::remove_all(index_dir());
  write_text(themes_dir(), "a file in place of the themes directory");
  EXPECT_EQ(prepare("nord").error_text(),
            "could not write theme to " + (themes_dir() / "nord").string() + ": " + (themes_dir() / "nord").string() +
                ": Not a directory (os error 20)");
}

TEST_F(PrepareProfile, CompletesBuiltinsAndIndexThemesAndFindsOwnProfiles) {
  write_text(themes_dir() / "nord" / "kitty.conf", "# edited\n");
  EXPECT_EQ(prepare("nord").value(), themes_dir() / "nord");
  EXPECT_EQ(read_text(themes_dir() / "nord" / "kitty.conf"), "# edited\n");
  EXPECT_TRUE(fs::exists(themes_dir() / "nord" / "vscode.json"));
  // An own profile never waits for the network, even with the index stale
  // and a curl that would hang.
  runner_.on("curl", Outcome{.hangs = true});
  fs::create_directories(themes_dir() / "Tokyo Night");
  EXPECT_EQ(prepare("Tokyo Night").value(), themes_dir() / "Tokyo Night");
  EXPECT_EQ(runner_.count("curl"), 0u);
  runner_.forget("curl");

  write_text(index_dir() / "themes.json", R"([{"name": "Cached", "file": "themes/c.conf", "is_dark": true}])");
  write_text(index_dir() / "themes/c.conf", file_of(builtin("dracula"), "kitty.conf"));
  ASSERT_TRUE(prepare("Cached").ok());
  const auto generated = themes::parse_kitty_palette(read_text(themes_dir() / "Cached" / "kitty.conf"));
  const auto original = themes::parse_kitty_palette(file_of(builtin("dracula"), "kitty.conf"));
  EXPECT_EQ(generated.colours, original.colours);
  EXPECT_EQ(generated.background, original.background);
  for (const auto& name : kFiles) EXPECT_TRUE(fs::exists(themes_dir() / "Cached" / name)) << name;
}

}  // namespace
