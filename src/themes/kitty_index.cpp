#include "themes/kitty_index.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>

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

// Whether the file at `path` was modified at most seven days ago.
// Unreadable status or time counts as stale, and so does a time in the
// future (a clock set right after a bad boot, a restored backup), which
// would otherwise count as fresh forever.
bool is_fresh(const fs::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  using namespace std::chrono;
  const auto modified = system_clock::time_point(seconds(st.st_mtim.tv_sec) + nanoseconds(st.st_mtim.tv_nsec));
  const auto now = system_clock::now();
  if (modified > now) return false;
  return now - modified <= seconds(kIndexFreshSeconds);
}

// Reads the index as the parser goes, so that a member given twice is
// seen (a finished JSON value keeps only the last one) while the work
// stays linear in the size of the text.
class IndexReader {
 public:
  using string_t = json::string_t;
  using binary_t = json::binary_t;

  bool done() const { return done_; }
  std::vector<IndexEntry> entries() && { return std::move(entries_); }

  bool null() { return scalar(false, false); }
  bool boolean(bool value) {
    if (depth_ == 2 && member_ == Member::Dark) current_.is_dark = value;
    return scalar(false, true);
  }
  bool number_integer(json::number_integer_t) { return scalar(false, false); }
  bool number_unsigned(json::number_unsigned_t) { return scalar(false, false); }
  bool number_float(json::number_float_t, const string_t&) { return scalar(false, false); }
  bool binary(binary_t&) { return scalar(false, false); }
  bool string(string_t& value) {
    if (depth_ == 2 && member_ == Member::Name) current_.name = std::move(value);
    if (depth_ == 2 && member_ == Member::File) current_.file = std::move(value);
    return scalar(true, false);
  }

  bool start_object(std::size_t) {
    if (depth_ == 0 || (depth_ == 2 && member_ != Member::Other)) return false;
    if (depth_ == 1) {
      current_ = IndexEntry{};
      seen_ = 0;
    }
    ++depth_;
    return true;
  }
  bool end_object() {
    if (--depth_ != 1) return true;
    // The published index leaves out is_dark where it is false.
    if (!(seen_ & bit(Member::Name)) || !(seen_ & bit(Member::File))) return false;
    entries_.push_back(std::move(current_));
    return true;
  }
  bool start_array(std::size_t) {
    if (depth_ == 1 || (depth_ == 2 && member_ != Member::Other)) return false;
    ++depth_;
    return true;
  }
  bool end_array() {
    if (--depth_ == 0) done_ = true;
    return true;
  }
  bool key(string_t& name) {
    if (depth_ != 2) return true;
    member_ = name == "name" ? Member::Name : name == "file" ? Member::File : name == "is_dark" ? Member::Dark
                                                                                                 : Member::Other;
    if (member_ == Member::Other) return true;
    if (seen_ & bit(member_)) return false;  // given twice
    seen_ |= bit(member_);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

 private:
  enum class Member { Other, Name, File, Dark };
  static unsigned bit(Member m) { return 1u << static_cast<unsigned>(m); }

  // A value that is not an object or array: only members may be one, and
  // the used members must have their type.
  bool scalar(bool is_string, bool is_boolean) {
    if (depth_ < 2) return false;
    if (depth_ > 2) return true;
    switch (member_) {
      case Member::Name:
      case Member::File:
        return is_string;
      case Member::Dark:
        return is_boolean;
      case Member::Other:
        return true;
    }
    return true;
  }

  std::vector<IndexEntry> entries_;
  IndexEntry current_;
  unsigned seen_ = 0;
  Member member_ = Member::Other;
  int depth_ = 0;  ///< 1 inside the index array, 2 inside one of its elements
  bool done_ = false;
};

}  // namespace

std::vector<IndexEntry> parse_index(std::string_view text) {
  IndexReader reader;
  try {
    if (!json::sax_parse(text.begin(), text.end(), &reader, json::input_format_t::json, true) || !reader.done())
      return {};
  } catch (const json::exception&) {
    return {};
  }
  return std::move(reader).entries();
}

bool is_safe_index_file(std::string_view file) {
  if (file.empty() || file.front() == '/') return false;
  // curl reads [ ] { } as URL globs and expands "#1" in the output name,
  // and ? # % change what the URL names. White space, controls, backslashes
  // and non-ASCII text have no place in a path of the collection either
  // (it uses letters, digits, ".", "_", "-" and "/" only).
  static constexpr auto kUnsafe = [] {
    std::array<bool, 256> unsafe{};
    for (int c = 0; c < 256; ++c) unsafe[c] = c <= ' ' || c >= 0x7F;
    for (const char c : std::string_view("[]{}?#%\\")) unsafe[static_cast<unsigned char>(c)] = true;
    return unsafe;
  }();
  for (const unsigned char c : file)
    if (kUnsafe[c]) return false;
  // No ".." component (checked without splitting: this runs for every
  // entry of the index).
  for (std::size_t at = file.find(".."); at != std::string_view::npos; at = file.find("..", at + 1)) {
    const bool starts_component = at == 0 || file[at - 1] == '/';
    const bool ends_component = at + 2 == file.size() || file[at + 2] == '/';
    if (starts_component && ends_component) return false;
  }
  return true;
}

