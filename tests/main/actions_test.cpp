#include "main/actions.hpp"

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using cli::ActionOutcome;
using cli::Command;
using cli::CommandLine;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

constexpr std::string_view kCompleteTheme =
    "background #fdf6e3\nforeground #657b83\n"
    "color0 #073642\ncolor1 #dc322f\ncolor2 #859900\ncolor3 #b58900\ncolor4 #268bd2\ncolor5 #d33682\n"
    "color6 #2aa198\ncolor7 #eee8d5\ncolor8 #002b36\ncolor9 #cb4b16\ncolor10 #586e75\ncolor11 #657b83\n"
    "color12 #839496\ncolor13 #6c71c4\ncolor14 #93a1a1\ncolor15 #fdf6e3\n";

/// A desktop reached from a key binding: no terminal variables, every
/// program answering as a working one would, and no network (curl fails).
class Actions : public testing_support::SandboxTest {
 protected:
  Actions() {
    for (const char* program : {"kitty", "ya", "pkill"}) runner_.on(program, Outcome{});
    runner_.on("id", Outcome{.out = "1000\n"});
    runner_.on("curl", Outcome{.exit_code = 6});
    env_.xdg_runtime_dir = (dir_ / "run").string();
  }
  ActionOutcome run(Command command, std::string value = "", bool json = false) {
    return cli::run_action(CommandLine{.command = command, .value = std::move(value), .json = json}, env_, where(), runner_);
  }
  void cache_index(std::string_view json) {
    write_text(index_dir() / "themes.json", json);
    write_text(index_dir() / "themes" / "Sol.conf", kCompleteTheme);
  }
};

TEST_F(Actions, ThemeAppliesAsEnterDoesAndRecoloursOnlyTheLauncher) {
  write_text(dir_ / "run" / "app-launcher-kitty.sock", "");
  const ActionOutcome outcome = run(Command::Theme, "nord");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_TRUE(outcome.out.starts_with("Activated theme: nord")) << outcome.out;
  EXPECT_TRUE(outcome.out.ends_with("\n"));
  EXPECT_EQ(outcome.err, "");
  // Outside a terminal the own window is not recoloured; the launcher is.
  const std::string colors = (themes_dir() / ".active" / "colors.conf").string();
  const std::string launcher =
      "kitty\t@\t--to=unix:" + (dir_ / "run" / "app-launcher-kitty.sock").string() + "\tset-colors\t--all\t--configured\t" + colors;
  EXPECT_EQ(runner_.count("kitty"), 1u);
  EXPECT_EQ(runner_.lines()[1], launcher);
  EXPECT_EQ(runner_.count("curl"), 0u) << "a built-in needs no index";
  EXPECT_EQ(run(Command::Current).out, "nord\n");
}

TEST_F(Actions, AnIndexThemeIsFetchedAndApplied) {
  cache_index(R"([{"name": "Solar Light", "file": "themes/Sol.conf", "is_dark": false}])");
  const ActionOutcome outcome = run(Command::Theme, "Solar Light");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(read_text(themes_dir() / ".active" / "theme-name"), "Solar Light");
  EXPECT_TRUE(fs::exists(themes_dir() / "Solar Light" / "kitty.conf"));
}

TEST_F(Actions, AnUnknownNameIsRefusedBeforeAnythingIsWritten) {
  const ActionOutcome outcome = run(Command::Theme, "Nord");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "no theme named \"Nord\" (did you mean \"nord\"?)\n");
  EXPECT_EQ(runner_.count("curl"), 1u) << "one refresh of the missing index";
  EXPECT_FALSE(fs::exists(config_dir())) << "no profile, active directory or user file";
}

TEST_F(Actions, ListPrintsTheSwitchersOrderEvenWhenTheRefreshFails) {
  write_text(themes_dir() / "Mine" / "kitty.conf", "background #ffffff\n");
  const ActionOutcome outcome = run(Command::List);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_TRUE(outcome.out.starts_with("Mine\ncatppuccin-latte\ncatppuccin-mocha\n")) << outcome.out;
  EXPECT_TRUE(outcome.out.ends_with("\ntokyo-night\n"));
  EXPECT_EQ(runner_.count("curl"), 1u);
}

TEST_F(Actions, ListAsJsonSaysWhereEachThemeComesFrom) {
  cache_index(R"([{"name": "Solar Light", "file": "themes/Sol.conf"}, {"name": "Ink", "file": "themes/Ink.conf", "is_dark": true}])");
  write_text(themes_dir() / "Mine" / "kitty.conf", "background #ffffff\n");
  write_text(themes_dir() / "Bare" / "x", "");
  ASSERT_EQ(run(Command::Theme, "dracula").status, 0);
  testing_support::expect_golden("lists/list.json", run(Command::List, "", true).out);
  EXPECT_EQ(runner_.count("curl"), 0u) << "a fresh index is used as it is";
  EXPECT_EQ(run(Command::Current), (ActionOutcome{.status = 0, .out = "dracula\n"}));
}

