#pragma once

#include <filesystem>
#include <string>

namespace wallpaper {

/// One entry of the wallpaper catalogue.
struct Wallpaper {
  std::string name;  ///< the file name, as UTF-8 (invalid bytes replaced)
  std::filesystem::path path;
  bool operator==(const Wallpaper&) const = default;
};

}  // namespace wallpaper
