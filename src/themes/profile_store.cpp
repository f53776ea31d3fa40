#include "themes/profile_store.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include <fmt/format.h>

#include "sys/files.hpp"
#include "sys/text.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"
#include "themes/paths.hpp"
#include "themes/profile_gen.hpp"

namespace themes {
namespace {

namespace fs = std::filesystem;

bool is_directory_followed(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<ThemeEntry> list_profiles(const fs::path& dir) {
  std::vector<ThemeEntry> entries;
  DIR* listing = ::opendir(dir.c_str());
  if (!listing) return entries;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view raw = entry->d_name;
    if (raw == "current" || raw.starts_with('.')) continue;
    const fs::path path = dir / std::string(raw);
    if (!is_directory_followed(path)) continue;
    ThemeEntry item;
    item.name = sys::lossy_utf8(raw);
    if (auto text = sys::read_or_empty(path / "kitty.conf")) {
      Palette palette = parse_kitty_palette(text.value());
      item.colours = std::move(palette.colours);
      item.background = palette.background;
      item.foreground = palette.foreground;
    }
    entries.push_back(std::move(item));
  }
  ::closedir(listing);
  return entries;
}

// The last component of a link target, the way a path reads it: "."
// components after the first are ignored; a target that ends in ".." or
// is a root has none.
std::optional<std::string> final_component(std::string_view target) {
  std::string_view last;
  std::size_t start = 0;
  bool first = true;
  while (start <= target.size()) {
    auto end = target.find('/', start);
    if (end == std::string_view::npos) end = target.size();
    const std::string_view part = target.substr(start, end - start);
    if (!part.empty() && !(part == "." && !first)) last = part;
    if (!part.empty() || end == 0) first = false;
    start = end + 1;
  }
  if (last.empty() || last == ".." || last == ".") return std::nullopt;
  return std::string(last);
}

}  // namespace

std::vector<ThemeEntry> list_themes() {
  std::vector<ThemeEntry> items = list_profiles(themes_dir());
  std::unordered_set<std::string> names;
  for (const auto& item : items) names.insert(item.name);

  for (const auto& builtin : builtin_themes()) {
    if (!names.insert(std::string(builtin.slug)).second) continue;
    ThemeEntry item;
    item.name = builtin.slug;
    for (auto colour : builtin.colours)
      if (auto parsed = parse_hex_colour(colour)) item.colours.push_back(*parsed);
    item.background = parse_hex_colour(builtin.background);
    item.foreground = parse_hex_colour(builtin.foreground);
    items.push_back(std::move(item));
  }

  for (auto& entry : load_index()) {
    if (!names.insert(entry.name).second) continue;
    ThemeEntry item;
    if (auto palette = cached_theme_palette(entry.file)) {
      item.colours = std::move(palette->colours);
      item.background = palette->background;
      item.foreground = palette->foreground;
    }
    item.name = std::move(entry.name);
    item.index_file = std::move(entry.file);
    items.push_back(std::move(item));
  }

  std::stable_sort(items.begin(), items.end(), [](const ThemeEntry& a, const ThemeEntry& b) {
    return std::string_view(a.name) < std::string_view(b.name);  // byte order
  });
  return items;
}

std::optional<std::string> active_theme_name() {
  const fs::path dir = themes_dir();
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
  // Exactly one normal component; "." components other than a leading one
  // do not count, nor do empty ones.
  if (name.starts_with('/')) return false;
  int normal = 0;
  bool first = true;
  std::size_t start = 0;
  while (start <= name.size()) {
    auto end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return false;
    if (part == ".") {
      if (first) return false;
    } else if (!part.empty()) {
      ++normal;
    }
    if (!part.empty()) first = false;
    start = end + 1;
  }
  if (normal != 1 || name.starts_with('.') || name == "current") return false;
  std::size_t pos = 0;
  char32_t cp;
  while (sys::next_code_point(name, pos, cp))
    if (sys::is_control(cp)) return false;
  return true;
}

sys::Result<fs::path> prepare_profile(const std::string& name) {
  if (!is_valid_theme_name(name)) return sys::Error{"invalid theme name"};
  const fs::path profile = themes_dir() / name;
  const auto generate = [&](const ThemeDefinition& def) -> sys::Result<fs::path> {
    if (auto written = generate_profile(def, profile); !written)
      return sys::Error{fmt::format("could not write theme to {}: {}", profile.string(), written.error_text())};
    return profile;
  };
  if (const auto* builtin = find_builtin_theme(name)) return generate(builtin->definition());
  if (auto def = index_theme_definition(name)) return generate(*def);
  if (is_directory_followed(profile)) return profile;
  return sys::Error{fmt::format("no theme profile for {}", name)};
}

}  // namespace themes
