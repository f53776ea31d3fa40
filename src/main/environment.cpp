#include "main/environment.hpp"

#include <unistd.h>

#include <cstdlib>

#include "sys/text.hpp"

namespace cli {
namespace {

std::optional<std::string> raw(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

// Paths of our own are text: a value that is not UTF-8 counts as unset.
std::optional<std::string> utf8(const char* name) {
  auto value = raw(name);
  if (value && !sys::is_valid_utf8(*value)) return std::nullopt;
  return value;
}

}  // namespace

themes::Environment read_environment() {
  return themes::Environment{
      .home = utf8("HOME"),
      .xdg_config_home = utf8("XDG_CONFIG_HOME"),
      .xdg_cache_home = utf8("XDG_CACHE_HOME"),
      .xdg_runtime_dir = raw("XDG_RUNTIME_DIR"),
      .yazi_config_home = raw("YAZI_CONFIG_HOME"),
      .hyprland_instance_signature = raw("HYPRLAND_INSTANCE_SIGNATURE"),
      .path = raw("PATH"),
      .kitty_window_id = raw("KITTY_WINDOW_ID"),
      .kitty_listen_on = raw("KITTY_LISTEN_ON"),
      .tmux = raw("TMUX"),
      .term = raw("TERM"),
      .skip = raw("TINTWELL_SKIP"),
      .uid = themes::Uid{::geteuid()},
  };
}

}  // namespace cli
