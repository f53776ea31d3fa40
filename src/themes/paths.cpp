#include "themes/paths.hpp"

#include <sys/stat.h>

#include "sys/text.hpp"

namespace themes {

bool is_absolute_setting(const std::optional<std::string>& value) { return value && value->starts_with('/'); }

std::optional<fs::path> usable_home(const Environment& env) {
  if (!is_absolute_setting(env.home)) return std::nullopt;
  return fs::path(*env.home);
}

fs::path home_dir(const Environment& env) { return usable_home(env).value_or(fs::path(".")); }

fs::path user_config_dir(const Environment& env) {
  if (is_absolute_setting(env.xdg_config_home)) return fs::path(*env.xdg_config_home);
  return home_dir(env) / ".config";
}

sys::Result<void> check_locations(const Environment& env) {
  // Without this the files would land in whatever directory the program
  // was started from, where no application looks for them.
  const bool config = is_absolute_setting(env.xdg_config_home) || usable_home(env);
  const bool cache = is_absolute_setting(env.xdg_cache_home) || usable_home(env);
  if (config && cache) return sys::success();
  return sys::Error{"no home directory: set HOME (or XDG_CONFIG_HOME and XDG_CACHE_HOME) to an absolute path"};
}

fs::path app_config_dir(const Environment& env) { return user_config_dir(env) / kAppName; }

fs::path themes_dir(const Environment& env) { return app_config_dir(env) / "themes"; }

fs::path index_cache_dir(const Environment& env) {
  const fs::path base = is_absolute_setting(env.xdg_cache_home) ? fs::path(*env.xdg_cache_home) : home_dir(env) / ".cache";
  return base / kAppName / "kitty-themes";
}

std::optional<fs::path> config_dir_from_themes_dir(const fs::path& themes) {
  // A path has a parent unless it is empty or a root; "a" has the empty
  // path as its parent, which stands for the working directory.
  const auto parent = [](const fs::path& p) -> std::optional<fs::path> {
    const fs::path trimmed = p.has_filename() ? p : p.parent_path();
    if (trimmed.empty() || trimmed == trimmed.root_path()) return std::nullopt;
    return trimmed.parent_path();
  };
  const auto first = parent(themes);
  if (!first) return std::nullopt;
  return parent(*first);
}

Locations locations(const Environment& env, const sys::SystemRoots& roots) {
  Locations where;
  where.themes_dir = themes_dir(env);
  where.active_dir = where.themes_dir / ".active";
  where.config_root = config_dir_from_themes_dir(where.themes_dir);
  if (where.config_root) {
    // Used as it is, whatever its bytes, when it is an absolute path.
    where.yazi_dir = is_absolute_setting(env.yazi_config_home) ? fs::path(*env.yazi_config_home)
                                                               : *where.config_root / "yazi";
  }
  where.cache_dir = index_cache_dir(env);
  constexpr std::string_view kLauncher = "app-launcher-kitty.sock";
  // Empty or relative counts as unset, as for the other XDG variables: it
  // would put the socket in whatever the working directory is.
  const fs::path own = roots.run_user / std::to_string(env.uid.value);
  struct stat st;
  if (is_absolute_setting(env.xdg_runtime_dir)) {
    where.launcher_socket = fs::path(*env.xdg_runtime_dir) / kLauncher;
  } else if (::stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == env.uid) {
    where.launcher_socket = own / kLauncher;
  } else {
    where.launcher_socket = fs::path("/tmp") / kLauncher;
  }
  where.system = roots;
  return where;
}

bool skips(const Environment& env, std::string_view part) {
  if (!env.skip) return false;
  for (std::string_view rest = *env.skip; !rest.empty();) {
    const auto comma = std::min(rest.find(','), rest.size());
    if (sys::trim(rest.substr(0, comma)) == part) return true;
    rest.remove_prefix(std::min(comma + 1, rest.size()));
  }
  return false;
}

}  // namespace themes
