#include "activation/templates.hpp"

#include <gtest/gtest.h>

#include "activation/activate.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

class Templates : public testing_support::SandboxTest {
 protected:
  Templates() {
    for (const char* program : {"ya", "kitty", "id", "pkill"}) runner_.on(program, Outcome{});
  }
  fs::path home() const { return dir_ / "home"; }
  void manifest(const std::string& text) { write_text(config_dir() / "morvane" / "templates.toml", text); }
  sys::Result<std::string> activate(const std::string& name) {
    return activation::activate_theme(env_, where(), runner_, name);
  }
};

TEST_F(Templates, OneBadTemplateStopsNoOtherAndItsTargetIsUntouched) {
  write_text(config_dir() / "morvane" / "templates" / "good.conf", "bg={{ background | strip }}\n");
  write_text(config_dir() / "morvane" / "templates" / "bad.conf", "ok\nfg={{ foregrond }}\n");
  write_text(home() / "bad.out", "mine\n");
  write_text(home() / "mine.conf", "my own file\n");
  manifest("[[template]]\nsource = \"bad.conf\"\ntarget = \"~/bad.out\"\n"
           "[[template]]\nsource = \"good.conf\"\ntarget = \"~/good.out\"\nreload = [\"reloader\", \"now\"]\n"
           "[[template]]\nsource = \"good.conf\"\ntarget = \"~/mine.conf\"\n");
  runner_.on("reloader", Outcome{.exit_code = 2, .err = "\ncannot reload: busy\n"});
  const auto line = activate("nord");
  ASSERT_TRUE(line.ok()) << line.error_text();
  EXPECT_NE(line.value().find(" · template bad.conf:2:4: unknown name 'foregrond' (did you mean foreground?)"),
            std::string::npos)
      << line.value();
  EXPECT_EQ(read_text(home() / "bad.out"), "mine\n");
  EXPECT_EQ(read_text(home() / "good.out"), "bg=2e3440\n");
  // A file tintwell did not write is kept once, beside it.
  EXPECT_EQ(read_text(home() / "mine.conf"), "bg=2e3440\n");
  EXPECT_EQ(read_text(home() / "mine.conf.before-tintwell"), "my own file\n");
  EXPECT_NE(line.value().find("kept your " + (home() / "mine.conf").string()), std::string::npos);
  EXPECT_NE(line.value().find("template good.conf: reload failed: cannot reload: busy"), std::string::npos) << line.value();
  EXPECT_EQ(runner_.count("reloader"), 1u);

  // Up to date: nothing written, nothing reloaded; the next theme needs no copy.
  const auto again = activate("nord");
  EXPECT_EQ(again.value().find("kept your"), std::string::npos);
  EXPECT_EQ(runner_.count("reloader"), 1u) << "an unchanged target is not reloaded";
  ASSERT_TRUE(activate("dracula").ok());
  EXPECT_EQ(read_text(home() / "mine.conf"), "bg=282a36\n");
  EXPECT_EQ(read_text(home() / "mine.conf.before-tintwell"), "my own file\n");
  EXPECT_EQ(runner_.count("reloader"), 2u);
}

TEST_F(Templates, AManifestThatCannotBeReadRendersNoneAndTheRestGoesOn) {
  manifest("[[template]]\nsource = \"builtin:tmux\"\nsorce = \"x\"\n");
  const auto line = activate("nord");
  ASSERT_TRUE(line.ok());
  EXPECT_NE(line.value().find("templates not rendered: " + (config_dir() / "morvane" / "templates.toml").string() +
                              ":3:1: unknown key 'sorce'"),
            std::string::npos)
      << line.value();
  EXPECT_FALSE(fs::exists(home() / ".config" / "tmux"));
  // A target that cannot be written (a directory there) is left out alone.
  manifest("[[template]]\nsource = \"builtin:tmux\"\ntarget = \"~/t\"\n[[template]]\nsource = \"builtin:zathura\"\n"
           "target = \"~/z\"\n");
  fs::create_directories(home() / "t");
  const auto second = activate("nord");
  EXPECT_NE(second.value().find("template " + (home() / "t").string() + ": not a regular file"), std::string::npos)
      << second.value();
  EXPECT_NE(read_text(home() / "z").find("set default-bg \"#2e3440\""), std::string::npos);
}

}  // namespace
