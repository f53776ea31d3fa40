// Typing into the filter with 4,000 themes: each key is handled and the
// whole screen drawn, as the Switcher does; the 95th percentile of a key
// is reported.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <fmt/format.h>

#include "switcher/draw.hpp"
#include "switcher/switcher_state.hpp"

namespace {

class NoServices final : public switcher::SwitcherServices {
 public:
  std::vector<themes::ThemeEntry> list_themes() override { return {}; }
  std::optional<std::string> active_theme_name() override { return {}; }
  std::vector<wallpaper::Wallpaper> list_wallpapers() override { return {}; }
  std::optional<std::filesystem::path> load_saved_wallpaper() override { return {}; }
  sys::Result<std::string> activate_theme(const std::string&) override { return sys::Error{""}; }
  sys::Result<std::string> apply_wallpaper(const wallpaper::Wallpaper&) override { return sys::Error{""}; }
  sys::Result<std::string> apply_wallpaper_with_theme(const wallpaper::Wallpaper&, wallpaper::Variant,
                                                      const wallpaper::PictureColours*) override {
    return sys::Error{""};
  }
  void show_image(const std::filesystem::path&, switcher::ImagePlacement) override {}
  void clear_image() override {}
  switcher::ColourFetch colour_fetch() override { return {}; }
  bool index_is_stale() override { return false; }
  std::function<bool()> index_refresh() override { return {}; }
};

void BM_FilterTypingFourThousandThemes(benchmark::State& state) {
  NoServices services;
  switcher::SwitcherState base;
  for (int i = 0; i < 4000; ++i) base.themes.push_back({.name = fmt::format("Theme Number {} of the Collection", i)});
  switcher::refilter(base);
  std::vector<double> keys;
  for (auto _ : state) {
    switcher::SwitcherState typing;
    typing.themes = base.themes;
    switcher::refilter(typing);
    switcher::handle_key(typing, sys::Key::character(U'/'), services);
    for (char32_t c : std::u32string_view(U"number 12")) {
      const auto start = std::chrono::steady_clock::now();
      switcher::handle_key(typing, sys::Key::character(c), services);
      benchmark::DoNotOptimize(switcher::draw_screen(typing, {120, 40}));
      keys.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
  }
  std::sort(keys.begin(), keys.end());
  state.counters["p95_ms"] = keys[keys.size() * 95 / 100];
}
BENCHMARK(BM_FilterTypingFourThousandThemes)->Unit(benchmark::kMillisecond);

}  // namespace
