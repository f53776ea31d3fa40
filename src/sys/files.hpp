#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sys/result.hpp"

namespace sys {

namespace fs = std::filesystem;

/// `path` with the extension of its final component replaced by
/// `extension` (given without the leading dot). A leading dot does not
/// start an extension, and a name without one gets `extension` appended:
/// kitty.conf -> kitty.<ext>, colors -> colors.<ext>, .hidden -> .hidden.<ext>.
fs::path replace_extension(const fs::path& path, std::string_view extension);

/// The temporary name `write_atomic` uses: the extension replaced by "<pid>.tmp".
fs::path atomic_temp_path(const fs::path& target, long pid);

/// Writes `bytes` as the whole new content of `path` through a temporary
/// file in the same directory and a rename over the target, so the target
/// is never seen half-written and keeps its old content on failure. A
/// file that is replaced keeps its permission bits (and its owner and
/// group where the process may set them); a symbolic link at `path` is
/// replaced by a regular file. The temporary file is created afresh (never
/// through a link planted at its name). Parent directories are not created.
Result<void> write_atomic(const fs::path& path, std::string_view bytes);

/// `write_atomic` for a file the user may manage elsewhere: a symbolic link
/// at `path` stays a link and the file it leads to (through any chain of
/// links) gets the new content.
Result<void> write_atomic_keeping_links(const fs::path& path, std::string_view bytes);

/// Where a chain of symbolic links at `path` ends (`path` itself when it
/// is no link; the first missing name when the chain dangles).
Result<fs::path> final_target(const fs::path& path);

/// Creates `path` as a new, empty regular file of our own: anything of that
/// name is removed first, and a link is never followed.
Result<void> create_new_file(const fs::path& path);

/// Creates `path` with `bytes` unless an entry of that name exists (even a
/// dangling symbolic link, which is never written through). The file
/// appears whole or not at all (a temporary file linked into place).
/// Returns whether the file was written.
Result<bool> write_new_file(const fs::path& path, std::string_view bytes);

/// Files larger than this are not read ("file too large").
inline constexpr std::uint64_t kMaxReadSize = 16 * 1024 * 1024;

/// The whole file as bytes; nothing when it does not exist. Only regular
/// files are read ("not a regular file"), without ever blocking.
Result<std::optional<std::string>> read_file(const fs::path& path);

/// At most the first `count` bytes of a regular file, read without
/// blocking.
Result<std::string> read_file_start(const fs::path& path, std::size_t count);

/// The whole file as UTF-8 text. A missing file, and content that is not
/// UTF-8, are errors too.
Result<std::string> read_text(const fs::path& path);

/// The whole file as UTF-8 text; empty when it does not exist. Any other
/// failure, including content that is not UTF-8, is an error.
Result<std::string> read_or_empty(const fs::path& path);

/// Creates `path` and its missing ancestors with mode 0777 before the
/// process's mask; an existing directory is fine.
Result<void> create_dir_all(const fs::path& path);

/// An exclusive advisory lock (flock) on a file, held while the object
/// lives. Other processes that take the same lock wait for it.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&&) = delete;
  ~FileLock();

 private:
  int fd_;
};

/// Takes the lock on `path` (the file is created when missing), trying
/// again after `sleep` pauses while another process holds it, for at most
/// `limit` in all ("timed out waiting for LOCK").
Result<FileLock> lock_file(const fs::path& path, std::chrono::milliseconds limit,
                           const std::function<void(std::chrono::milliseconds)>& sleep);

}  // namespace sys
