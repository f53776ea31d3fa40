#include "themes/kitty_index.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/process.hpp"
#include "sys/text.hpp"

namespace themes {
namespace {

using nlohmann::json;

// Downloads share only this counter, which keeps their temporary names
// apart within one process.
std::atomic<unsigned long> g_download_counter{0};

std::string index_url() { return fmt::format("{}themes.json", kIndexUrlPrefix); }

// Whether the file at `path` was modified at most seven days ago, or in
// the future. Unreadable status or time counts as stale.
bool is_fresh(const fs::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  using namespace std::chrono;
  const auto modified = system_clock::time_point(seconds(st.st_mtim.tv_sec) + nanoseconds(st.st_mtim.tv_nsec));
  const auto now = system_clock::now();
  if (modified > now) return true;
  return now - modified <= seconds(kIndexFreshSeconds);
}

}  // namespace

std::vector<IndexEntry> parse_index(std::string_view text) {
  // Duplicate members are only visible while parsing: the finished value
  // keeps the last one silently.
  bool duplicate = false;
  std::set<std::string> seen;
  const json::parser_callback_t detect_duplicates = [&](int depth, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start && depth == 1) seen.clear();
    if (event == json::parse_event_t::key && depth == 2) {
      const auto& key = parsed.get_ref<const std::string&>();
      if ((key == "name" || key == "file" || key == "is_dark") && !seen.insert(key).second) duplicate = true;
    }
    return true;
  };
  json document;
  try {
    document = json::parse(text.begin(), text.end(), detect_duplicates);
  } catch (const json::exception&) {
    return {};
  }
  if (duplicate || !document.is_array()) return {};

  std::vector<IndexEntry> entries;
  entries.reserve(document.size());
  for (const auto& element : document) {
    if (!element.is_object()) return {};
    const auto name = element.find("name");
    const auto file = element.find("file");
    const auto dark = element.find("is_dark");
    if (name == element.end() || !name->is_string() || file == element.end() || !file->is_string()) return {};
    // The published index leaves out is_dark where it is false.
    if (dark != element.end() && !dark->is_boolean()) return {};
    entries.push_back(IndexEntry{name->get<std::string>(), file->get<std::string>(),
                                 dark != element.end() && dark->get<bool>()});
  }
  return entries;
}

bool is_safe_index_file(std::string_view file) {
  if (file.empty() || file.front() == '/') return false;
  if (file.find('\\') != std::string_view::npos || sys::has_control(file)) return false;
  for (const auto component : sys::path_components(file))
    if (component == "..") return false;
  return true;
}

fs::path download_temp_path(const fs::path& destination, long pid, unsigned long counter) {
  return sys::replace_extension(destination, fmt::format("{}.{}.part", pid, counter));
}

sys::Result<void> download_file(sys::ProcessRunner& runner, const std::string& url, const fs::path& destination) {
  if (destination.has_parent_path()) {
    if (auto made = sys::create_dir_all(destination.parent_path()); !made) return made;
  }
  const fs::path temp = download_temp_path(destination, static_cast<long>(::getpid()), g_download_counter++);
  auto output = runner.run(sys::Command{
      .program = "curl",
      .args = {"--fail", "--silent", "--show-error", "--location", "--max-time", "8", "-o", temp.string(), url},
  });
  if (!output) return sys::Error{fmt::format("curl: {}", output.error_text())};
  if (!output.value().status.success()) {
    ::unlink(temp.c_str());
    return sys::Error{fmt::format("curl could not fetch {}", url)};
  }
  if (::rename(temp.c_str(), destination.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return sys::os_error(err);
  }
  return sys::success();
}

std::vector<IndexEntry> load_index(const IndexCache& cache) {
  const fs::path path = cache.dir / "themes.json";
  if (!is_fresh(path)) (void)download_file(cache.runner, index_url(), path);  // an old copy stays usable
  auto text = sys::read_or_empty(path);
  if (!text) return {};
  return parse_index(text.value());
}

std::optional<Palette> cached_theme_palette(const fs::path& cache_dir, std::string_view file) {
  if (!is_safe_index_file(file)) return std::nullopt;
  auto text = sys::read_text(cache_dir / file);
  if (!text) return std::nullopt;
  return parse_kitty_palette(text.value());
}

std::optional<Palette> fetch_theme_palette(const IndexCache& cache, std::string_view file) {
  if (!is_safe_index_file(file)) return std::nullopt;
  const fs::path path = cache.dir / file;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    if (!download_file(cache.runner, fmt::format("{}{}", kIndexUrlPrefix, file), path)) return std::nullopt;
  }
  return cached_theme_palette(cache.dir, file);
}

std::optional<ThemeDefinition> index_theme_definition(const IndexCache& cache, const std::string& name) {
  for (const auto& entry : load_index(cache)) {
    if (entry.name != name) continue;
    const auto palette = fetch_theme_palette(cache, entry.file);
    if (!palette) return std::nullopt;
    return definition_from_palette(entry.name, *palette, entry.is_dark);
  }
  return std::nullopt;
}

}  // namespace themes
