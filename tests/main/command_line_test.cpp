#include "main/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using switcher::Command;
using switcher::parse_command_line;

TEST(CommandLine, ExactWholeArgumentsAnywhere) {
  EXPECT_EQ(parse_command_line({}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"--apply"}), Command::Apply);
  EXPECT_EQ(parse_command_line({"-h"}), Command::Help);
  EXPECT_EQ(parse_command_line({"x", "--help"}), Command::Help);
  EXPECT_EQ(parse_command_line({"--help", "--apply"}), Command::Apply);
  EXPECT_EQ(parse_command_line({"two", "words"}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"--APPLY"}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"apply"}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"--apply=1"}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"-help"}), Command::Switcher);
  EXPECT_EQ(parse_command_line({"x", "--version"}), Command::Version);
  EXPECT_EQ(parse_command_line({"--version", "-h"}), Command::Help);
  EXPECT_EQ(parse_command_line({"--version", "--apply"}), Command::Apply);
  EXPECT_EQ(parse_command_line({"-v"}), Command::Switcher);
  EXPECT_TRUE(switcher::version_text().starts_with("tintwell "));
}

TEST(CommandLine, UsageIsThreeLines) {
  EXPECT_EQ(switcher::kUsageText,
            "usage: tintwell [--apply]\n"
            "  (no args)   open the theme/wallpaper switcher\n"
            "  --apply     re-apply the saved wallpaper, then exit (login hook)\n");
}

}  // namespace
