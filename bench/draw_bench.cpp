// One full frame at a large terminal size with a long theme list.
#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include "switcher/draw.hpp"

namespace {

switcher::SwitcherState big_state() {
  switcher::SwitcherState state;
  for (int i = 0; i < 1000; ++i) {
    themes::ThemeEntry entry;
    entry.name = fmt::format("theme-number-{:04}-with-a-longish-name", i);
    for (int c = 0; c < 16; ++c)
      entry.colours.push_back({static_cast<std::uint8_t>(c * 16), static_cast<std::uint8_t>(i % 256), 80});
    entry.background = themes::Colour{30, 30, 46};
    entry.foreground = themes::Colour{205, 214, 244};
    state.themes.push_back(entry);
  }
  switcher::refilter(state);
  state.selected = 500;
  state.active_theme = state.themes[500].name;
  state.status = switcher::StatusLine{"Activated theme: theme-number-0500", false};
  return state;
}

void BM_DrawScreen240x70(benchmark::State& bench) {
  const auto state = big_state();
  for (auto _ : bench) {
    auto frame = switcher::draw_screen(state, {240, 70});
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_DrawScreen240x70)->Unit(benchmark::kMicrosecond);

}  // namespace