TEST_F(Actions, HostileNamesNeverReachTheTerminal) {
  // From the downloaded index: escape sequences, a line break, a reversal.
  cache_index(R"([{"name": "a\u001b]52;c;eA==\u0007", "file": "themes/Sol.conf"}, {"name": "two\nlines", "file": "themes/Sol.conf"},
                  {"name": "\u202egnp.exe", "file": "themes/Sol.conf"}, {"name": "Fine", "file": "themes/Sol.conf"}])");
  const ActionOutcome listed = run(Command::List);
  EXPECT_TRUE(listed.out.starts_with("Fine\ncatppuccin-latte\n")) << listed.out;
  EXPECT_NE(run(Command::List, "", true).out.find("\\u001b]52"), std::string::npos) << "JSON stays exact";
  EXPECT_EQ(run(Command::Theme, "\u202egnp.exe").err, "invalid theme name\n");
  // The active name and other programs' output are escaped and kept to one line.
  write_text(themes_dir() / ".active" / "theme-name", "x\x1b[2J");
  fs::create_directory_symlink(".active", themes_dir() / "current");
  EXPECT_EQ(run(Command::Current).out, "x\uFFFD[2J\n");
  write_text(dir_ / "run" / "app-launcher-kitty.sock", "");
  runner_.on("kitty", Outcome{.exit_code = 1, .err = "Error:\n\x1b]0;pwned\x07"});
  const ActionOutcome applied = run(Command::Theme, "nord");
  EXPECT_NE(applied.out.find("Kitty exited with exit status: 1: Error:\uFFFD\uFFFD]0;pwned\uFFFD"), std::string::npos)
      << applied.out;
}

TEST_F(Actions, WallpaperIsAppliedOrRefusedWithoutTouchingTheSavedChoice) {
  const fs::path saved = config_dir() / "morvane" / "wallpaper";
  write_text(saved, "/old.png");
  fs::create_directories(dir_ / "dir.png");
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "gone.png").string()).err,
            (dir_ / "gone.png").string() + ": No such file or directory (os error 2)\n");
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "dir.png").string()).err, (dir_ / "dir.png").string() + ": not a regular file\n");
  EXPECT_TRUE(runner_.commands.empty());
  EXPECT_EQ(read_text(saved), "/old.png");

  // What the wallpapers list would not take never reaches a daemon.
  write_text(dir_ / "passwd", "root:x:0:0::/root:/bin/sh\n");
  write_text(dir_ / "notes.png", "my notes\n");
  runner_.on("swww", Outcome{});
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "passwd").string()).err,
            (dir_ / "passwd").string() + ": not a picture (png, jpg, jpeg, webp or bmp)\n");
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "notes.png").string()).err,
            fs::canonical(dir_ / "notes.png").string() + ": not a PNG picture (its content says otherwise)\n");
  EXPECT_TRUE(runner_.commands.empty());
  EXPECT_EQ(read_text(saved), "/old.png");

  write_text(dir_ / "a.png", testing_support::kPngStart);
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "a.png").string()), (ActionOutcome{.status = 0, .out = "wallpaper applied with swww\n"}));
  EXPECT_EQ(read_text(saved), fs::canonical(dir_ / "a.png").string());
  runner_.forget("swww");
  EXPECT_EQ(run(Command::Wallpaper, (dir_ / "a.png").string()).err, "no running wallpaper backend (hyprpaper, awww, or swww)\n");
}

TEST_F(Actions, WithoutAHomeNothingIsWrittenAnywhere) {
  env_ = themes::Environment{.home = "", .xdg_config_home = "relative", .uid = testing_support::kTestUid};
  const ActionOutcome outcome = run(Command::Theme, "nord");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err,
            "tintwell: no home directory: set HOME (or XDG_CONFIG_HOME and XDG_CACHE_HOME) to an absolute path\n");
  EXPECT_FALSE(fs::exists("relative"));
  EXPECT_TRUE(runner_.commands.empty());
}

TEST(CloseNames, OtherCaseFirstThenContainingThenSlips) {
  const std::vector<std::string> names = {"nord", "nord-light", "Nordic", "dracula", "tokyo-night", "rose-pine"};
  const struct {
    const char* name;
    std::vector<std::string> expected;
  } cases[] = {
      {"NORD", {"nord", "Nordic", "nord-light"}},
      {"light", {"nord-light"}},
      {"dracual", {"dracula"}},
      {"tokyo night", {"tokyo-night"}},
      {"zzzzzz", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sys::close_names(c.name, names), c.expected);
  }
  // A huge name in the index and a long typo: lengths are compared first,
  // so this ends at once instead of after minutes of edit distances.
  const std::vector<std::string> huge = {std::string(4'000'000, 'x'), "nord"};
  EXPECT_EQ(sys::close_names(std::string(1000, 'y'), huge), std::vector<std::string>{});
}

}  // namespace
