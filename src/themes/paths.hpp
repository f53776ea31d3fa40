#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace themes {

namespace fs = std::filesystem;

/// The environment variables that decide where files live. A variable
/// counts as set only when it is present and valid UTF-8; a set value is
/// used as it is, even when empty or relative.
struct Environment {
  std::optional<std::string> home{};
  std::optional<std::string> xdg_config_home{};
  std::optional<std::string> xdg_cache_home{};

  /// Reads the process environment now.
  static Environment current();
};

/// The value of an environment variable, when set and valid UTF-8.
std::optional<std::string> env_var(const char* name);

/// HOME, or "." when unset.
fs::path home_dir(const Environment& env);
/// XDG_CONFIG_HOME, else <home>/.config.
fs::path user_config_dir(const Environment& env);
/// <user configuration directory>/morvane/themes.
fs::path themes_dir(const Environment& env);
/// XDG_CACHE_HOME (else <home>/.cache) joined with morvane/kitty-themes.
fs::path index_cache_dir(const Environment& env);

/// The user configuration directory as the parent of the parent of the
/// themes directory; nothing when either parent is missing.
std::optional<fs::path> config_dir_from_themes_dir(const fs::path& themes);

/// The same, read from the process environment at each call.
fs::path themes_dir();
fs::path index_cache_dir();

}  // namespace themes
