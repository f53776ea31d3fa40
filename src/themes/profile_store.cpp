#include "themes/profile_store.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include "sys/files.hpp"
#include "sys/text.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/palette.hpp"

namespace themes {
namespace {

namespace fs = std::filesystem;

std::vector<ThemeEntry> list_profiles(const fs::path& dir, ListMode mode) {
  std::vector<ThemeEntry> entries;
  DIR* listing = ::opendir(dir.c_str());
  if (!listing) return entries;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view raw = entry->d_name;
    // A name that is not UTF-8 could be shown but never named again (to
    // activate it, or in theme-name): such a directory is not offered.
    if (raw == "current" || raw.starts_with('.') || !sys::is_valid_utf8(raw)) continue;
    const fs::path path = dir / std::string(raw);
    // The listing's own type saves a stat for every plain directory.
    const bool directory = entry->d_type == DT_DIR || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
                                                       themes::is_directory(path));
    if (!directory) continue;
    ThemeEntry item;
    item.name = sys::lossy_utf8(raw);
    item.palette_file = path.native() + "/kitty.conf";
    if (mode == ListMode::Complete) read_palette(item);
    entries.push_back(std::move(item));
  }
  ::closedir(listing);
  return entries;
}

// The last component of a link target; a target that ends in ".." or
// is a root has none.
std::optional<std::string> final_component(std::string_view target) {
  const auto parts = sys::path_components(target);
  if (parts.empty() || parts.back() == ".." || parts.back() == ".") return std::nullopt;
  return std::string(parts.back());
}

}  // namespace

bool is_directory(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void read_palette(ThemeEntry& entry) {
  if (!entry.palette_file) return;
  if (auto text = sys::read_text(*entry.palette_file)) entry.take_palette(parse_kitty_palette(text.value()));
  entry.palette_file.reset();
}

std::vector<ThemeEntry> list_themes(const fs::path& themes_dir, const IndexCache& cache, ListMode mode) {
  std::vector<ThemeEntry> items = list_profiles(themes_dir, mode);
  std::unordered_set<std::string> names;
  for (const auto& item : items) names.insert(item.name);

  for (const auto& builtin : builtin_themes()) {
    if (!names.insert(std::string(builtin.slug)).second) continue;
    ThemeEntry item;
    item.name = builtin.slug;
    item.source = ThemeSource::Builtin;
    for (auto colour : builtin.colours)
      if (auto parsed = parse_hex_colour(colour)) item.colours.push_back(*parsed);
    item.background = parse_hex_colour(builtin.background);
    item.foreground = parse_hex_colour(builtin.foreground);
    items.push_back(std::move(item));
  }

  const std::string cache_prefix = (cache.dir / "").native();
  for (auto& entry : mode == ListMode::Complete ? load_index(cache) : cached_index(cache.dir)) {
    if (!names.insert(entry.name).second) continue;
    ThemeEntry item;
    if (is_safe_index_file(entry.file)) item.palette_file = cache_prefix + entry.file;
    if (mode == ListMode::Complete) read_palette(item);
    item.name = std::move(entry.name);
    item.index_file = std::move(entry.file);
    item.source = ThemeSource::Index;
    item.is_dark = entry.is_dark;
    items.push_back(std::move(item));
  }

  // Sorted through positions, so that each entry moves once.
  std::vector<std::size_t> order(items.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return std::string_view(items[a].name) < std::string_view(items[b].name);  // byte order
  });
  std::vector<ThemeEntry> sorted;
  sorted.reserve(items.size());
  for (const std::size_t i : order) sorted.push_back(std::move(items[i]));
  return sorted;
}

std::optional<std::string> active_theme_name(const fs::path& dir) {
  char target[4096];
  const ssize_t length = ::readlink((dir / "current").c_str(), target, sizeof target);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  const auto last = final_component(std::string_view(target, static_cast<std::size_t>(length)));
  if (!last) return std::nullopt;
  if (*last != ".active") return sys::lossy_utf8(*last);
  auto text = sys::read_text(dir / ".active" / "theme-name");
  if (!text) return std::nullopt;
  return std::move(text).value();
}

bool is_valid_theme_name(std::string_view name) {
  // No separator at all: "nord/" or "current/." would name the same
  // directory as another theme, or the current link.
  // Nor anything a terminal would act on or reorder (controls,
  // bidirectional formatting characters, bytes that are not UTF-8): such a
  // name could never be shown or typed as it is.
  return !name.empty() && name.find('/') == std::string_view::npos && !name.starts_with('.') && name != "current" &&
         !sys::has_control(name) && sys::screen_text(name) == name;
}

}  // namespace themes
