// Templates: rendering 50 templates of 200 lines each, an activation whose
// 50 targets are already up to date (against the same activation without
// templates, BM_ActivateBuiltinTheme), and --check-templates over them as a
// whole process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "activation/activate.hpp"
#include "bench_support.hpp"
#include "templates/language.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// 200 lines, a placeholder or two on most of them, as a real template has.
std::string template_text(int k) {
  std::string text;
  for (int line = 0; line < 200; ++line) {
    switch (line % 4) {
      case 0: text += "# a comment line of the template " + std::to_string(k) + "\n"; break;
      case 1: text += "key-" + std::to_string(line) + " = {{ color" + std::to_string(line % 16) + " }}\n"; break;
      case 2: text += "other-" + std::to_string(line) + " = {{ background | mix(accent, 20) | rgba(0.9) }}\n"; break;
      default: text += "{% if dark %}dark = {{ foreground | strip }}{% else %}light{% endif %}\n"; break;
    }
  }
  return text;
}

using bench_support::InstantRunner;

// A home with 50 templates listed in templates.toml.
fs::path make_template_home() {
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return {};
  const fs::path home = dir;
  const fs::path app = home / ".config" / "morvane";
  fs::create_directories(app / "templates");
  std::ofstream manifest(app / "templates.toml");
  for (int k = 0; k < 50; ++k) {
    std::ofstream(app / "templates" / ("t" + std::to_string(k) + ".conf")) << template_text(k);
    manifest << "[[template]]\nsource = \"t" << k << ".conf\"\ntarget = \"~/out/t" << k << ".conf\"\n";
  }
  return home;
}

void BM_RenderFiftyTemplatesOf200Lines(benchmark::State& state) {
  templates::TemplateValues values;
  values.name = "nord";
  for (const auto name : templates::kColourNames) values.colours[std::string(name)] = themes::Colour{46, 52, 64};
  std::vector<std::string> texts;
  for (int k = 0; k < 50; ++k) texts.push_back(template_text(k));
  for (auto _ : state)
    for (const auto& text : texts) benchmark::DoNotOptimize(templates::render_template("t", text, values));
}
BENCHMARK(BM_RenderFiftyTemplatesOf200Lines)->Unit(benchmark::kMillisecond);

void BM_ActivateWithFiftyTemplatesUpToDate(benchmark::State& state) {
  const fs::path home = make_template_home();
  const themes::Environment env{.home = home.string(),
                                .xdg_config_home = (home / ".config").string(),
                                .xdg_cache_home = (home / ".cache").string(),
                                .xdg_runtime_dir = home.string(),
                                .uid = themes::Uid{4242}};
  const sys::SystemRoots empty{.proc = home / "proc", .pts = home / "pts", .run_user = home / "run"};
  for (const auto& made : {empty.proc, empty.pts, empty.run_user}) fs::create_directories(made);
  InstantRunner runner;
  const themes::Locations where = themes::locations(env, empty);
  if (!activation::activate_theme(env, where, runner, "nord")) state.SkipWithError("activation failed");
  for (auto _ : state) benchmark::DoNotOptimize(activation::activate_theme(env, where, runner, "nord"));
  fs::remove_all(home);
}
BENCHMARK(BM_ActivateWithFiftyTemplatesUpToDate)->Unit(benchmark::kMillisecond);

void BM_CheckTemplatesProcess(benchmark::State& state) {
  const fs::path home = make_template_home();
  std::string h = "HOME=" + home.string(), c = "XDG_CONFIG_HOME=" + (home / ".config").string(),
              k = "XDG_CACHE_HOME=" + (home / ".cache").string();
  char* envp[] = {h.data(), c.data(), k.data(), nullptr};
  char* argv[] = {const_cast<char*>(TINTWELL_BINARY), const_cast<char*>("--check-templates"), const_cast<char*>("nord"),
                  nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t pid;
    if (posix_spawn(&pid, TINTWELL_BINARY, &actions, nullptr, argv, envp) != 0) return state.SkipWithError("spawn");
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return state.SkipWithError("--check-templates failed");
  }
  posix_spawn_file_actions_destroy(&actions);
  fs::remove_all(home);
}
BENCHMARK(BM_CheckTemplatesProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
