#include "wallpaper/catalogue.hpp"

#include "wallpaper/picture.hpp"

#include <dirent.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>

#include "sys/files.hpp"
#include "sys/text.hpp"

namespace wallpaper {
namespace {

// The path text with repeated and trailing separators dropped, which do
// not change its components.
std::string normalised(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path)
    if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// The entries of a directory as the kernel lists them. Read with
// getdents64 directly: going through readdir would cost two more system
// calls per directory (fdopendir checks the descriptor), which is most of
// the time of a large scan.
struct LinuxDirent {
  ino64_t inode;
  off64_t offset;
  unsigned short length;
  unsigned char type;
  char name[1];  // really as long as the name
};

// Appends the images below the open directory `fd` (whose path is `dir`)
// to `found`; `fd` is closed.
void scan(int fd, std::string& dir, int depth, std::vector<std::string>& found) {
  alignas(8) char buffer[32768];
  for (;;) {
    const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (long at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const LinuxDirent*>(buffer + at);
      at += entry->length;
      const std::string_view name = entry->name;
      if (name == "." || name == "..") continue;
      unsigned char type = entry->type;
      if (type == DT_UNKNOWN) {  // file systems that do not say: ask without following links
        struct stat st;
        if (::fstatat(fd, entry->name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_LNK;
      }
      if (type == DT_REG && is_image_name(name)) {
        found.push_back(dir + "/" + std::string(name));
      } else if (type == DT_DIR && depth < kMaxScanDepth) {
        const int child = ::openat(fd, entry->name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;
        const std::size_t length = dir.size();
        dir += '/';
        dir += name;
        scan(child, dir, depth + 1, found);
        dir.resize(length);
      }
      // Links, FIFOs, sockets and devices are skipped.
    }
  }
  ::close(fd);
}

}  // namespace

bool is_image_name(std::string_view name) {
  return picture_kind_of_name(name).has_value();
}

std::vector<fs::path> wallpaper_roots(const themes::Environment& env) {
  std::vector<fs::path> roots{themes::app_config_dir(env) / "wallpapers"};
  // Without a home there is nothing to look in but the configuration; the
  // working directory is no place for wallpapers.
  if (const auto home = themes::usable_home(env)) {
    roots.push_back(*home / "Pictures" / "Wallpapers");
    roots.push_back(*home / "Pictures" / "wallpapers");
    roots.push_back(*home / "Wallpapers");
  }
  return roots;
}

std::vector<Wallpaper> scan_wallpaper_roots(const std::vector<fs::path>& roots) {
  std::vector<std::string> found;
  for (const auto& root : roots) {
    // Opened by path, so a root that is itself a link is followed.
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    std::string dir = normalised(root.native());
    if (dir == "/") dir.clear();
    scan(fd, dir, 0, found);
  }
  // Paths are ordered component by component, each compared as bytes, a
  // leading part first (so a/b sorts before a-b, unlike in whole-text
  // order). Without repeated or trailing separators that is byte order
  // with the separator ranked lowest: sort with it turned into NUL.
  for (auto& text : found) std::replace(text.begin(), text.end(), '/', '\0');
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<Wallpaper> catalogue;
  catalogue.reserve(found.size());
  for (auto& text : found) {
    const auto slash = text.rfind('\0');
    std::string name = sys::lossy_utf8(slash == std::string::npos ? text : std::string_view(text).substr(slash + 1));
    std::replace(text.begin(), text.end(), '\0', '/');
    catalogue.push_back(Wallpaper{std::move(name), std::move(text)});
  }
  return catalogue;
}

std::vector<Wallpaper> list_wallpapers(const themes::Environment& env) {
  return scan_wallpaper_roots(wallpaper_roots(env));
}

fs::path wallpaper_state_path(const themes::Environment& env) { return themes::app_config_dir(env) / "wallpaper"; }

std::optional<fs::path> load_saved_wallpaper(const themes::Environment& env) {
  // Read as bytes: the saved path is the file's, whatever its encoding.
  auto bytes = sys::read_file(wallpaper_state_path(env));
  if (!bytes || !bytes.value()) return std::nullopt;
  const fs::path path(std::string(sys::trim(*bytes.value())));
  if (path.empty()) return std::nullopt;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return path;
}

sys::Result<void> save_wallpaper_choice(const themes::Environment& env, std::string_view text) {
  const fs::path path = wallpaper_state_path(env);
  if (auto made = sys::create_dir_all(path.parent_path()); !made) return made;
  return sys::write_atomic(path, text);
}

}  // namespace wallpaper
