#include "activation/recolour.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using testing_support::FakeRunner;
using testing_support::Outcome;

TEST(OtherKitties, ReachedThroughTheirSocketsOrCounted) {
  const std::vector<sys::PtyHolder> holders = {
      {.pid = 1, .name = "kitty", .ptys = {3}, .sockets = {10}},      // our own: reached over the terminal
      {.pid = 2, .name = "kitty", .ptys = {4}, .sockets = {20}},      // the launcher
      {.pid = 3, .name = "kitty", .ptys = {5}, .sockets = {30, 31}},  // single-instance socket, then its own
      {.pid = 4, .name = "kitty", .ptys = {6}, .sockets = {99}},      // no listening socket
      {.pid = 5, .name = "foot", .ptys = {7}, .sockets = {50}},
  };
  const std::map<unsigned long, std::string> listening = {
      {10, "/tmp/own"}, {20, "/run/launcher.sock"}, {30, "@kitty-ipc-1000"}, {31, "@k3"}, {50, "/tmp/foot"}};
  auto found = activation::other_kitties(holders, listening, 3u, {"/run/launcher.sock"});
  EXPECT_EQ(found.sockets, std::vector<std::string>{"@k3"});
  EXPECT_EQ(found.unreachable, 1u);
  // Where our own window cannot be reached without a socket, its kitty is one of the others.
  found = activation::other_kitties(holders, listening, std::nullopt, {"/run/launcher.sock"});
  EXPECT_EQ(found.sockets, (std::vector<std::string>{"/tmp/own", "@k3"}));
}

TEST(ColourScheme, SetWhereWritableReadBackOrLeftAlone) {
  const testing_support::TempDir dir;
  const auto system = testing_support::empty_system(dir.path());
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
    const themes::Environment env{.skip = c.skip, .uid = testing_support::kTestUid};
    const auto where = themes::locations(env, system);
    EXPECT_EQ(activation::recolour_running_programs(env, where, runner, "background #ffffff\n", system, {}), c.notes);
    ASSERT_EQ(runner.count("gsettings"), c.runs);
    if (c.runs > 1) {
      EXPECT_EQ(runner.lines()[1], "gsettings\tset\torg.gnome.desktop.interface\tcolor-scheme\tprefer-light");
    }
  }
  EXPECT_FALSE(themes::skips({.skip = "terminals", .uid = testing_support::kTestUid}, "color-scheme"));
  FakeRunner none;  // not installed: nothing to say
  const themes::Environment plain{.uid = testing_support::kTestUid};
  EXPECT_TRUE(
      activation::recolour_running_programs(plain, themes::locations(plain, system), none, "background #000000\n", system, {})
          .empty());
}

}  // namespace
