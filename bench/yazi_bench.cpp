// Merging a flavor into the largest real theme.toml (about 50 KB),
// syntax check included.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "themes/builtin_themes.hpp"
#include "yazi/yazi.hpp"

namespace {

void BM_MergeLargestRealTheme(benchmark::State& state) {
  std::filesystem::path largest;
  std::uintmax_t size = 0;
  const auto dir = std::filesystem::path(TINTWELL_DATA_DIR) / "real-configs" / "yazi";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.file_size() > size) {
      size = entry.file_size();
      largest = entry.path();
    }
  }
  if (largest.empty()) {
    state.SkipWithError("real Yazi themes not found");
    return;
  }
  std::ifstream in(largest, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string theme = text.str();
  const std::string flavor = yazi::yazi_flavor_text(themes::find_builtin_theme("catppuccin-mocha")->definition());
  for (auto _ : state) {
    auto merged = yazi::merge_theme_toml(theme, flavor);
    if (!merged.ok()) state.SkipWithError(merged.error_text().c_str());
    benchmark::DoNotOptimize(merged);
  }
  state.counters["bytes"] = static_cast<double>(theme.size());
}
BENCHMARK(BM_MergeLargestRealTheme)->Unit(benchmark::kMillisecond);

}  // namespace
