// Time from starting the program to its first complete frame, on a
// pseudo-terminal of 100 x 30, with the lists the environment gives.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.hpp"

namespace {

// A frame ends with the hint line and a final attribute reset.
constexpr std::string_view kFrameEnd = "esc quit\x1b[0m";

// Returns seconds to the first frame, or a negative value on failure.
double time_to_first_frame(const std::string& home, std::string_view frame_end, const char* path = nullptr) {
  winsize size{};
  size.ws_col = 100;
  size.ws_row = 30;
  int master = -1;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) return -1;
  if (pid == 0) {
    bench_support::point_environment_at(home);
    setenv("TERM", "xterm-256color", 1);
    if (path) setenv("PATH", path, 1);
    execl(TINTWELL_BINARY, TINTWELL_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string seen;
  double elapsed = -1;
  for (;;) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 5000) <= 0) break;
    char buffer[65536];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
    if (seen.find(frame_end) != std::string::npos) {
      elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(master);
  return elapsed;
}

void BM_StartToFirstFrameEmptyLists(benchmark::State& state) {
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  for (auto _ : state) {
    const double seconds = time_to_first_frame(dir, kFrameEnd, "/nonexistent");
    if (seconds < 0) {
      state.SkipWithError("no frame arrived");
      break;
    }
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(dir);
}
void BM_StartToFirstFrameFullThemeList(benchmark::State& state) {
  const auto home = bench_support::make_theme_home();
  if (home.empty()) {
    state.SkipWithError("real kitty themes not found");
    return;
  }
  for (auto _ : state) {
    const double seconds = time_to_first_frame(home, kFrameEnd);
    if (seconds < 0) {
      state.SkipWithError("no frame arrived");
      break;
    }
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(home);
}
// The same list with the cached index eight days old and a curl that takes
// 5 s: the refresh runs in the background, so the first frame should not
// wait for it.
void BM_StartToFirstFrameStaleIndexSlowCurl(benchmark::State& state) {
  const auto home = bench_support::make_theme_home();
  if (home.empty()) {
    state.SkipWithError("real kitty themes not found");
    return;
  }
  const auto index = home / ".cache" / "morvane" / "kitty-themes" / "themes.json";
  std::filesystem::last_write_time(index, std::filesystem::last_write_time(index) - std::chrono::hours(24 * 8));
  const auto bin = home / "bin";
  std::filesystem::create_directories(bin);
  std::ofstream(bin / "curl") << "#!/bin/sh\nsleep 5\nexit 28\n";
  std::filesystem::permissions(bin / "curl", std::filesystem::perms::owner_all);
  for (auto _ : state) {
    const double seconds = time_to_first_frame(home, kFrameEnd, bin.c_str());
    if (seconds < 0) {
      state.SkipWithError("no frame arrived");
      break;
    }
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_StartToFirstFrameStaleIndexSlowCurl)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

BENCHMARK(BM_StartToFirstFrameFullThemeList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

BENCHMARK(BM_StartToFirstFrameEmptyLists)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
