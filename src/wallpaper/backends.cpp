#include "wallpaper/backends.hpp"

#include <errno.h>
#include <stdlib.h>

#include <chrono>

#include <fmt/format.h>

#include "sys/os_error.hpp"
#include "sys/process.hpp"
#include "sys/text.hpp"
#include "wallpaper/catalogue.hpp"

namespace wallpaper {
namespace {

struct Backend {
  const char* name;
  const char* program;
  std::vector<std::string> probe;
  std::vector<std::string> (*apply)(const std::string& image);
};

const Backend kBackends[] = {
    {"hyprpaper", "hyprctl", {"hyprpaper", "listactive"},
     [](const std::string& image) -> std::vector<std::string> {
       return {"hyprpaper", "wallpaper", fmt::format(", {}, cover", image)};
     }},
    {"awww", "awww", {"query"},
     [](const std::string& image) -> std::vector<std::string> {
       return {"img", image, "--transition-type", "fade"};
     }},
    {"swww", "swww", {"query"},
     [](const std::string& image) -> std::vector<std::string> {
       return {"img", image, "--transition-type", "fade"};
     }},
};

constexpr int kLoginAttempts = 20;
constexpr std::chrono::milliseconds kLoginPause{750};

sys::Result<sys::Output> run_captured(sys::ProcessRunner& runner, const std::string& program,
                                      const std::vector<std::string>& args) {
  // Nothing a daemon client prints may reach the terminal.
  return runner.run(sys::Command{.program = program, .args = args, .out = sys::Stdio::Capture, .err = sys::Stdio::Capture});
}

}  // namespace

bool command_succeeds(sys::ProcessRunner& runner, const std::string& program, const std::vector<std::string>& args) {
  auto output = run_captured(runner, program, args);
  return output && output.value().status.success();
}

sys::Result<void> run_wallpaper_command(sys::ProcessRunner& runner, const std::string& program,
                                        const std::vector<std::string>& args) {
  auto output = run_captured(runner, program, args);
  if (!output) return sys::Error{fmt::format("{}: {}", program, output.error_text())};
  if (output.value().status.success()) return sys::success();
  const std::string err = sys::lossy_utf8(output.value().err);
  for (std::string_view line : sys::split_lines(err))
    if (!sys::trim(line).empty()) return sys::Error{std::string(line)};
  return sys::Error{"wallpaper command failed"};
}

sys::Result<std::string> apply_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner,
                                         const Wallpaper& wallpaper) {
  char* resolved = ::realpath(wallpaper.path.c_str(), nullptr);
  if (!resolved)
    return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(wallpaper.path), sys::os_error_text(errno))};
  const std::string image = sys::lossy_utf8(resolved);
  ::free(resolved);

  const Backend* chosen = nullptr;
  for (const auto& backend : kBackends) {
    if (command_succeeds(runner, backend.program, backend.probe)) {
      chosen = &backend;
      break;
    }
  }
  if (!chosen) return sys::Error{"no running wallpaper backend (hyprpaper, awww, or swww)"};
  if (auto applied = run_wallpaper_command(runner, chosen->program, chosen->apply(image)); !applied)
    return applied.error();
  // The wallpaper is on the screen even when remembering it fails.
  if (auto saved = save_wallpaper_choice(env, image); !saved) return saved.error();
  return fmt::format("wallpaper applied with {}", chosen->name);
}

void reapply_saved_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner, const sys::SleepFn& sleep) {
  const auto saved = load_saved_wallpaper(env);
  if (!saved) return;
  const Wallpaper wallpaper{sys::lossy_utf8(saved->filename().native()), saved->native()};
  for (int attempt = 1; attempt <= kLoginAttempts; ++attempt) {
    if (apply_wallpaper(env, runner, wallpaper)) return;
    if (attempt < kLoginAttempts) sleep(kLoginPause);
  }
}

}  // namespace wallpaper
