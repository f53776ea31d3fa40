// The theme list with the whole cached collection, the built-ins and 50
// profiles, from the page cache.
#include <benchmark/benchmark.h>

#include "bench_support.hpp"
#include "themes/profile_store.hpp"

namespace {

void BM_ListThemes(benchmark::State& state) {
  const auto home = bench_support::make_theme_home();
  if (home.empty()) {
    state.SkipWithError("real kitty themes not found");
    return;
  }
  sys::SystemProcessRunner runner;
  const themes::IndexCache cache{home / ".cache" / "morvane" / "kitty-themes", runner};
  const auto themes_dir = home / ".config" / "morvane" / "themes";
  std::size_t count = 0;
  for (auto _ : state) {
    auto list = themes::list_themes(themes_dir, cache, themes::ListMode::Complete);
    count = list.size();
    benchmark::DoNotOptimize(list);
  }
  state.counters["entries"] = static_cast<double>(count);
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_ListThemes)->Unit(benchmark::kMillisecond);

}  // namespace
