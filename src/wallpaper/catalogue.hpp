#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "wallpaper/wallpaper.hpp"

namespace wallpaper {

/// The wallpaper catalogue. Never fails.
std::vector<Wallpaper> list_wallpapers();

/// The saved wallpaper choice, if any.
std::optional<std::filesystem::path> load_saved_wallpaper();

}  // namespace wallpaper
