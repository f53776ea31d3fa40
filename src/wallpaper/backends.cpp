#include "wallpaper/backends.hpp"

#include <errno.h>
#include <stdlib.h>

#include <chrono>

#include <fmt/format.h>

#include "sys/os_error.hpp"
#include "sys/process.hpp"
#include "sys/text.hpp"
#include "wallpaper/catalogue.hpp"
#include "wallpaper/picture.hpp"

namespace wallpaper {
namespace {

namespace fs = std::filesystem;

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
// The login hook gives up on starting attempts after this, so that it ends
// within a minute even if every program hangs (the last attempt may still
// take its probes' and its apply's limits).
constexpr std::chrono::seconds kLoginBudget{40};

// A running daemon answers a query at once; a client that hangs (its
// daemon busy, or a compositor not yet up) counts as not running.
constexpr std::chrono::seconds kProbeLimit{2};
// Loading a large image may take the daemon a moment.
constexpr std::chrono::seconds kApplyLimit{10};

sys::Result<std::optional<sys::Output>> run_captured(sys::ProcessRunner& runner, const std::string& program,
                                                     const std::vector<std::string>& args,
                                                     std::chrono::seconds limit) {
  // Nothing a daemon client prints may reach the terminal.
  return runner.run_for(
      sys::Command{.program = program, .args = args, .out = sys::Stdio::Capture, .err = sys::Stdio::Capture}, limit);
}

}  // namespace

bool command_succeeds(sys::ProcessRunner& runner, const std::string& program, const std::vector<std::string>& args) {
  auto output = run_captured(runner, program, args, kProbeLimit);
  return output && output.value() && output.value()->status.success();
}

sys::Result<void> run_wallpaper_command(sys::ProcessRunner& runner, const std::string& program,
                                        const std::vector<std::string>& args) {
  auto output = run_captured(runner, program, args, kApplyLimit);
  if (!output) return sys::Error{fmt::format("{}: {}", program, output.error_text())};
  if (!output.value()) return sys::Error{fmt::format("{} did not finish within {} s", program, kApplyLimit.count())};
  if (output.value()->status.success()) return sys::success();
  const std::string err = sys::lossy_utf8(output.value()->err);
  for (std::string_view line : sys::split_lines(err))
    if (!sys::trim(line).empty()) return sys::Error{std::string(line)};
  return sys::Error{"wallpaper command failed"};
}

sys::Result<std::string> apply_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner,
                                         const Wallpaper& wallpaper) {
  char* resolved = ::realpath(wallpaper.path.c_str(), nullptr);
  if (!resolved)
    return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(wallpaper.path), sys::os_error_text(errno))};
  // The path as the bytes it is: a name that is not UTF-8 must still name
  // the file, for the daemon and in the saved choice.
  const std::string image = resolved;
  ::free(resolved);
  // A daemon shown a text file says nothing, or fails later at login: what
  // is not a picture is refused before any program runs or anything is saved.
  if (auto picture = check_picture(image, fs::path(wallpaper.path).filename().native()); !picture)
    return picture.error();

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

void reapply_saved_wallpaper(const themes::Environment& env, sys::ProcessRunner& runner, const sys::SleepFn& sleep,
                             const sys::ClockFn& now) {
  const auto saved = load_saved_wallpaper(env);
  if (!saved) return;
  const Wallpaper wallpaper{sys::lossy_utf8(saved->filename().native()), saved->native()};
  const auto give_up = now() + kLoginBudget;
  for (int attempt = 1; attempt <= kLoginAttempts; ++attempt) {
    if (apply_wallpaper(env, runner, wallpaper)) return;
    if (attempt == kLoginAttempts) return;
    sleep(kLoginPause);
    if (now() >= give_up) return;
  }
}

}  // namespace wallpaper
