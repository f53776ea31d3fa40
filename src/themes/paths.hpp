#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sys/result.hpp"
#include "sys/terminals.hpp"

namespace themes {

namespace fs = std::filesystem;

/// The name under which the program keeps its files: its directories in
/// the configuration and cache directories, btop's theme and Yazi's flavor.
inline constexpr std::string_view kAppName = "morvane";

/// A user id. It has no default: whoever builds an environment says whose
/// it is, so that no test runs as root, or as the person running the
/// suite, by leaving it out.
struct Uid {
  explicit constexpr Uid(unsigned id) : value(id) {}
  constexpr operator unsigned() const { return value; }
  unsigned value;
};

/// The process environment as the program uses it. It is read once, at
/// start-up, and passed down: nothing below the entry point reads a
/// variable itself.
struct Environment {
  /// These count as set only when present and valid UTF-8; as the XDG base
  /// directory rules say, an empty or relative value counts as unset where
  /// a location is made of it.
  std::optional<std::string> home{};
  std::optional<std::string> xdg_config_home{};
  std::optional<std::string> xdg_cache_home{};
  /// The others as their bytes, when present.
  std::optional<std::string> xdg_runtime_dir{};
  std::optional<std::string> yazi_config_home{};
  std::optional<std::string> hyprland_instance_signature{};
  std::optional<std::string> path{};
  std::optional<std::string> kitty_window_id{};
  std::optional<std::string> kitty_listen_on{};
  std::optional<std::string> tmux{};
  std::optional<std::string> term{};
  /// TINTWELL_SKIP: comma-separated parts of the desktop to leave alone.
  std::optional<std::string> skip{};
  /// The effective user id. Root never reaches into other processes'
  /// terminals.
  Uid uid;
};

/// Where everything the program reads and writes lives, computed once
/// from the environment (by `locations`) and passed down with it.
struct Locations {
  fs::path themes_dir;                  ///< the theme profiles, `current` and `.active`
  fs::path active_dir;                  ///< <themes>/.active
  /// The user configuration directory, as the parent of the parent of the
  /// themes directory (every application's files are reached from it);
  /// nothing when either parent is missing.
  std::optional<fs::path> config_root;
  std::optional<fs::path> yazi_dir;     ///< YAZI_CONFIG_HOME when absolute, else <config root>/yazi
  fs::path cache_dir;                   ///< the kitty themes index and theme files
  fs::path launcher_socket;             ///< the application launcher's kitty
  sys::SystemRoots system;              ///< where running programs and terminals are looked for
};

/// The locations of `env` on the system `roots`. The launcher's socket is
/// app-launcher-kitty.sock in XDG_RUNTIME_DIR when that is an absolute
/// path; else in <run_user>/<uid> when that is a directory of the user's;
/// else in /tmp.
Locations locations(const Environment& env, const sys::SystemRoots& roots);

/// Whether TINTWELL_SKIP names `part` ("terminals", "color-scheme");
/// unknown words are ignored.
bool skips(const Environment& env, std::string_view part);

/// Whether a setting holds an absolute path (an empty or relative one
/// counts as unset).
bool is_absolute_setting(const std::optional<std::string>& value);
/// HOME, when it is an absolute path.
std::optional<fs::path> usable_home(const Environment& env);
/// The home directory, or "." without one (the entry points refuse to
/// run without one, see `check_locations`).
fs::path home_dir(const Environment& env);
/// Fails with one line when there is no absolute place for the
/// configuration or the cache: HOME unusable and no absolute XDG value
/// standing in for it.
sys::Result<void> check_locations(const Environment& env);
/// XDG_CONFIG_HOME, else <home>/.config.
fs::path user_config_dir(const Environment& env);
/// <user configuration directory>/morvane: the themes and the saved wallpaper.
fs::path app_config_dir(const Environment& env);
/// <user configuration directory>/morvane/themes.
fs::path themes_dir(const Environment& env);
/// XDG_CACHE_HOME (else <home>/.cache) joined with morvane/kitty-themes.
fs::path index_cache_dir(const Environment& env);

/// The user configuration directory as the parent of the parent of the
/// themes directory; nothing when either parent is missing.
std::optional<fs::path> config_dir_from_themes_dir(const fs::path& themes);

}  // namespace themes
