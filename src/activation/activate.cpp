#include "activation/activate.hpp"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "activation/kitty_overrides.hpp"
#include "activation/plan.hpp"
#include "activation/profile.hpp"
#include "activation/recolour.hpp"
#include "activation/templates.hpp"
#include "activation/terminal_configs.hpp"
#include "btop/btop.hpp"
#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/palette.hpp"
#include "themes/profile_store.hpp"
#include "vscode/vscode.hpp"
#include "yazi/yazi.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

// Hidden, so never listed as a theme.
constexpr std::string_view kLockName = ".activation.lock";
// Longer than an activation whose every program runs into its time limit.
constexpr std::chrono::seconds kLockWait{90};

// The result, with an error's text put into `message`.
template <class T>
sys::Result<T> wrapped(sys::Result<T> result, std::string_view message) {
  if (result) return result;
  return sys::Error{fmt::format(fmt::runtime(message), result.error_text())};
}

}  // namespace

sys::Result<void> switch_current_link(const fs::path& themes_dir) {
  const fs::path temp = themes_dir / fmt::format(".current-{}", ::getpid());
  ::unlink(temp.c_str());  // a leftover of an earlier run of this process id
  if (::symlink(".active", temp.c_str()) != 0) return sys::os_error(errno);
  if (::rename(temp.c_str(), (themes_dir / "current").c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return sys::os_error(err);
  }
  return sys::success();
}

sys::Result<std::string> activate_theme(const themes::Environment& env, const themes::Locations& where,
                                        sys::ProcessRunner& runner, const std::string& name) {
  const fs::path& themes_dir = where.themes_dir;
  if (!themes::is_valid_theme_name(name)) return sys::Error{"invalid theme name"};
  // One activation at a time, across processes (a key held down, a timer
  // and the Switcher): otherwise two could leave a mix of both themes.
  if (auto made = sys::create_dir_all(themes_dir); !made) return made.error();
  auto lock = sys::lock_file(themes_dir / kLockName, kLockWait, sys::sleep_for);
  if (!lock) return lock.error();
  auto profile_dir = prepare_profile(themes_dir, {where.cache_dir, runner}, name);
  if (!profile_dir) return profile_dir.error();
  auto profile = wrapped(read_profile(profile_dir.value(), name), "could not apply theme: {}");
  if (!profile) return profile.error();
  // Everything is worked out and checked before anything is written, so
  // that a profile or a file that cannot be used leaves every application
  // untouched.
  auto btop_text = wrapped(btop::btop_theme_of(profile.value()["kitty.conf"], profile.value()["btop.theme"]),
                           "could not prepare btop theme: {}");
  if (!btop_text) return btop_text.error();
  auto yazi_theme = wrapped(yazi::prepare_yazi_theme_from(where, profile.value()["kitty.conf"]),
                            "could not prepare Yazi theme: {}");
  if (!yazi_theme) return yazi_theme.error();
  auto plan = wrapped(plan_activation(where, name, profile.value(), btop_text.value(), yazi_theme.value()),
                      "could not apply theme: {}");
  if (!plan) return plan.error();
  // New foot and alacritty windows read their configuration: it includes
  // the theme as kitty's does.
  auto terminal_configs =
      wrapped(plan_terminal_configs(where, find_terminal_apps(env, where, runner), plan.value().colour_text),
              "could not apply theme: {}");
  if (!terminal_configs) return terminal_configs.error();
  for (auto& write : terminal_configs.value().active) plan.value().active.push_back(std::move(write));
  for (auto& write : terminal_configs.value().user) plan.value().desktop.push_back(std::move(write));
  if (auto checked = wrapped(check_plan(plan.value(), where), "could not apply theme: {}"); !checked)
    return checked.error();
  // The user's templates, rendered before anything is written; one that
  // cannot be used is left out with a note and the rest go on.
  auto templates = plan_templates(env, where, name, profile.value());

  const auto desktop = [&]() -> sys::Result<void> {
    if (auto written = sys::apply_writes(plan.value().active); !written) return written;
    if (auto switched = switch_current_link(themes_dir); !switched) return switched;
    return sys::apply_writes(plan.value().desktop);
  }();
  if (auto failed = wrapped(desktop, "could not apply theme: {}"); !failed) return failed.error();
  std::string line = fmt::format("Activated theme: {}", name);
  const auto add_note = [&](const std::optional<std::string>& note) {
    if (note) line += fmt::format(" · {}", *note);
  };
  for (const auto& note : templates.notes) add_note(note);
  for (const auto& write : templates.writes)
    if (auto written = sys::apply_write(write); !written) add_note(fmt::format("template {}", written.error_text()));
  for (const auto& note :
       recolour_running_programs(env, where, runner, plan.value().colour_text, where.system, templates.reloads))
    add_note(note);
  // Windows opened later read kitty.conf, where something may set colours
  // again after our include: say where, and change nothing of the user's.
  add_note(kitty_colour_override_note(env, *where.config_root));
  for (const auto& note : terminal_configs.value().notes) add_note(note);

  if (auto written = wrapped(sys::apply_writes(plan.value().btop), "desktop theme applied, but btop could not be updated: {}");
      !written)
    return written.error();
  add_note(btop::notify_btop(runner));
  if (auto written = wrapped(sys::apply_writes(plan.value().yazi), "desktop theme applied, but Yazi could not be updated: {}");
      !written)
    return written.error();
  add_note(yazi::notify_yazi(runner));

  std::vector<std::string_view> extensions;
  if (const auto* builtin = themes::find_builtin_theme(name)) extensions = builtin->extensions;
  if (const unsigned started = vscode::install_editor_extensions(runner, env.path, extensions); started > 0)
    line += fmt::format(" · installing {} VS Code extension(s)", started);
  return line;
}

}  // namespace activation
