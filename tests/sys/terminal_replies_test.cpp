#include "sys/terminal_replies.hpp"

#include <gtest/gtest.h>

namespace {

TEST(TerminalReplies, AnswersAreTakenOutOfWhatElseArrives) {
  const struct {
    std::string bytes;
    std::map<std::string, std::string> colours;
    std::optional<std::string> version;
    bool complete;
    std::string other;
  } cases[] = {
      // kitty: every answer, ST and BEL endings, keys typed among them.
      {"\x1bP>|kitty(0.26.5)\x1b\\j\x1b]4;1;rgb:cccc/0000/0000\x1b\\\x1b]11;rgb:1e/1e/2e\a/\x1b[?62;c",
       {{"4;1", "rgb:cccc/0000/0000"}, {"11", "rgb:1e/1e/2e"}}, "kitty(0.26.5)", true, "j/"},
      // A terminal that knows none of the questions answers only the last;
      // keys in other sequences pass through whole.
      {"\x1bOA\x1b[?1;2c\x1b[1;5C", {}, std::nullopt, true, "\x1bOA\x1b[1;5C"},
      // No answer yet, or one cut short: left for the key decoder.
      {"\x1b]10;rgb:ffff/ffff", {}, std::nullopt, false, "\x1b]10;rgb:ffff/ffff"},
      {"\x1b[A\x1b[?6", {}, std::nullopt, false, "\x1b[A\x1b[?6"},
      // An echoed question, and a string broken off by another sequence.
      {"\x1b]4;2;?\x1b\\\x1b]11;x\x1b[Bq", {}, std::nullopt, false, "\x1b[Bq"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const auto replies = sys::split_terminal_replies(c.bytes);
    EXPECT_EQ(replies.colours, c.colours);
    EXPECT_EQ(replies.version, c.version);
    EXPECT_EQ(replies.complete, c.complete);
    EXPECT_EQ(replies.other, c.other);
  }
  // Colours of every width.
  using Rgb = std::array<std::uint8_t, 3>;
  EXPECT_EQ(sys::parse_x_colour("rgb:ffff/0000/8080"), (Rgb{255, 0, 128}));
  EXPECT_EQ(sys::parse_x_colour("rgb:f/0/8"), (Rgb{255, 0, 136}));
  EXPECT_EQ(sys::parse_x_colour("rgb:1e/1e/2e"), (Rgb{30, 30, 46}));
  EXPECT_EQ(sys::parse_x_colour("#1E1e2e"), (Rgb{30, 30, 46}));
  for (const char* bad : {"rgb:ff/ff", "rgb:fffff/0/0", "rgb:/0/0", "rgb:gg/0/0", "red", "#12345"})
    EXPECT_EQ(sys::parse_x_colour(bad), std::nullopt) << bad;
}

}  // namespace
