#include "activation/recolour.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using testing_support::FakeRunner;
using testing_support::Outcome;

TEST(ColourScheme, SetWhereWritableReadBackOrLeftAlone) {
  const struct {
    std::string writable;
    std::string read_back;
    std::optional<std::string> skip;
    std::vector<std::string> notes;
    std::size_t runs;
  } cases[] = {
      {"true\n", "'prefer-light'\n", std::nullopt, {}, 3},
      {"true\n", "'default'\n", std::nullopt, {"the desktop's dark/light preference could not be saved"}, 3},
      {"false\n", "", std::nullopt, {}, 1},
      {"true\n", "", "terminals, color-scheme,unknown", {}, 0},
  };
  for (const auto& c : cases) {
    FakeRunner runner;
    runner.on("gsettings", [&c](const sys::Command& command) {
      return Outcome{.out = command.args[0] == "writable" ? c.writable : command.args[0] == "get" ? c.read_back : ""};
    });
    const themes::Environment env{.skip = c.skip};
    EXPECT_EQ(activation::recolour_running_programs(env, themes::locations(env), runner, "background #ffffff\n"), c.notes);
    ASSERT_EQ(runner.count("gsettings"), c.runs);
    if (c.runs > 1) {
      EXPECT_EQ(runner.lines()[1], "gsettings\tset\torg.gnome.desktop.interface\tcolor-scheme\tprefer-light");
    }
  }
  EXPECT_FALSE(themes::skips({.skip = "terminals"}, "color-scheme"));
  FakeRunner none;  // not installed: nothing to say
  EXPECT_TRUE(activation::recolour_running_programs({}, themes::locations({}), none, "background #000000\n").empty());
}

}  // namespace
