#pragma once

// The regression group's fixture: each test guards a fault that was mended
// once. A cut of the suite by what its tests catch never removes one.

#include <chrono>

#include "test_support.hpp"
#include "wallpaper/backends.hpp"
#include "wallpaper/catalogue.hpp"

class Regression : public testing_support::SandboxTest {
 protected:
  void save_a_wallpaper() {
    testing_support::write_text(dir_ / "w" / "a.png", testing_support::kPngStart);
    EXPECT_TRUE(wallpaper::save_wallpaper_choice(env_, (dir_ / "w" / "a.png").string()).ok());
  }
  // The login hook on a clock of the test's own: each waited command costs
  // its whole limit (a program that hangs), each pause its length.
  void reapply() {
    const auto start = std::chrono::steady_clock::time_point{};
    const sys::ClockFn now = [&] { return start + slept + runner_.hung_for; };
    wallpaper::reapply_saved_wallpaper(env_, runner_, [&](std::chrono::milliseconds pause) {
      ++pauses;
      slept += pause;
    }, now);
    elapsed = now() - start;
  }
  std::chrono::milliseconds slept{0};
  int pauses = 0;
  std::chrono::steady_clock::duration elapsed{};
};
