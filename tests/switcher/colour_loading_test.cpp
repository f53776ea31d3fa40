#include "switcher/colour_loading.hpp"

#include <atomic>

#include <gtest/gtest.h>

#include "switcher/switcher_state.hpp"

namespace {

using namespace std::chrono_literals;
using switcher::SwitcherState;
using Clock = std::chrono::steady_clock;

const themes::Palette kPalette{{{1, 2, 3}}, themes::Colour{9, 9, 9}, themes::Colour{200, 200, 200}};

/// A fetch that counts its calls and answers from a table.
struct ScriptedFetch {
  std::map<std::string, std::optional<themes::Palette>> answers;
  std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

  switcher::ColourFetch fetch() {
    return [answers = answers, calls = calls](const std::string& file) {
      ++*calls;
      const auto it = answers.find(file);
      return it == answers.end() ? std::nullopt : it->second;
    };
  }
};

SwitcherState index_themes() {
  SwitcherState state;
  state.themes = {{.name = "A", .index_file = "a.conf"},
                  {.name = "B", .index_file = "b.conf"},
                  {.name = "C", .background = themes::Colour{}, .index_file = "c.conf"},
                  {.name = "D"}};
  switcher::refilter(state);
  return state;
}

// Waits for the awaited worker to end (the worker is a real thread).
void await_worker(SwitcherState& state) { state.reply_channel->wait(); }

TEST(ColourLoading, DwellThenOneWorker) {
  auto state = index_themes();
  ScriptedFetch script{.answers = {{"a.conf", kPalette}}};
  const auto fetch = script.fetch();
  const auto t0 = Clock::now();
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0).ok());
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0 + 199ms).ok());
  EXPECT_FALSE(state.reply_channel.has_value());
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0 + 200ms).ok());
  ASSERT_TRUE(state.reply_channel.has_value());
  await_worker(state);
  EXPECT_EQ(*script.calls, 1);
  EXPECT_TRUE(poll_colour_reply(state, t0 + 240ms));
  EXPECT_FALSE(state.reply_channel.has_value());
  // Both lists carry the colours, so a change of the filter keeps them.
  EXPECT_EQ(state.visible_entry(0).background, kPalette.background);
  EXPECT_EQ(state.themes[0].colours, kPalette.colours);
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0 + 1s).ok());
  EXPECT_FALSE(state.pending_fetch.has_value());  // nothing wanted any more
  EXPECT_FALSE(poll_colour_reply(state, t0 + 1s));
}

TEST(ColourLoading, AWorkerThatEndsWithoutAReplyIsRetriedFiveSecondsLater) {
  auto state = index_themes();
  ScriptedFetch script{.answers = {{"a.conf", kPalette}}};
  const auto fetch = script.fetch();
  const auto t0 = Clock::now();
  {
    std::promise<switcher::ColourReply> broken;
    state.reply_channel = broken.get_future();
    state.awaited_file = "a.conf";
  }  // the sending end goes without a reply
  state.pending_fetch = "a.conf";
  state.pending_since = t0;
  EXPECT_FALSE(poll_colour_reply(state, t0 + 1s));
  EXPECT_FALSE(state.reply_channel.has_value());
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0 + 5999ms).ok());
  EXPECT_FALSE(state.reply_channel.has_value());
  ASSERT_TRUE(schedule_colour_fetch(state, fetch, t0 + 6s).ok());
  ASSERT_TRUE(state.reply_channel.has_value());
  await_worker(state);
  EXPECT_TRUE(poll_colour_reply(state, t0 + 6s));
}

}  // namespace
