#include "switcher/switcher.hpp"

#include <deque>

#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"

namespace {

using namespace std::chrono_literals;
using sys::Key;
using sys::KeyCode;

/// A terminal that answers as scripted: each wait gives the next event (a
/// key, a resize, or nothing once its time has passed), and an empty script
/// quits. Everything written is kept.
class ScriptedTerminal final : public switcher::SwitcherTerminal {
 public:
  struct Step {
    std::optional<sys::TerminalEvent> event;
    std::function<void()> before{};  ///< runs when the step is reached
    std::chrono::milliseconds quiet{};  ///< without an event: how long nothing comes
  };
  std::deque<Step> script;
  sys::TerminalReplies replies;
  std::string written;
  std::string on_leave;
  std::chrono::steady_clock::time_point clock{};

  sys::Result<void> write(std::string_view bytes) override {
    written += bytes;
    return sys::success();
  }
  sys::Result<sys::TermSize> size() override { return sys::TermSize{100, 30}; }
  sys::Result<std::optional<sys::TerminalEvent>> wait_event(std::chrono::milliseconds limit) override {
    if (script.empty()) return std::optional<sys::TerminalEvent>{Key::character(U'q')};
    Step step = std::move(script.front());
    script.pop_front();
    if (step.before) step.before();
    if (!step.event) {
      clock += std::min(limit, step.quiet);  // nothing came within the limit
      if (step.quiet > limit) script.push_front({std::nullopt, {}, step.quiet - limit});
    }
    return step.event;
  }
  sys::Result<sys::TerminalReplies> ask(std::string_view, std::chrono::milliseconds) override { return replies; }
  void set_bookends(std::string_view, std::string_view leave) override { on_leave = leave; }
  /// Nothing for `wait` of scripted time.
  void idle(std::chrono::milliseconds wait) { script.push_back({std::nullopt, {}, wait}); }
  void key(Key k) { script.push_back({k}); }
};

themes::ThemeEntry theme(std::string name, std::uint8_t shade) {
  themes::ThemeEntry entry{.name = std::move(name)};
  for (int i = 0; i < 16; ++i) entry.colours.push_back({shade, 0, 0});
  entry.background = themes::Colour{shade, shade, shade};
  entry.foreground = themes::Colour{255, 255, 255};
  return entry;
}

class Switcher : public testing::Test {
 protected:
  Switcher() {
    services.themes = {theme("a", 16), theme("b", 32)};
    services.active = "a";
    terminal.replies.version = "kitty(0.26.5)";
  }
  void run() {
    ASSERT_TRUE(switcher::run_switcher_on(terminal, services, "/t", [this] { return terminal.clock; }).ok());
  }
  testing_support::FakeServices services;
  ScriptedTerminal terminal;
};

TEST_F(Switcher, InKittyTheWindowPreviewsTheRestingThemeAndIsGivenBack) {
  terminal.replies.colours = {{"11", "rgb:10/10/10"}};
  terminal.key(Key::character(U'j'));
  terminal.idle(250ms);
  terminal.script.push_back({sys::ResizeEvent{}});  // kitty gave the window its colours back
  run();
  EXPECT_TRUE(terminal.written.starts_with("\x1b]30001\x1b\\")) << "its colours kept on kitty's stack";
  const auto first = terminal.written.find("\x1b]11;#202020\x1b\\");
  ASSERT_NE(first, std::string::npos) << "b previewed once the highlight rested";
  EXPECT_NE(terminal.written.find("\x1b]11;#202020\x1b\\", first + 1), std::string::npos) << "sent again after a resize";
  EXPECT_EQ(terminal.on_leave, "\x1b]30101\x1b\\\x1b]11;#101010\x1b\\") << "popped, then what it said it showed";
}

TEST_F(Switcher, AThemeAppliedElsewhereIsWhatTheWindowEndsIn) {
  terminal.replies.colours = {{"11", "rgb:10/10/10"}};
  terminal.idle(80ms);
  terminal.script.push_back({std::nullopt, [&] {
                               services.active = "b";  // a key binding, while the Switcher is open
                               services.colours_of_active = "B";
                             }});
  run();
  EXPECT_EQ(terminal.on_leave, "\x1b]30101\x1b\\B");
}

TEST_F(Switcher, ElsewhereNothingIsWrittenForTheWindowAndPicturesWaitForARest) {
  terminal.replies.version = "XTerm(379)";
  services.wallpapers = {{"1.png", "/w/1.png"}, {"2.png", "/w/2.png"}};
  terminal.key(Key::named(KeyCode::Tab));
  terminal.key(Key::character(U'j'));
  terminal.key(Key::character(U'k'));
  terminal.idle(200ms);
  terminal.key(Key::character(U'j'));
  terminal.idle(200ms);
  run();
  EXPECT_EQ(terminal.written.find("\x1b]30001"), std::string::npos);
  EXPECT_EQ(terminal.written.find("\x1b]11;"), std::string::npos);
  EXPECT_TRUE(terminal.on_leave.empty());
  EXPECT_EQ(services.images, (std::vector<std::string>{"show /w/1.png", "clear", "show /w/2.png"}))
      << "no picture of a wallpaper passed over";
}

}  // namespace
