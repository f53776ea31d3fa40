#include "sys/files.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "sys/os_error.hpp"
#include "sys/text.hpp"

namespace sys {
namespace {

Result<void> write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return success();
}

Result<void> write_and_close(int fd, std::string_view bytes) {
  auto written = write_all(fd, bytes);
  if (::close(fd) != 0 && written.ok()) return os_error(errno);
  return written;
}

// Opens `path` as a file of our own, made just now: whatever has that name
// (a leftover of ours, or a link someone planted) is removed first, and
// the exclusive, no-follow open never writes through a link.
Result<int> create_exclusive(const fs::path& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return os_error(errno);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  return fd;
}

}  // namespace

fs::path replace_extension(const fs::path& path, std::string_view extension) {
  fs::path out = path;
  out.replace_extension(fmt::format(".{}", extension));
  return out;
}

fs::path atomic_temp_path(const fs::path& target, long pid) {
  return replace_extension(target, fmt::format("{}.tmp", pid));
}

namespace {

// `write_atomic` of a file that is no link: the new file gets the old
// one's permission bits, and its owner and group where we may set them,
// so that a private file (a kitty.conf holding a remote control password,
// say) never becomes readable by others. A new file gets the default mode.
Result<void> replace_whole(const fs::path& path, std::string_view bytes) {
  struct stat old;
  const bool existed = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const fs::path temp = atomic_temp_path(path, static_cast<long>(::getpid()));
  auto fd = create_exclusive(temp);
  if (!fd) return fd.error();
  if (existed) {
    if (::fchown(fd.value(), old.st_uid, old.st_gid) != 0) {
      // Not ours to give away (only root may): keep at least the group.
      (void)!::fchown(fd.value(), static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fchmod(fd.value(), old.st_mode & 07777) != 0) {
      const int err = errno;
      ::close(fd.value());
      ::unlink(temp.c_str());
      return os_error(err);
    }
  }
  if (auto written = write_and_close(fd.value(), bytes); !written) {
    ::unlink(temp.c_str());
    return written;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return os_error(err);
  }
  return success();
}

Result<fs::path> final_target_unnamed(const fs::path& path) {
  // Follow the chain of links (as the kernel would, at most 40 of them).
  fs::path target = path;
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) {
      if (errno == ENOENT) return target;
      return os_error(errno);
    }
    if (!S_ISLNK(st.st_mode)) return target;
    if (hops == 40) return os_error(ELOOP);
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) return os_error(ec.value());
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
}

Result<void> create_new_file_unnamed(const fs::path& path) {
  auto fd = create_exclusive(path);
  if (!fd) return fd.error();
  return write_and_close(fd.value(), {});
}

Result<bool> write_new_file_unnamed(const fs::path& path, std::string_view bytes) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return false;
  // Whole or not at all: a file cut short (a full disk, a crash) would
  // never be rewritten, since existing files are kept. The temporary file
  // is linked into place, which, unlike a rename, never replaces an entry
  // that appeared meanwhile.
  const fs::path temp = atomic_temp_path(path, static_cast<long>(::getpid()));
  auto fd = create_exclusive(temp);
  if (!fd) return fd.error();
  auto written = write_and_close(fd.value(), bytes);
  const int linked = written ? ::link(temp.c_str(), path.c_str()) : 0;
  const int link_error = errno;
  ::unlink(temp.c_str());
  if (!written) return written.error();
  if (linked != 0) {
    if (link_error == EEXIST) return false;
    return os_error(link_error);
  }
  return true;
}