fs::path download_temp_path(const fs::path& destination, long pid, unsigned long counter) {
  return sys::replace_extension(destination, fmt::format("{}.{}.part", pid, counter));
}

bool is_index_text(std::string_view text) { return !parse_index(text).empty(); }

bool is_theme_file_text(std::string_view text) {
  for (const auto line : sys::split_lines(text))
    if (is_kitty_colour_line(line)) return true;
  return false;
}

void remove_stale_downloads(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    // NAME.<pid>.<n>.part of a process that is gone: killed mid-download.
    const std::string name = it->path().filename().string();
    if (!name.ends_with(".part")) continue;
    const std::string_view rest = std::string_view(name).substr(0, name.size() - 5);
    const auto counter_dot = rest.rfind('.');
    if (counter_dot == std::string_view::npos) continue;
    const auto pid_dot = rest.rfind('.', counter_dot - 1);
    if (pid_dot == std::string_view::npos) continue;
    long pid = 0;
    const auto digits = rest.substr(pid_dot + 1, counter_dot - pid_dot - 1);
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size() || pid <= 0) continue;
    if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

sys::Result<void> download_file(sys::ProcessRunner& runner, const std::string& url, const fs::path& destination,
                                DownloadCheck check) {
  if (destination.has_parent_path()) {
    if (auto made = sys::create_dir_all(destination.parent_path()); !made) return made;
    // What a download cut short by a signal or a kill left behind.
    remove_stale_downloads(destination.parent_path());
  }
  const fs::path temp = download_temp_path(destination, static_cast<long>(::getpid()), g_download_counter++);
  // curl writes into whatever the name holds: make it a file of our own.
  if (auto created = sys::create_new_file(temp); !created) return created;
  // curl keeps to its own eight seconds; the limit here is for a curl that
  // does not (stuck before its timer starts, or a stand-in).
  auto output = runner.run_for(
      sys::Command{
          .program = "curl",
          .args = {"--fail", "--silent", "--show-error", "--location", "--max-time", "8", "-o", temp.string(), url},
      },
      std::chrono::seconds(10));
  if (!output) {
    ::unlink(temp.c_str());
    return sys::Error{fmt::format("curl: {}", output.error_text())};
  }
  if (!output.value() || !output.value()->status.success()) {
    ::unlink(temp.c_str());
    return sys::Error{fmt::format("curl could not fetch {}", url)};
  }
  // A body that is not what was asked for (a login page, an error page
  // served with status 200) must not replace good data.
  if (auto body = sys::read_file(temp); !body || !body.value() || !check(*body.value())) {
    ::unlink(temp.c_str());
    return sys::Error{fmt::format("{} did not give what was asked for", url)};
  }
  if (::rename(temp.c_str(), destination.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return sys::os_error(err);
  }
  return sys::success();
}

bool index_is_stale(const fs::path& cache_dir) { return !is_fresh(cache_dir / "themes.json"); }

sys::Result<void> refresh_index(const IndexCache& cache) {
  return download_file(cache.runner, index_url(), cache.dir / "themes.json", is_index_text);
}

std::vector<IndexEntry> cached_index(const fs::path& cache_dir) {
  // The parser checks the UTF-8 of every string itself (a bad one makes the
  // index unusable), so the text is not checked twice.
  auto bytes = sys::read_file(cache_dir / "themes.json");
  if (!bytes || !bytes.value()) return {};
  return parse_index(*bytes.value());
}

std::vector<IndexEntry> load_index(const IndexCache& cache) {
  if (index_is_stale(cache.dir)) (void)refresh_index(cache);  // an old copy stays usable
  return cached_index(cache.dir);
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
    if (!download_file(cache.runner, fmt::format("{}{}", kIndexUrlPrefix, file), path, is_theme_file_text))
      return std::nullopt;
  }
  return cached_theme_palette(cache.dir, file);
}

sys::Result<std::optional<ThemeDefinition>> index_theme_definition(const IndexCache& cache, const std::string& name) {
  for (const auto& entry : load_index(cache)) {
    if (entry.name != name) continue;
    const auto palette = fetch_theme_palette(cache, entry.file);
    if (!palette) return sys::Error{"its theme file could not be downloaded (network or curl)"};
    auto def = definition_from_palette(entry.name, *palette, entry.is_dark);
    if (!def) return sys::Error{"its palette is incomplete"};
    return std::optional<ThemeDefinition>{std::move(def)};
  }
  return std::optional<ThemeDefinition>{};
}

}  // namespace themes
