#include "main/command_line.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using cli::Command;
using cli::CommandLine;
using cli::parse_command_line;

TEST(CommandLine, EachArgumentLineYieldsOneAction) {
  const std::map<std::string, Command> commands = {
      {"switcher", Command::Switcher}, {"apply", Command::Apply}, {"help", Command::Help},
      {"version", Command::Version},   {"theme", Command::Theme}, {"wallpaper", Command::Wallpaper},
      {"list", Command::List},         {"current", Command::Current}, {"palette", Command::Palette},
      {"misuse", Command::Misuse}};
  for (const auto& c : testing_support::read_cases("command_line.txt")) {
    std::vector<std::string> args;
    for (std::size_t start = 0; !c.at("args").empty() && start <= c.at("args").size();) {
      const auto end = std::min(c.at("args").find(" | ", start), c.at("args").size());
      args.push_back(c.at("args").substr(start, end - start));
      start = end + 3;
    }
    SCOPED_TRACE(c.at("args"));
    const CommandLine got = parse_command_line(args);
    EXPECT_EQ(got.command, commands.at(c.at("command")));
    EXPECT_EQ(got.value, c.contains("value") ? c.at("value") : "");
    EXPECT_EQ(got.json, c.contains("json"));
    EXPECT_EQ(got.cached, c.contains("cached"));
    EXPECT_EQ(got.light, c.contains("light"));
    EXPECT_EQ(got.with_theme, c.contains("with_theme"));
    EXPECT_EQ(got.error, c.contains("error") ? c.at("error") : "");
  }
}

}  // namespace
