#pragma once

#include <filesystem>
#include <string>

namespace wallpaper {

/// One entry of the wallpaper catalogue.
struct Wallpaper {
  std::string name;  ///< the file name, as UTF-8 (invalid bytes replaced)
  /// The path as scanned, kept as its bytes: a catalogue may hold tens of
  /// thousands, and a std::filesystem::path costs several times as much.
  std::string path;
  bool operator==(const Wallpaper&) const = default;
};

}  // namespace wallpaper