Result<std::optional<std::string>> read_file_unnamed(const fs::path& path) {
  // Without blocking: a FIFO put where a file should be must not stall us.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::optional<std::string>{};
    return os_error(errno);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) return os_error(errno);
  if (!S_ISREG(st.st_mode)) return Error{"not a regular file"};
  if (static_cast<std::uint64_t>(st.st_size) > kMaxReadSize) return Error{"file too large"};
  // The size says how much to read; files that do not know theirs (such
  // as those of /proc) are read until their end, within the same bound.
  std::string content(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 65536, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == content.size()) {
      if (st.st_size > 0) break;  // all that fstat promised: no read just to see the end
      if (content.size() > kMaxReadSize) return Error{"file too large"};
      content.resize(content.size() * 2);
    }
    const ssize_t n = ::read(fd, content.data() + filled, content.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  if (filled > kMaxReadSize) return Error{"file too large"};
  content.resize(filled);
  return std::optional<std::string>{std::move(content)};
}

Result<std::string> utf8_content(Result<std::optional<std::string>> read, bool missing_is_empty) {
  if (!read) return read.error();
  if (!read.value()) {
    if (missing_is_empty) return std::string{};
    return os_error(ENOENT);
  }
  if (!is_valid_utf8(*read.value())) return Error{"stream did not contain valid UTF-8"};
  return std::move(*read.value());
}

Result<void> create_dir_all_unnamed(const fs::path& path) {
  if (path.empty()) return success();
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) return os_error(ec.value());
  return success();
}

}  // namespace

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
}

Result<FileLock> lock_file_unnamed(const fs::path& path, std::chrono::milliseconds limit,
                                   const std::function<void(std::chrono::milliseconds)>& sleep) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  FileLock lock(fd);
  constexpr std::chrono::milliseconds kPause{20};
  for (std::chrono::milliseconds waited{0};; waited += kPause) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return lock;
    if (errno != EWOULDBLOCK && errno != EINTR) return os_error(errno);
    if (waited >= limit) return Error{"timed out waiting for the lock"};
    sleep(kPause);
  }
}

namespace {

// Every error of a file operation names its file: "PATH: what went wrong".
template <class T>
Result<T> naming(const fs::path& path, Result<T> result) {
  if (result) return result;
  return Error{fmt::format("{}: {}", lossy_utf8(path.native()), result.error_text())};
}

}  // namespace

Result<void> write_atomic(const fs::path& path, std::string_view bytes) { return naming(path, replace_whole(path, bytes)); }

Result<void> write_atomic_keeping_links(const fs::path& path, std::string_view bytes) {
  auto target = naming(path, final_target_unnamed(path));
  if (!target) return target.error();
  return naming(target.value(), replace_whole(target.value(), bytes));
}

Result<fs::path> final_target(const fs::path& path) { return naming(path, final_target_unnamed(path)); }


Result<void> create_new_file(const fs::path& path) { return naming(path, create_new_file_unnamed(path)); }

Result<bool> write_new_file(const fs::path& path, std::string_view bytes) {
  return naming(path, write_new_file_unnamed(path, bytes));
}

Result<std::optional<std::string>> read_file(const fs::path& path) { return naming(path, read_file_unnamed(path)); }

Result<std::string> read_text(const fs::path& path) { return naming(path, utf8_content(read_file_unnamed(path), false)); }

Result<std::string> read_or_empty(const fs::path& path) { return naming(path, utf8_content(read_file_unnamed(path), true)); }

Result<void> create_dir_all(const fs::path& path) { return naming(path, create_dir_all_unnamed(path)); }

Result<std::string> read_file_start(const fs::path& path, std::size_t count) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return naming(path, Result<std::string>(os_error(errno)));
  struct stat st;
  std::string bytes(count, '\0');
  ssize_t got = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) got = ::pread(fd, bytes.data(), count, 0);
  ::close(fd);
  if (got < 0) return naming(path, Result<std::string>(Error{"not a readable regular file"}));
  bytes.resize(static_cast<std::size_t>(got));
  return bytes;
}

Result<FileLock> lock_file(const fs::path& path, std::chrono::milliseconds limit,
                           const std::function<void(std::chrono::milliseconds)>& sleep) {
  return naming(path, lock_file_unnamed(path, limit, sleep));
}

}  // namespace sys
