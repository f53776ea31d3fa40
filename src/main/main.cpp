#include <errno.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "main/actions.hpp"
#include "main/command_line.hpp"
#include "main/environment.hpp"
#include "switcher/services.hpp"
#include "switcher/switcher.hpp"
#include "sys/os_error.hpp"
#include "wallpaper/backends.hpp"

namespace {

// What an action prints must reach its reader: a full disk or a closed
// output is reported (exit 1), never a silent success or an abort.
int printed(const std::string& out, const std::string& err, int status) {
  if (!out.empty()) std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const std::string line = fmt::format("tintwell: cannot write output: {}\n", sys::os_error_text(errno));
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
  }
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const themes::Environment env = cli::read_environment();
  // Where everything lives, worked out once for the whole run.
  const themes::Locations where = themes::locations(env, sys::machine_roots());
  sys::SystemProcessRunner runner;
  const cli::CommandLine line = cli::parse_command_line(args);
  switch (line.command) {
    case cli::Command::Apply:
      // The login hook is silent, even when it cannot know where to look.
      if (themes::check_locations(env)) wallpaper::reapply_saved_wallpaper(env, runner, sys::sleep_for, sys::steady_now);
      return 0;
    case cli::Command::Help:
      return printed(std::string(cli::kUsageText), "", 0);
    case cli::Command::Version:
      return printed(cli::version_text(), "", 0);
    case cli::Command::Switcher:
      break;
    default: {
      const cli::ActionOutcome outcome = cli::run_action(line, env, where, runner);
      return printed(outcome.out, outcome.err, outcome.status);
    }
  }
  if (auto located = themes::check_locations(env); !located) {
    fmt::print(stderr, "tintwell: {}\n", located.error_text());
    return 1;
  }
  try {
    switcher::SystemServices services(env, where, runner);
    if (auto outcome = switcher::run_switcher(services, where.themes_dir); !outcome) {
      fmt::print(stderr, "Error: {}\n", outcome.error_text());
      return 1;
    }
  } catch (const std::exception& e) {
    // The terminal was given back while the exception unwound the session.
    fmt::print(stderr, "Error: {}\n", e.what());
    return 1;
  }
  return 0;
}
