#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "themes/paths.hpp"
#include "wallpaper/wallpaper.hpp"

namespace wallpaper {

namespace fs = std::filesystem;

/// Directories deeper than this below a root are not opened.
inline constexpr int kMaxScanDepth = 4;

/// Whether a file name has one of the image extensions (jpg, jpeg, png,
/// webp, bmp; ASCII case ignored).
bool is_image_name(std::string_view name);

/// The four directories scanned for wallpapers, in order.
std::vector<fs::path> wallpaper_roots(const themes::Environment& env);

/// The images below `roots`, each path once, in component-wise byte order.
/// Entries are classified from the listing without following links (so
/// links are skipped), but a root that is a link is followed.
std::vector<Wallpaper> scan_wallpaper_roots(const std::vector<fs::path>& roots);

/// The wallpaper catalogue. Never fails.
std::vector<Wallpaper> list_wallpapers(const themes::Environment& env);

/// <user configuration directory>/morvane/wallpaper.
fs::path wallpaper_state_path(const themes::Environment& env);

/// The saved wallpaper choice, when it names an existing regular file.
std::optional<fs::path> load_saved_wallpaper(const themes::Environment& env);

/// Writes `text` as the saved choice, whole or not at all: a failed write
/// (a full disk) keeps the old choice, and whatever stands at the path (a
/// FIFO, a link) is replaced, never written through.
sys::Result<void> save_wallpaper_choice(const themes::Environment& env, std::string_view text);

}  // namespace wallpaper
