#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/palette.hpp"
#include "themes/theme_definition.hpp"

namespace themes {

namespace fs = std::filesystem;

/// Raw-file prefix of the public kitty themes collection; the index and
/// every theme file are fetched from below it.
inline constexpr std::string_view kIndexUrlPrefix =
    "https://raw.githubusercontent.com/kovidgoyal/kitty-themes/master/";

/// The cached index is used without downloading for this long.
inline constexpr long long kIndexFreshSeconds = 604800;

/// One element of the kitty themes index.
struct IndexEntry {
  std::string name;
  std::string file;
  bool is_dark = false;
  bool operator==(const IndexEntry&) const = default;
};

/// Parses themes.json strictly: a JSON array of objects with string
/// `name` and `file` and an optional boolean `is_dark` (absent means
/// light). Any bad element, a used member given twice, or trailing text
/// makes the whole index unusable: the result is then empty.
std::vector<IndexEntry> parse_index(std::string_view json);

/// Whether an index `file` value is safe to join to the cache directory
/// and to hand to curl: a relative path without "..", and without white
/// space, control or non-ASCII characters, backslashes, or any of the URL
/// and glob characters [ ] { } ? # %.
bool is_safe_index_file(std::string_view file);

/// Removes the temporary files of downloads in `dir` whose process is gone.
void remove_stale_downloads(const fs::path& dir);

/// Temporary name of a download: the extension replaced by "<pid>.<n>.part".
fs::path download_temp_path(const fs::path& destination, long pid, unsigned long counter);

/// Whether a downloaded text is a usable index: it parses, with at least
/// one entry. A captive portal's login page is not.
bool is_index_text(std::string_view text);
/// Whether a downloaded text is a kitty theme: it holds a colour line.
bool is_theme_file_text(std::string_view text);

/// What a download must look like to replace the destination.
using DownloadCheck = bool (*)(std::string_view text);

/// Fetches `url` into `destination` with curl, through a temporary file
/// and a rename, so the destination changes only when a download is
/// complete and passes `check`; otherwise it stays as it was (with its
/// age) and the download is an error like any failed one.
sys::Result<void> download_file(sys::ProcessRunner& runner, const std::string& url, const fs::path& destination,
                                DownloadCheck check);

/// Where the index and the theme files are cached, and what downloads them.
struct IndexCache {
  fs::path dir;
  sys::ProcessRunner& runner;
};

/// Whether the index must be downloaded: the cached copy is missing or
/// older than seven days, or dated in the future.
bool index_is_stale(const fs::path& cache_dir);

/// Downloads the index into the cache; an old copy stays when it fails.
sys::Result<void> refresh_index(const IndexCache& cache);

/// The index as cached, whatever its age; never downloads. Never fails: an
/// unusable or missing index is empty.
std::vector<IndexEntry> cached_index(const fs::path& cache_dir);

/// The index, downloaded first when the cached copy is stale.
std::vector<IndexEntry> load_index(const IndexCache& cache);

/// The palette of a cached theme file; never downloads.
std::optional<Palette> cached_theme_palette(const fs::path& cache_dir, std::string_view file);

/// The palette of a theme file, downloaded into the cache first when it
/// is not there.
std::optional<Palette> fetch_theme_palette(const IndexCache& cache, std::string_view file);

/// The definition of the index theme `name` (first entry of that name);
/// nothing when the index has no such theme. An error says why a theme
/// the index has yields none: "its theme file could not be downloaded (network or curl)" or
/// "its palette is incomplete".
sys::Result<std::optional<ThemeDefinition>> index_theme_definition(const IndexCache& cache, const std::string& name);

}  // namespace themes
