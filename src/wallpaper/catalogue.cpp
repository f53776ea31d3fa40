#include "wallpaper/catalogue.hpp"

namespace wallpaper {

// The catalogue is not built yet: no wallpapers and no saved choice.
std::vector<Wallpaper> list_wallpapers() { return {}; }

std::optional<std::filesystem::path> load_saved_wallpaper() { return std::nullopt; }

}  // namespace wallpaper
