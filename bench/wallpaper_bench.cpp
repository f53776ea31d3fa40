// Scanning one root of 20,000 files (half of them images), four directory
// levels deep, from the page cache.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "wallpaper/catalogue.hpp"

namespace {

void BM_ScanTwentyThousandFiles(benchmark::State& state) {
  namespace fs = std::filesystem;
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return;
  const fs::path root = dir;
  // Five directories on each of four levels; the 625 deepest ones hold 32
  // files each, half of them images.
  int files = 0;
  for (int a = 0; a < 5; ++a)
    for (int b = 0; b < 5; ++b)
      for (int c = 0; c < 5; ++c)
        for (int d = 0; d < 5; ++d) {
          const fs::path leaf = root / std::to_string(a) / std::to_string(b) / std::to_string(c) / std::to_string(d);
          fs::create_directories(leaf);
          for (int f = 0; f < 16; ++f) {
            std::ofstream(leaf / ("image-" + std::to_string(f) + ".png"));
            std::ofstream(leaf / ("notes-" + std::to_string(f) + ".txt"));
            files += 2;
          }
        }
  std::size_t found = 0;
  for (auto _ : state) {
    auto list = wallpaper::scan_wallpaper_roots({root});
    found = list.size();
    benchmark::DoNotOptimize(list);
  }
  state.counters["files"] = files;
  state.counters["images"] = static_cast<double>(found);
  fs::remove_all(root);
}
BENCHMARK(BM_ScanTwentyThousandFiles)->Unit(benchmark::kMillisecond);

}  // namespace
