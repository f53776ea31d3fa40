#include "switcher/live_preview.hpp"

#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kPop = "\x1b]30101\x1b\\";
constexpr std::string_view kPush = "\x1b]30001\x1b\\";

themes::ThemeEntry full_theme(std::string name, std::uint8_t shade) {
  themes::ThemeEntry entry{.name = std::move(name)};
  for (int i = 0; i < 16; ++i) entry.colours.push_back({shade, static_cast<std::uint8_t>(i), 0});
  entry.background = themes::Colour{shade, shade, shade};
  entry.foreground = themes::Colour{255, 255, 255};
  return entry;
}

TEST(LivePreview, TheWayOutGivesTheWindowWhatItShouldShow) {
  // Nothing previewed: kitty's stack alone. Previewed where only the
  // environment said kitty: the terminal's own resets, then what it said it had.
  EXPECT_EQ(switcher::window_colours_at_end({.possible = true, .start_colours = "S"}), std::string(kPop));
  std::string reset = "\x1b]104\x1b\\";
  for (int code = 110; code <= 119; ++code) reset += "\x1b]" + std::to_string(code) + "\x1b\\";
  EXPECT_EQ(switcher::window_colours_at_end({.possible = true, .sent = true, .start_colours = "S"}),
            std::string(kPop) + reset + "S");
}

TEST(LivePreview, RestingThenAnActivationThenAnotherSection) {
  testing_support::FakeServices services;
  services.themes = {full_theme("a", 10), full_theme("b", 20)};
  services.active = "a";
  switcher::TerminalFacts kitty{.kitty = true, .answered_as_kitty = true};
  auto state = switcher::initial_state(services, "/t", kitty);
  const auto t0 = Clock::now();
  EXPECT_EQ(switcher::step_live_preview(state, t0), "") << "the active theme is what the window shows";
  EXPECT_NE(switcher::step_live_preview(state, t0 + 200ms), "");
  EXPECT_EQ(state.preview.shown, "a");
  switcher::handle_key(state, sys::Key::character(U'j'), services);
  EXPECT_EQ(switcher::step_live_preview(state, t0 + 300ms), "") << "not before the highlight rests";
  const std::string b = switcher::step_live_preview(state, t0 + 500ms);
  EXPECT_NE(b.find("\x1b]11;#141414\x1b\\"), std::string::npos) << "b's background";
  EXPECT_EQ(switcher::window_colours_at_end(state.preview), std::string(kPop));

  services.activation = std::string("Activated theme: b");
  services.themes_after = services.themes;
  services.active_after = "b";
  services.colours_of_active = "B";
  switcher::handle_key(state, sys::Key::named(sys::KeyCode::Enter), services);
  EXPECT_EQ(switcher::window_colours_at_end(state.preview), std::string(kPop) + "B");
  EXPECT_NE(switcher::step_live_preview(state, t0 + 800ms), "") << "sent again: the activation wrote the window";
  switcher::handle_key(state, sys::Key::named(sys::KeyCode::Tab), services);
  EXPECT_EQ(switcher::step_live_preview(state, t0 + 900ms), std::string(kPop) + "B" + std::string(kPush));
}

TEST(LivePreview, NothingIsPreviewedBeforeTheUserMoves) {
  testing_support::FakeServices services;
  services.themes = {full_theme("a", 10), full_theme("b", 20)};  // none active: the highlight is on a
  auto state = switcher::initial_state(services, "/t", {.kitty = true});
  const auto t0 = Clock::now();
  EXPECT_EQ(switcher::step_live_preview(state, t0 + 1s), "") << "no flash of a theme at start";
  switcher::handle_key(state, sys::Key::character(U'j'), services);
  switcher::handle_key(state, sys::Key::character(U'k'), services);
  EXPECT_EQ(switcher::step_live_preview(state, t0 + 1s), "");
  EXPECT_NE(switcher::step_live_preview(state, t0 + 1500ms), "") << "a once the user has moved";
}

TEST(ScreenColours, DrawnForWhatTheWindowShows) {
  testing_support::FakeServices services;
  services.themes = {full_theme("a", 10), full_theme("b", 250)};
  services.active = "b";
  // A terminal that answered: its colours, whatever is active.
  switcher::TerminalFacts said{.colours = full_theme("x", 10).palette()};
  EXPECT_EQ(switcher::initial_state(services, "/t", said).colours, switcher::readable_colours(said.colours));
  // One that did not: the active theme where every terminal was given it, else the usual colours.
  services.takes_theme = true;
  EXPECT_EQ(switcher::initial_state(services, "/t").colours,
            switcher::readable_colours(full_theme("b", 250).palette()));
  services.takes_theme = false;
  EXPECT_EQ(switcher::initial_state(services, "/t").colours, switcher::ScreenColours{});
}

TEST(ThemeChangedElsewhere, NoticedWithinASecondAndSaid) {
  testing_support::FakeServices services;
  services.themes = {full_theme("a", 10), full_theme("b", 250)};
  services.active = "a";
  services.takes_theme = true;
  auto state = switcher::initial_state(services, "/t", {.kitty = true});
  const auto t0 = Clock::now();
  EXPECT_FALSE(switcher::notice_theme_changed_elsewhere(state, services, t0));
  services.active = "b";  // tintwell --theme b, from a key binding
  services.colours_of_active = "B";
  EXPECT_FALSE(switcher::notice_theme_changed_elsewhere(state, services, t0 + 999ms)) << "no faster than once a second";
  EXPECT_TRUE(switcher::notice_theme_changed_elsewhere(state, services, t0 + 1s));
  EXPECT_EQ(state.active_theme, "b");
  EXPECT_EQ(state.status->text, "theme changed elsewhere: b");
  EXPECT_FALSE(state.status->is_error);
  EXPECT_EQ(state.colours, switcher::readable_colours(full_theme("b", 250).palette()));
  EXPECT_EQ(switcher::window_colours_at_end(state.preview), std::string(kPop) + "B");
  EXPECT_FALSE(switcher::notice_theme_changed_elsewhere(state, services, t0 + 3s));
}

TEST(LivePreview, WhatTheTerminalSaidAboutItself) {
  sys::TerminalReplies replies{.colours = {{"4;0", "rgb:0000/0000/0000"}, {"4;1", "rgb:ffff/0000/0000"},
                                           {"4;3", "rgb:ffff/ffff/0000"}, {"11", "rgb:1e1e/1e1e/2e2e"}},
                               .version = "kitty(0.26.5)"};
  auto facts = switcher::terminal_facts(replies, false);
  EXPECT_TRUE(facts.kitty && facts.answered_as_kitty);
  EXPECT_EQ(facts.colours.colours.size(), 2u) << "colours count from 0 on, up to a gap";
  EXPECT_EQ(facts.colours.background, (themes::Colour{30, 30, 46}));
  replies.version = "XTerm(379)";
  EXPECT_TRUE(switcher::terminal_facts(replies, true).kitty && !switcher::terminal_facts(replies, false).kitty);
}

}  // namespace
