#include "activation/activate.hpp"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "activation/kitty_overrides.hpp"
#include "activation/preflight.hpp"
#include "activation/profile.hpp"
#include "activation/recolour.hpp"
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

constexpr std::string_view kBaselines[] = {"kitty.conf", "hyprland.lua", "gtk.css", "waybar.css"};

// Hidden, so never listed as a theme.
constexpr std::string_view kLockName = ".activation.lock";
// Longer than an activation whose every program runs into its time limit.
constexpr std::chrono::seconds kLockWait{90};

bool exists_following_links(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The result, with an error's text put into `message`.
template <class T>
sys::Result<T> wrapped(sys::Result<T> result, std::string_view message) {
  if (result) return result;
  return sys::Error{fmt::format(fmt::runtime(message), result.error_text())};
}

}  // namespace

sys::Result<fs::path> ensure_baseline(const fs::path& active_dir, const fs::path& themes_dir, std::string_view name) {
  const fs::path target = active_dir / fmt::format("baseline-{}", name);
  if (exists_following_links(target)) return target;  // never rewritten
  auto text = sys::read_or_empty(themes_dir / "current" / name);
  if (!text) return text.error();
  if (auto written = sys::write_atomic(target, text.value()); !written) return written.error();
  return target;
}

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

sys::Result<std::optional<std::string>> apply_desktop(const themes::Environment& env, const themes::Locations& where,
                                                      sys::ProcessRunner& runner, std::string_view name,
                                                      const fs::path& profile_dir, std::string_view btop_text) {
  const fs::path& themes_dir = where.themes_dir;
  const auto& root = where.config_root;
  if (!root) return sys::Error{"missing configuration directory"};
  const fs::path& active = where.active_dir;
  if (auto made = sys::create_dir_all(active); !made) return made.error();
  fs::path baselines[std::size(kBaselines)];
  for (std::size_t i = 0; i < std::size(kBaselines); ++i) {
    auto baseline = ensure_baseline(active, themes_dir, kBaselines[i]);
    if (!baseline) return baseline.error();
    baselines[i] = std::move(baseline).value();
  }

  auto colours = write_kitty_files(profile_dir, active, baselines[0]);
  if (!colours) return colours.error();
  const auto palette = themes::parse_kitty_palette(colours.value());
  if (auto written = write_hyprland_file(profile_dir, active, baselines[1], palette.colours); !written)
    return written.error();

  auto gtk = write_active_stylesheet(profile_dir, active, "gtk.css");
  if (!gtk) return gtk.error();
  for (const char* gtk_dir : {"gtk-3.0", "gtk-4.0"})
    if (auto installed = install_managed_css(*root / gtk_dir / "gtk.css", gtk.value()); !installed)
      return installed.error();
  auto waybar = write_active_stylesheet(profile_dir, active, "waybar.css");
  if (!waybar) return waybar.error();
  // Waybar's stylesheet is only edited where the user has one.
  if (const fs::path style = *root / "waybar" / "style.css"; exists_following_links(style))
    if (auto installed = install_managed_css(style, waybar.value()); !installed) return installed.error();

  if (auto written = sys::write_atomic(active / "btop.theme", btop_text); !written) return written.error();
  if (auto applied = vscode::apply_vscode_theme(profile_dir, active, *root); !applied) return applied.error();
  if (auto written = sys::write_atomic(active / "theme-name", name); !written) return written.error();
  if (auto switched = switch_current_link(themes_dir); !switched) return switched.error();
  if (auto included = ensure_kitty_include(*root); !included) return included.error();

  const auto notes = recolour_running_programs(env, where, runner, colours.value(), where.system);
  if (notes.empty()) return std::optional<std::string>{};
  return std::optional<std::string>{fmt::format("{}", fmt::join(notes, " · "))};
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
  auto profile = prepare_profile(themes_dir, {where.cache_dir, runner}, name);
  if (!profile) return profile.error();
  // Both are prepared before anything is written, so that a profile they
  // cannot use leaves every application untouched.
  auto btop_text = wrapped(btop::prepare_btop_theme(profile.value()), "could not prepare btop theme: {}");
  if (!btop_text) return btop_text.error();
  auto yazi_theme = wrapped(yazi::prepare_yazi_theme(where, profile.value()), "could not prepare Yazi theme: {}");
  if (!yazi_theme) return yazi_theme.error();
  if (where.config_root) {
    const auto& yazi = yazi_theme.value();
    const ActivationFiles files{themes_dir, *where.config_root, profile.value(), yazi.config_dir,
                                yazi.merged_theme == yazi.original_theme && yazi.theme_exists};
    if (auto checked = wrapped(check_before_writing(files), "could not apply theme: {}"); !checked) return checked.error();
  }

  auto desktop = wrapped(apply_desktop(env, where, runner, name, profile.value(), btop_text.value()),
                         "could not apply theme: {}");
  if (!desktop) return desktop.error();
  std::string line = fmt::format("Activated theme: {}", name);
  const auto add_note = [&](const std::optional<std::string>& note) {
    if (note) line += fmt::format(" · {}", *note);
  };
  add_note(desktop.value());
  // Windows opened later read kitty.conf, where something may set colours
  // again after our include: say where, and change nothing of the user's.
  if (where.config_root) add_note(kitty_colour_override_note(env, *where.config_root));

  auto btop_note = wrapped(btop::apply_btop_theme(runner, where.config_root, btop_text.value()),
                           "desktop theme applied, but btop could not be updated: {}");
  if (!btop_note) return btop_note.error();
  add_note(btop_note.value());
  auto yazi_note = wrapped(yazi::apply_yazi_theme(runner, yazi_theme.value(), where.active_dir),
                           "desktop theme applied, but Yazi could not be updated: {}");
  if (!yazi_note) return yazi_note.error();
  add_note(yazi_note.value());

  std::vector<std::string_view> extensions;
  if (const auto* builtin = themes::find_builtin_theme(name)) extensions = builtin->extensions;
  if (const unsigned started = vscode::install_editor_extensions(runner, env.path, extensions); started > 0)
    line += fmt::format(" · installing {} VS Code extension(s)", started);
  return line;
}

}  // namespace activation
