#include "btop/btop.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using btop::rewrite_btop_conf;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

TEST(BtopConf, RewritesOnlyTheColourThemeSettingAndKeepsEveryOtherByte) {
  for (const auto& c : testing_support::read_cases("btop_conf.txt"))
    EXPECT_EQ(rewrite_btop_conf(c.at("conf")), c.at("rewritten")) << c.at("conf");
}

TEST(BtopVersion, OnlyVersionsThatReloadOnTheSignal) {
  const struct {
    const char* output;
    bool reloads;
  } cases[] = {
      {"btop version: 1.2.13\n", false}, {"btop version: 1.3.0\n", false},
      {"btop version: 1.3.1\n", true},   {"btop version: 1.4.7\nCompiled with: g++ (12.2.0)\n", true},
      {"btop version: 9.0.0", true},     {"garbage", false},
      {"", false},                       {"btop version: 1.3", false},
      {"v10.1.1", true},          {"btop version: 0.3.1.5", false},  // 0 starts a version like any digit
      {"4294967296.3.1", false},  // too large for a part: the digits after its first are no version
  };
  for (const auto& c : cases) EXPECT_EQ(btop::btop_reloads_on_signal(c.output), c.reloads) << c.output;
}

/// A configuration directory, and id, btop and pkill that answer as a
/// running btop 1.4 of user 1000 would.
class ApplyBtop : public testing_support::SandboxTest {
 protected:
  ApplyBtop() {
    runner_.on("id", Outcome{.out = "1000\n"});
    runner_.on("btop", Outcome{.out = "btop version: 1.4.0\n"});
    runner_.on("pkill", Outcome{});
  }
  fs::path conf() const { return config_dir() / "btop" / "btop.conf"; }
  sys::Result<std::optional<std::string>> apply(std::string_view text = "t") {
    return btop::apply_btop_theme(runner_, config_dir(), text);
  }
};

TEST_F(ApplyBtop, InstallsTheThemeAndSignalsRunningBtop) {
  write_text(conf(), "# settings\r\ncolor_theme = \"Default\"\r\ntruecolor = True\r\n");
  auto note = apply("theme text\n");
  ASSERT_TRUE(note.ok()) << note.error_text();
  EXPECT_FALSE(note.value().has_value());
  EXPECT_EQ(read_text(config_dir() / "btop" / "themes" / "morvane.theme"), "theme text\n");
  EXPECT_EQ(read_text(conf()), "# settings\r\ncolor_theme = \"morvane\"\r\ntruecolor = True\r\n");
  EXPECT_EQ(runner_.lines(),
            (std::vector<std::string>{"id\t-u", "btop\t--version", "pkill\t-USR2\t-u\t1000\t-x\tbtop"}));
}

}  // namespace
