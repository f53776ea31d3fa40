#include "main/services.hpp"

#include "activation/activate.hpp"
#include "themes/profile_store.hpp"
#include "wallpaper/backends.hpp"
#include "wallpaper/catalogue.hpp"

namespace switcher {

std::vector<themes::ThemeEntry> SystemServices::list_themes() { return themes::list_themes(); }

std::optional<std::string> SystemServices::active_theme_name() { return themes::active_theme_name(); }

std::vector<wallpaper::Wallpaper> SystemServices::list_wallpapers() { return wallpaper::list_wallpapers(); }

std::optional<std::filesystem::path> SystemServices::load_saved_wallpaper() {
  return wallpaper::load_saved_wallpaper();
}

sys::Result<std::string> SystemServices::activate_theme(const std::string& name) {
  return activation::activate_theme(name);
}

sys::Result<std::string> SystemServices::apply_wallpaper(const wallpaper::Wallpaper& wallpaper) {
  return wallpaper::apply_wallpaper(wallpaper);
}

}  // namespace switcher
