#include "activation/kitty_overrides.hpp"

#include <sys/stat.h>

#include <set>
#include <vector>

#include <fmt/format.h>

#include "activation/kitty.hpp"
#include "sys/files.hpp"
#include "sys/text.hpp"
#include "themes/palette.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

// Deeper than any configuration people write; it bounds a chain of files.
constexpr int kMaxIncludeDepth = 8;

constexpr std::string_view kAutomaticThemes[] = {"dark-theme.auto.conf", "light-theme.auto.conf",
                                                 "no-preference-theme.auto.conf"};

struct Found {
  fs::path file;
  std::size_t line;     ///< 1-based
  std::size_t via = 0;  ///< the line of kitty.conf that includes `file`
};

class Reader {
 public:
  Reader(const std::optional<fs::path>& home, const ReadFileFn& read, const FileKeyFn& key)
      : home_(home), read_(read), key_(key) {}

  // The first colour line of `text` from line `from` (0-based) on,
  // following the includes there.
  std::optional<Found> first_colour(const fs::path& file, std::string_view text, std::size_t from, int depth) {
    const auto lines = sys::split_lines(text);
    for (std::size_t i = from; i < lines.size(); ++i) {
      if (themes::is_kitty_colour_line(lines[i])) return Found{file, i + 1};
      const auto words = sys::split_whitespace(lines[i]);
      if (words.size() < 2 || words[0] != "include" || depth >= kMaxIncludeDepth) continue;
      const auto target = include_target(file.parent_path(), lines[i]);
      if (!target || !visited_.insert(key_(*target)).second) continue;
      const auto included = read_(*target);
      if (!included) continue;  // what cannot be read sets nothing
      if (auto found = first_colour(*target, *included, 0, depth + 1)) {
        if (depth == 0) found->via = i + 1;
        return found;
      }
    }
    return std::nullopt;
  }

  void mark_read(const fs::path& file) { visited_.insert(key_(file)); }

 private:
  std::optional<fs::path> include_target(const fs::path& dir, std::string_view line) const {
    std::string_view value = sys::trim(sys::trim(line).substr(std::string_view("include").size()));
    if (value.empty() || value.find('$') != std::string_view::npos) return std::nullopt;
    if (value == "~" || value.starts_with("~/")) {
      if (!home_) return std::nullopt;
      return *home_ / std::string(value.substr(std::min<std::size_t>(2, value.size())));
    }
    const fs::path path{std::string(value)};
    return path.is_absolute() ? path : dir / path;
  }

  const std::optional<fs::path>& home_;
  const ReadFileFn& read_;
  const FileKeyFn& key_;
  std::set<std::string> visited_;
};

// The name a user knows a file by: relative to kitty's directory when it
// is inside it.
std::string shown(const fs::path& kitty_dir, const fs::path& file) {
  const fs::path relative = file.lexically_relative(kitty_dir);
  const bool inside = !relative.empty() && *relative.begin() != "..";
  return sys::lossy_utf8((inside ? relative : file).native());
}

}  // namespace

std::string file_key(const fs::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return path.lexically_normal().native();
  return fmt::format("{}:{}", st.st_dev, st.st_ino);
}

std::optional<std::string> kitty_colour_override(const fs::path& kitty_dir, std::string_view kitty_conf,
                                                 const std::optional<fs::path>& home, const ReadFileFn& read,
                                                 const FileKeyFn& key) {
  // kitty prefers these to everything in kitty.conf.
  for (const auto name : kAutomaticThemes) {
    const auto text = read(kitty_dir / name);
    if (!text) continue;
    for (const auto line : sys::split_lines(*text))
      if (themes::is_kitty_colour_line(line))
        return fmt::format("new kitty windows take the colours of {} (kitty prefers it to kitty.conf)", name);
  }
  // From the last include of ours on: what is read after it wins.
  const auto lines = sys::split_lines(kitty_conf);
  std::optional<std::size_t> include;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (has_kitty_include(lines[i])) include = i;
  if (!include) return std::nullopt;
  const fs::path conf = kitty_dir / "kitty.conf";
  Reader reader(home, read, key);
  reader.mark_read(conf);
  const auto found = reader.first_colour(conf, kitty_conf, *include + 1, 0);
  if (!found) return std::nullopt;
  if (found->file == conf) return fmt::format("new kitty windows keep the colours set at kitty.conf line {}", found->line);
  return fmt::format("new kitty windows keep the colours set in {} line {} (included at kitty.conf line {})",
                     shown(kitty_dir, found->file), found->line, found->via);
}

std::optional<std::string> kitty_colour_override_note(const themes::Environment& env, const fs::path& config_root) {
  const fs::path kitty_dir = config_root / "kitty";
  const ReadFileFn read = [](const fs::path& path) -> std::optional<std::string> {
    // Bounded and non-blocking, like every read of a user's file.
    auto bytes = sys::read_file(path);
    if (!bytes || !bytes.value()) return std::nullopt;
    return std::move(*bytes.value());
  };
  const auto conf = read(kitty_dir / "kitty.conf");
  if (!conf) return std::nullopt;
  return kitty_colour_override(kitty_dir, *conf, themes::usable_home(env), read);
}

}  // namespace activation
