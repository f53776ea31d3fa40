#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace bench_support {

/// A temporary home whose cache holds the real kitty themes index and its
/// 407 theme files, and whose themes directory holds 50 profiles. Empty
/// when the real data is missing.
inline std::filesystem::path make_theme_home() {
  namespace fs = std::filesystem;
  const fs::path data = fs::path(TINTWELL_DATA_DIR) / "kitty-themes";
  if (!fs::exists(data / "themes.json")) return {};
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return {};
  const fs::path home = dir;
  const fs::path cache = home / ".cache" / "morvane" / "kitty-themes";
  fs::create_directories(cache / "themes");
  fs::copy_file(data / "themes.json", cache / "themes.json");  // fresh: no download
  for (const auto& entry : fs::directory_iterator(data / "themes"))
    fs::copy_file(entry.path(), cache / "themes" / entry.path().filename());
  int made = 0;
  for (const auto& entry : fs::directory_iterator(data / "themes")) {
    if (made == 50) break;
    const fs::path profile = home / ".config" / "morvane" / "themes" / ("profile-" + std::to_string(made++));
    fs::create_directories(profile);
    fs::copy_file(entry.path(), profile / "kitty.conf");
  }
  return home;
}

inline void point_environment_at(const std::filesystem::path& home) {
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
}

}  // namespace bench_support
