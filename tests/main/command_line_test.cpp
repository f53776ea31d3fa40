#include "main/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using switcher::Command;
using switcher::CommandLine;
using switcher::parse_command_line;

CommandLine misuse(const char* error) { return CommandLine{.command = Command::Misuse, .error = error}; }

TEST(CommandLine, EachArgumentLineYieldsOneAction) {
  const struct {
    std::vector<std::string> args;
    CommandLine expected;
  } cases[] = {
      {{}, {}},
      {{"two", "words"}, {}},
      {{"--APPLY"}, {}},
      {{"apply"}, {}},
      {{"--apply=1"}, {}},
      {{"-help"}, {}},
      {{"-v"}, {}},
      {{"--json"}, {}},
      {{"--apply"}, {.command = Command::Apply}},
      {{"--help", "--apply"}, {.command = Command::Apply}},
      {{"--theme", "nord", "--apply"}, {.command = Command::Apply}},
      {{"--theme", "--apply"}, {.command = Command::Apply}},
      {{"-h"}, {.command = Command::Help}},
      {{"x", "--help"}, {.command = Command::Help}},
      {{"--theme", "nord", "-h"}, {.command = Command::Help}},
      {{"--version", "-h"}, {.command = Command::Help}},
      {{"x", "--version"}, {.command = Command::Version}},
      {{"--wallpaper", "--version"}, {.command = Command::Version}},
      {{"--theme", "Tokyo Night"}, {.command = Command::Theme, .value = "Tokyo Night"}},
      {{"--theme=Tokyo Night"}, {.command = Command::Theme, .value = "Tokyo Night"}},
      {{"--theme=--list"}, {.command = Command::Theme, .value = "--list"}},
      {{"--theme", "-x"}, {.command = Command::Theme, .value = "-x"}},
      {{"--wallpaper", "/w/a b.png"}, {.command = Command::Wallpaper, .value = "/w/a b.png"}},
      {{"--wallpaper=x.png"}, {.command = Command::Wallpaper, .value = "x.png"}},
      {{"--list"}, {.command = Command::List}},
      {{"--json", "--list"}, {.command = Command::List, .json = true}},
      {{"--current"}, {.command = Command::Current}},
      {{"--theme"}, misuse("--theme needs a theme name")},
      {{"--theme="}, misuse("--theme needs a theme name")},
      {{"--theme", ""}, misuse("--theme needs a theme name")},
      {{"--theme", "--list"}, misuse("--theme needs a theme name")},
      {{"--wallpaper"}, misuse("--wallpaper needs a file")},
      {{"--theme", "a", "--wallpaper", "b"}, misuse("--theme and --wallpaper cannot be used together")},
      {{"--list", "--current"}, misuse("--list and --current cannot be used together")},
      {{"--theme", "a", "--theme=b"}, misuse("--theme is given twice")},
      {{"--theme", "a", "b"}, misuse("unknown argument b with --theme")},
      {{"--current", "--json"}, misuse("--json goes with --list, not --current")},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const auto& arg : c.args) line += "[" + arg + "] ";
    SCOPED_TRACE(line);
    const CommandLine got = parse_command_line(c.args);
    EXPECT_EQ(got.command, c.expected.command);
    EXPECT_EQ(got.value, c.expected.value);
    EXPECT_EQ(got.json, c.expected.json);
    EXPECT_EQ(got.error, c.expected.error);
  }
}

TEST(CommandLine, UsageIsThreeLinesAndVersionNamesTheProgram) {
  EXPECT_EQ(switcher::kUsageText,
            "usage: tintwell [--apply]\n"
            "  (no args)   open the theme/wallpaper switcher\n"
            "  --apply     re-apply the saved wallpaper, then exit (login hook)\n");
  EXPECT_TRUE(switcher::version_text().starts_with("tintwell "));
}

}  // namespace
