// Activation's own work: a built-in theme whose profile exists, every
// external program answering at once (a runner that starts nothing).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "activation/activate.hpp"

namespace {

class InstantRunner final : public sys::ProcessRunner {
 public:
  sys::Result<std::optional<sys::Output>> run_for(const sys::Command& command, std::chrono::milliseconds) override {
    return std::optional<sys::Output>{
        sys::Output{sys::ExitStatus(0), command.program == "btop" ? "btop version: 1.4.0\n" : "1000\n", ""}};
  }
  sys::Result<void> start_detached(const sys::Command&) override { return sys::success(); }
};

void BM_ActivateBuiltinTheme(benchmark::State& state) {
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return;
  const std::filesystem::path home = dir;
  const themes::Environment env{.home = home.string(),
                                .xdg_config_home = (home / ".config").string(),
                                .xdg_cache_home = (home / ".cache").string(),
                                .xdg_runtime_dir = home.string(),
                                .uid = themes::Uid{4242}};
  InstantRunner runner;
  // Nothing running: the terminals of whoever runs the benchmark stay as they are.
  const sys::SystemRoots empty{.proc = home / "proc", .pts = home / "pts", .run_user = home / "run"};
  for (const auto& made : {empty.proc, empty.pts, empty.run_user}) std::filesystem::create_directories(made);
  const themes::Locations where = themes::locations(env, empty);
  if (!activation::activate_theme(env, where, runner, "nord")) state.SkipWithError("activation failed");
  for (auto _ : state) benchmark::DoNotOptimize(activation::activate_theme(env, where, runner, "nord"));
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_ActivateBuiltinTheme)->Unit(benchmark::kMillisecond);

}  // namespace
