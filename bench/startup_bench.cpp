// Time from starting the program to a complete frame on a pseudo-terminal
// of 100 x 30, and the program's peak memory by then, for homes of
// various sizes.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.hpp"

namespace {

namespace fs = std::filesystem;

// A frame ends with the hint line and a final attribute reset.
constexpr std::string_view kFrameEnd = "\x1b[0m";
constexpr std::string_view kHintEnds[] = {"esc quit", "dark/light"};

// Where the next whole frame after `from` ends, or npos.
std::size_t frame_end(const std::string& seen, std::size_t from) {
  for (std::size_t at = seen.find(kFrameEnd, from); at != std::string::npos; at = seen.find(kFrameEnd, at + 1))
    for (const auto hint : kHintEnds)
      if (at >= hint.size() && seen.compare(at - hint.size(), hint.size(), hint) == 0) return at;
  return std::string::npos;
}

struct Run {
  double seconds = -1;  ///< to the frame looked for; negative on failure
  long peak_kb = 0;     ///< the program's peak resident memory
};

// Starts the Switcher in `home`; after the first frame sends `keys` (if
// any) and waits for the frame they bring; with `then`, the time is from
// that frame to where `then` shows.
Run run_switcher(const fs::path& home, const char* path = nullptr, std::string_view keys = {},
                 std::string_view then = {}) {
  winsize size{};
  size.ws_col = 100;
  size.ws_row = 30;
  int master = -1;
  auto start = std::chrono::steady_clock::now();
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) return {};
  if (pid == 0) {
    bench_support::point_environment_at(home);
    setenv("TERM", "xterm-256color", 1);
    if (path) setenv("PATH", path, 1);
    execl(TINTWELL_BINARY, TINTWELL_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  Run run;
  std::string seen;
  int frames_wanted = keys.empty() ? 1 : 2;
  std::size_t searched = 0;
  bool answered = false;
  for (;;) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 5000) <= 0) break;
    char buffer[65536];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
    // A terminal answers the device attributes question at once (and here
    // none of the others, as xterm with its colour queries switched off).
    if (!answered && seen.find("\x1b[c") != std::string::npos) {
      answered = write(master, "\x1b[?62;c", 7) == 7;
    }
    if (frames_wanted == 0) {
      if (seen.find(then, searched) == std::string::npos) continue;
      run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
    const auto end = frame_end(seen, searched);
    if (end == std::string::npos) continue;
    searched = end + kFrameEnd.size();
    if (--frames_wanted == 0) {
      if (!then.empty()) {
        start = std::chrono::steady_clock::now();
        continue;
      }
      run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
    if (write(master, keys.data(), keys.size()) < 0) break;
  }
  kill(pid, SIGKILL);
  int status;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  close(master);
  run.peak_kb = usage.ru_maxrss;
  return run;
}

void measure(benchmark::State& state, const fs::path& home, const char* path = nullptr, std::string_view keys = {},
             std::string_view then = {}) {
  long peak = 0;
  for (auto _ : state) {
    const Run run = run_switcher(home, path, keys, then);
    if (run.seconds < 0) {
      state.SkipWithError("no frame arrived");
      break;
    }
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peak_kb);
  }
  state.counters["peak_kb"] = static_cast<double>(peak);
  fs::remove_all(home);
}

void BM_FirstFrameEmptyLists(benchmark::State& state) {
  measure(state, bench_support::make_empty_home(), "/nonexistent");
}

void BM_FirstFrameRealCollection(benchmark::State& state) {
  const auto home = bench_support::make_theme_home();
  if (home.empty()) return state.SkipWithError("real kitty themes not found");
  measure(state, home);
}

// The same, with the cached index eight days old and a curl that takes
// 5 s: the refresh runs in the background, so the first frame must not
// wait for it.
void BM_FirstFrameStaleIndexSlowCurl(benchmark::State& state) {
  const auto home = bench_support::make_theme_home();
  if (home.empty()) return state.SkipWithError("real kitty themes not found");
  const auto index = home / ".cache" / "morvane" / "kitty-themes" / "themes.json";
  fs::last_write_time(index, fs::last_write_time(index) - std::chrono::hours(24 * 8));
  fs::create_directories(home / "bin");
  std::ofstream(home / "bin" / "curl") << "#!/bin/sh\nsleep 5\nexit 28\n";
  fs::permissions(home / "bin" / "curl", fs::perms::owner_all);
  measure(state, home, (home / "bin").c_str());
}

void BM_FirstFrameIndexThemes(benchmark::State& state) {
  measure(state, bench_support::make_synthetic_home(static_cast<int>(state.range(0)), 0));
}

void BM_FirstFrameProfiles(benchmark::State& state) {
  measure(state, bench_support::make_synthetic_home(0, static_cast<int>(state.range(0))));
}

// Wallpapers are scanned when their section is first shown: the first
// frame, then the one after Tab.
void BM_FirstFrameWallpapers(benchmark::State& state) {
  measure(state, bench_support::make_wallpaper_home(static_cast<int>(state.range(0))), "/nonexistent");
}
void BM_WallpapersFrameAfterTab(benchmark::State& state) {
  measure(state, bench_support::make_wallpaper_home(static_cast<int>(state.range(0))), "/nonexistent", "\t");
}

// The theme a 4K JPEG wallpaper gives, under its picture: from the frame
// after Tab (where the highlight comes to rest) to the swatches, the
// 200 ms rest included.
void BM_PictureSwatchesAfterTheRest(benchmark::State& state) {
  const auto picture = bench_support::make_4k_picture("plasma.jpg");
  if (picture.empty()) return state.SkipWithError("ImageMagick's convert is needed to make the picture");
  const fs::path home = bench_support::make_empty_home();
  fs::create_directories(home / "Pictures" / "Wallpapers");
  fs::copy_file(picture, home / "Pictures" / "Wallpapers" / "plasma.jpg");
  measure(state, home, "/nonexistent", "\t", "wallpaper-plasma-");
}

#define STARTUP(name) BENCHMARK(name)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20)
STARTUP(BM_FirstFrameEmptyLists);
STARTUP(BM_FirstFrameRealCollection);
STARTUP(BM_FirstFrameStaleIndexSlowCurl);
STARTUP(BM_FirstFrameIndexThemes)->Arg(4000);
STARTUP(BM_FirstFrameProfiles)->Arg(4000);
STARTUP(BM_FirstFrameWallpapers)->Arg(20000);
STARTUP(BM_WallpapersFrameAfterTab)->Arg(20000);
STARTUP(BM_PictureSwatchesAfterTheRest);

}  // namespace
