#include "themes/paths.hpp"

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
