#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "sys/process.hpp"

namespace bench_support {

/// A runner that starts nothing: every program answers at once, as a
/// working one would (btop 1.4, user 1000).
class InstantRunner final : public sys::ProcessRunner {
 public:
  sys::Result<std::optional<sys::Output>> run_for(const sys::Command& command, std::chrono::milliseconds) override {
    return std::optional<sys::Output>{
        sys::Output{sys::ExitStatus(0), command.program == "btop" ? "btop version: 1.4.0\n" : "1000\n", ""}};
  }
  sys::Result<void> start_detached(const sys::Command&) override { return sys::success(); }
};

namespace fs = std::filesystem;

inline fs::path make_empty_home() {
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return {};
  return dir;
}

inline fs::path cache_of(const fs::path& home) { return home / ".cache" / "morvane" / "kitty-themes"; }
inline fs::path themes_of(const fs::path& home) { return home / ".config" / "morvane" / "themes"; }

/// A temporary home whose cache holds the real kitty themes index and its
/// 407 theme files, and whose themes directory holds 50 profiles. Empty
/// when the real data is missing.
inline fs::path make_theme_home() {
  const fs::path data = fs::path(TINTWELL_DATA_DIR) / "kitty-themes";
  if (!fs::exists(data / "themes.json")) return {};
  const fs::path home = make_empty_home();
  const fs::path cache = cache_of(home);
  fs::create_directories(cache / "themes");
  fs::copy_file(data / "themes.json", cache / "themes.json");  // fresh: no download
  for (const auto& entry : fs::directory_iterator(data / "themes"))
    fs::copy_file(entry.path(), cache / "themes" / entry.path().filename());
  int made = 0;
  for (const auto& entry : fs::directory_iterator(data / "themes")) {
    if (made == 50) break;
    const fs::path profile = themes_of(home) / ("profile-" + std::to_string(made++));
    fs::create_directories(profile);
    fs::copy_file(entry.path(), profile / "kitty.conf");
  }
  return home;
}

/// A kitty theme file about the size of the collection's (comments, then
/// the colours).
inline std::string synthetic_theme(int i) {
  std::string text;
  for (int line = 0; line < 20; ++line) text += "# A comment line as themes of the collection have them.\n";
  text += "background #" + std::to_string(100000 + i % 800000) + "\nforeground #ffffff\n";
  for (int c = 0; c < 16; ++c)
    text += "color" + std::to_string(c) + " #0000" + (c < 10 ? "0" : "") + std::to_string(c) + "\n";
  return text;
}

/// A home with `index_themes` cached index themes and `profiles` profiles.
inline fs::path make_synthetic_home(int index_themes, int profiles) {
  const fs::path home = make_empty_home();
  const fs::path cache = cache_of(home);
  fs::create_directories(cache / "themes");
  std::ofstream index(cache / "themes.json");
  index << "[";
  for (int i = 0; i < index_themes; ++i) {
    const std::string file = "themes/Theme_" + std::to_string(i) + ".conf";
    index << (i ? "," : "") << "{\"name\": \"Theme " << i << "\", \"file\": \"" << file << "\", \"is_dark\": true}";
    std::ofstream(cache / file) << synthetic_theme(i);
  }
  index << "]";
  for (int i = 0; i < profiles; ++i) {
    const fs::path profile = themes_of(home) / ("profile-" + std::to_string(i));
    fs::create_directories(profile);
    std::ofstream(profile / "kitty.conf") << synthetic_theme(i);
  }
  return home;
}

/// A home with `count` images in ~/Pictures/Wallpapers, 100 a directory.
inline fs::path make_wallpaper_home(int count) {
  const fs::path home = make_empty_home();
  for (int i = 0; i < count; ++i) {
    const fs::path dir = home / "Pictures" / "Wallpapers" / ("set-" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(dir);
    std::ofstream(dir / ("wallpaper-number-" + std::to_string(i) + ".png"));
  }
  return home;
}

/// A 3840 x 2160 picture like a photograph (ImageMagick's plasma, which
/// has a photograph's gradients and grain), made once per run in /tmp as
/// `name` (its extension says the kind). Empty without ImageMagick.
inline fs::path make_4k_picture(const std::string& name) {
  const fs::path path = fs::temp_directory_path() / ("tintwell-bench-" + name);
  if (fs::exists(path)) return path;
  const std::string command =
      "convert -size 3840x2160 -seed 4 plasma:fractal -blur 0x1 -depth 8 " + path.string() + " 2>/dev/null";
  if (std::system(command.c_str()) != 0 || !fs::exists(path)) return {};
  return path;
}

inline void point_environment_at(const fs::path& home) {
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
}

}  // namespace bench_support
