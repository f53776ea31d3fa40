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
                                .xdg_runtime_dir = home.string()};
  InstantRunner runner;
  const themes::Locations where = themes::locations(env);
  if (!activation::activate_theme(env, where, runner, "nord")) state.SkipWithError("activation failed");
  for (auto _ : state) benchmark::DoNotOptimize(activation::activate_theme(env, where, runner, "nord"));
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_ActivateBuiltinTheme)->Unit(benchmark::kMillisecond);

}  // namespace
