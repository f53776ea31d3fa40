// Loading the real 108 KB kitty themes index from the page cache.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "sys/process.hpp"

#include <filesystem>

#include <fmt/format.h>

#include "themes/kitty_index.hpp"

namespace {

void BM_LoadRealIndex(benchmark::State& state) {
  const std::filesystem::path data = std::filesystem::path(TINTWELL_DATA_DIR) / "kitty-themes";
  if (!std::filesystem::exists(data / "themes.json")) {
    state.SkipWithError("real kitty themes not found");
    return;
  }
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return;
  const auto cache = std::filesystem::path(dir) / "morvane" / "kitty-themes";
  std::filesystem::create_directories(cache);
  std::filesystem::copy_file(data / "themes.json", cache / "themes.json");  // fresh: no download
  sys::SystemProcessRunner runner;
  std::size_t count = 0;
  for (auto _ : state) {
    auto entries = themes::load_index({cache, runner});
    count = entries.size();
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(count);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadRealIndex)->Unit(benchmark::kMillisecond);

// Parsing grows linearly with the number of entries.
void BM_ParseLargeIndex(benchmark::State& state) {
  std::string text = "[";
  for (long i = 0; i < state.range(0); ++i)
    text += fmt::format("{}{{\"name\": \"Theme {}\", \"file\": \"themes/Theme_{}.conf\", \"is_dark\": true, "
                        "\"license\": \"MIT\"}}",
                        i ? "," : "", i, i);
  text += "]";
  for (auto _ : state) benchmark::DoNotOptimize(themes::parse_index(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseLargeIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
