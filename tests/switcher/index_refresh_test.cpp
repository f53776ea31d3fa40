#include "switcher/index_refresh.hpp"

#include <atomic>
#include <future>

#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"

namespace {

using switcher::SwitcherState;
using testing_support::FakeServices;
using testing_support::named_themes;
using testing_support::visible_names;


struct Refresh : testing::Test {
  SwitcherState start() { return switcher::initial_state(services, "/t"); }
  // Runs the refresh the way the loop does, the worker awaited in between.
  bool refresh(SwitcherState& state) {
    EXPECT_TRUE(schedule_index_refresh(state, services).ok());
    if (state.index_channel) state.index_channel->wait();
    return poll_index_refresh(state, services);
  }
  FakeServices services;
  std::shared_ptr<std::atomic<int>> runs = std::make_shared<std::atomic<int>>(0);
};

TEST_F(Refresh, OnlyWhenStaleAndOnlyOnce) {
  services.refresh = [runs = runs] { return ++*runs, false; };
  auto fresh = start();
  EXPECT_FALSE(refresh(fresh));
  EXPECT_EQ(*runs, 0);
  services.stale = true;
  auto stale = start();
  EXPECT_FALSE(refresh(stale));  // failed: nothing changes
  EXPECT_FALSE(refresh(stale));  // and no second attempt in this run
  EXPECT_EQ(*runs, 1);
  {
    std::promise<bool> dropped;  // a worker that ended without an answer
    stale.index_channel = dropped.get_future();
  }
  EXPECT_FALSE(switcher::poll_index_refresh(stale, services));
  // With no copy of the index either, the user is told why the list is short.
  services.cached = false;
  services.themes = named_themes({"a", "b"});
  auto offline = start();
  EXPECT_TRUE(refresh(offline));
  EXPECT_EQ(offline.status->text, "kitty themes index unavailable: 2 local themes shown (network or curl)");
}

TEST_F(Refresh, TheNewListKeepsTheHighlightAndTheFilter) {
  services.stale = true;
  services.refresh = [] { return true; };
  services.themes = named_themes({"a", "bx", "cx", "dx"});
  auto state = start();
  state.filter = "x";
  switcher::refilter(state);
  state.selected = 1;  // cx
  services.themes = named_themes({"a", "ax", "bx", "cx", "dx", "ex"});
  EXPECT_TRUE(refresh(state));
  EXPECT_EQ(visible_names(state), (std::vector<std::string>{"ax", "bx", "cx", "dx", "ex"}));
  EXPECT_EQ(state.visible_entry(state.selected).name, "cx");
  EXPECT_EQ(state.themes.size(), 6u);
  EXPECT_EQ(state.filter, "x");

  // A theme that is gone leaves the highlight on the same row.
  services.themes = named_themes({"ax", "bx", "dx", "ex"});
  switcher::replace_themes(state, services.themes);
  EXPECT_EQ(state.selected, 2u);
  EXPECT_EQ(state.visible_entry(state.selected).name, "dx");
}

}  // namespace
