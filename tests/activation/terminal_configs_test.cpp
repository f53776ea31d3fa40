#include "activation/terminal_configs.hpp"

#include <gtest/gtest.h>

#include "activation/activate.hpp"
#include "activation/profile.hpp"
#include "test_support.hpp"
#include "themes/builtin_themes.hpp"

namespace {

namespace fs = std::filesystem;
using activation::with_foot_include;
using activation::with_yaml_import;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

// nord's palette as its generated profile's kitty.conf has it.
themes::Palette nord() {
  return themes::parse_kitty_palette(activation::profile_files(themes::find_builtin_theme("nord")->definition())[0].second);
}

TEST(TerminalConfigs, TheThemeAsFootAndAlacrittyReadIt) {
  const std::string foot = activation::foot_ini(nord());
  EXPECT_TRUE(foot.find("[colors]\nforeground=d8dee9\nbackground=2e3440\nregular0=3b4252\n") != std::string::npos) << foot;
  EXPECT_TRUE(foot.find("bright7=eceff4\nselection-foreground=d8dee9\nselection-background=") != std::string::npos) << foot;
  EXPECT_TRUE(foot.ends_with("\n[cursor]\ncolor=2e3440 d8dee9\n")) << foot;
  const std::string yml = activation::alacritty_yml(nord());
  EXPECT_TRUE(yml.find("colors:\n  primary:\n    background: \"#2e3440\"\n    foreground: \"#d8dee9\"\n") != std::string::npos)
      << yml;
  EXPECT_TRUE(yml.find("  bright:\n    black: \"#4c566a\"") != std::string::npos) << yml;
  const std::string toml = activation::alacritty_toml(nord());
  EXPECT_TRUE(toml.find("[colors.primary]\nbackground = \"#2e3440\"\n") != std::string::npos) << toml;
  EXPECT_TRUE(toml.find("\n[colors.normal]\nblack = \"#3b4252\"\n") != std::string::npos) << toml;
  EXPECT_EQ(activation::alacritty_version("alacritty 0.11.0 (8dbaa0b)\n"), (std::array<unsigned, 3>{0, 11, 0}));
  EXPECT_EQ(activation::alacritty_version("something else"), std::nullopt);
}

TEST(TerminalConfigs, OneManagedLineWhereItTakesEffectAndNeverASecond) {
  const std::string inc = "/h/.config/morvane/themes/current/foot.ini";
  const struct {
    std::string before, after;
  } foot[] = {
      {"", "include=" + inc + "\n"},
      {"font=mono:size=11\n", "font=mono:size=11\ninclude=" + inc + "\n"},
      {"[main]\nfont=x\n[colors]\nalpha=0.9", "[main]\nfont=x\n[colors]\nalpha=0.9\n\n[main]\ninclude=" + inc + "\n"},
  };
  for (const auto& c : foot) {
    EXPECT_EQ(with_foot_include(c.before, inc), c.after) << c.before;
    EXPECT_EQ(with_foot_include(c.after, inc), std::nullopt) << "kept once, never moved";
  }
  EXPECT_EQ(activation::foot_colours_after_include("include=" + inc + "\n[colors]\n# mine\nbackground=000000\n"), 4u);
  EXPECT_EQ(activation::foot_colours_after_include("[colors]\nbackground=000000\n[main]\ninclude=" + inc + "\n"), std::nullopt);

  const std::string yml = "/h/.config/morvane/themes/current/alacritty.yml";
  const struct {
    std::string before, after;
  } yaml[] = {
      {"", "import:\n  - \"" + yml + "\"\n"},
      {"font:\n  size: 11\n", "import:\n  - \"" + yml + "\"\nfont:\n  size: 11\n"},
      {"import:\n    - ~/a.yml # mine\n\nfont: {}\n", "import:\n    - ~/a.yml # mine\n    - \"" + yml + "\"\n\nfont: {}\n"},
      {"import: [~/a.yml]\n", "import: [~/a.yml, \"" + yml + "\"]\n"},
      {"import: []", "import: [\"" + yml + "\"]"},
  };
  for (const auto& c : yaml) {
    EXPECT_EQ(with_yaml_import(c.before, yml), c.after) << c.before;
    EXPECT_EQ(with_yaml_import(c.after, yml), std::nullopt);
  }
  const std::string toml = "/h/.config/morvane/themes/current/alacritty.toml";
  EXPECT_EQ(activation::with_toml_import("# mine\n[general]\nimport = [\"~/a.toml\"] # kept\n", toml, true).value(),
            "# mine\n[general]\nimport = [\"~/a.toml\", \"" + toml + "\"] # kept\n");
  EXPECT_EQ(activation::with_toml_import("[font]\nsize = 11\n", toml, false).value(),
            "import = [\"" + toml + "\"]\n[font]\nsize = 11\n");
  EXPECT_FALSE(activation::with_toml_import("[font\n", toml, true).ok());
  EXPECT_TRUE(activation::alacritty_sets_colours("[colors.primary]\nbackground = \"#000000\"\n", true));
  EXPECT_TRUE(activation::alacritty_sets_colours("colors:\n  primary: {}\n", false));
  EXPECT_FALSE(activation::alacritty_sets_colours("font:\n  colors: 1\n", false));
}

class NewTerminalWindows : public testing_support::SandboxTest {
 protected:
  NewTerminalWindows() {
    for (const char* program : {"ya", "kitty", "id", "pkill"}) runner_.on(program, Outcome{});
    write_text(dir_ / "bin" / "foot", "");
    write_text(dir_ / "bin" / "alacritty", "");
    env_.path = (dir_ / "bin").string();
    runner_.on("alacritty", Outcome{.out = "alacritty 0.11.0\n"});
  }
};

TEST_F(NewTerminalWindows, FootAndAlacrittyIncludeTheThemeAndSayWhatWins) {
  write_text(config_dir() / "alacritty" / "alacritty.yml", "# mine\ncolors:\n  primary:\n    background: \"#000000\"\n");
  const auto line = activation::activate_theme(env_, where(), runner_, "nord");
  ASSERT_TRUE(line.ok()) << line.error_text();
  const fs::path current = themes_dir() / "current";
  EXPECT_EQ(read_text(config_dir() / "foot" / "foot.ini"), "include=" + (current / "foot.ini").string() + "\n");
  EXPECT_NE(read_text(current / "foot.ini").find("background=2e3440"), std::string::npos);
  EXPECT_TRUE(read_text(config_dir() / "alacritty" / "alacritty.yml").starts_with("import:\n  - \"" +
                                                                                 (current / "alacritty.yml").string()));
  EXPECT_NE(read_text(current / "alacritty.yml").find("background: \"#2e3440\""), std::string::npos);
  EXPECT_FALSE(fs::exists(config_dir() / "alacritty" / "alacritty.toml")) << "never beside a YAML file";
  EXPECT_NE(line.value().find((config_dir() / "alacritty" / "alacritty.yml").string() +
                              " sets its own colours: new alacritty windows keep them"),
            std::string::npos)
      << line.value();
  const std::string foot = read_text(config_dir() / "foot" / "foot.ini");
  ASSERT_TRUE(activation::activate_theme(env_, where(), runner_, "dracula").ok());
  EXPECT_EQ(read_text(config_dir() / "foot" / "foot.ini"), foot) << "one line, kept where it is";
  // TINTWELL_SKIP=terminals leaves both alone.
  env_.skip = "terminals";
  fs::remove(config_dir() / "foot" / "foot.ini");
  ASSERT_TRUE(activation::activate_theme(env_, where(), runner_, "nord").ok());
  EXPECT_FALSE(fs::exists(config_dir() / "foot" / "foot.ini"));
}

}  // namespace
