// A theme from a 4K wallpaper: the colours worked out in the process, the
// whole `tintwell --palette` run with its peak memory, and ImageMagick's
// palette command (what the most used such tool runs) beside it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "bench_support.hpp"
#include "wallpaper/picture_palette.hpp"

namespace {

struct Run {
  double seconds = -1;
  long peak_kb = 0;
};

// Runs `argv` with its output thrown away; its time and peak memory.
Run run_process(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return Run{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss};
}

void measure(benchmark::State& state, const std::vector<std::string>& argv) {
  long peak = 0;
  for (auto _ : state) {
    const Run run = run_process(argv);
    if (run.seconds < 0) return state.SkipWithError("the command failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peak_kb);
  }
  state.counters["peak_kb"] = static_cast<double>(peak);
}

void colours_in_process(benchmark::State& state, const char* name) {
  const auto picture = bench_support::make_4k_picture(name);
  if (picture.empty()) return state.SkipWithError("ImageMagick's convert is needed to make the picture");
  for (auto _ : state) {
    auto colours = wallpaper::picture_colours(picture);
    if (!colours) return state.SkipWithError(colours.error_text().c_str());
    benchmark::DoNotOptimize(colours);
  }
}

void BM_PictureColours4kJpeg(benchmark::State& state) { colours_in_process(state, "plasma.jpg"); }
void BM_PictureColours4kPng(benchmark::State& state) { colours_in_process(state, "plasma.png"); }

void palette_process(benchmark::State& state, const char* name) {
  const auto picture = bench_support::make_4k_picture(name);
  if (picture.empty()) return state.SkipWithError("ImageMagick's convert is needed to make the picture");
  measure(state, {TINTWELL_BINARY, "--palette", picture.string()});
}

void BM_PaletteProcess4kJpeg(benchmark::State& state) { palette_process(state, "plasma.jpg"); }
void BM_PaletteProcess4kPng(benchmark::State& state) { palette_process(state, "plasma.png"); }

void BM_ImageMagickPalette4kJpeg(benchmark::State& state) {
  const auto picture = bench_support::make_4k_picture("plasma.jpg");
  if (picture.empty()) return state.SkipWithError("ImageMagick's convert is needed to make the picture");
  measure(state, {"convert", picture.string(), "-resize", "25%", "-colors", "16", "-unique-colors", "txt:-"});
}

BENCHMARK(BM_PictureColours4kJpeg)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PictureColours4kPng)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PaletteProcess4kJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PaletteProcess4kPng)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ImageMagickPalette4kJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
