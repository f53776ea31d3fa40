#include "sys/files.hpp"

#include <errno.h>
#include <fcntl.h>
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

Result<void> write_new_content(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  auto written = write_all(fd, bytes);
  if (::close(fd) != 0 && written.ok()) return os_error(errno);
  return written;
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

Result<void> write_atomic(const fs::path& path, std::string_view bytes) {
  const fs::path temp = atomic_temp_path(path, static_cast<long>(::getpid()));
  if (auto written = write_new_content(temp, bytes); !written) {
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

Result<void> write_file(const fs::path& path, std::string_view bytes) {
  return write_new_content(path, bytes);
}

Result<bool> write_new_file(const fs::path& path, std::string_view bytes) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    return os_error(errno);
  }
  auto written = write_all(fd, bytes);
  if (::close(fd) != 0 && written.ok()) return os_error(errno);
  if (!written) return written.error();
  return true;
}

Result<std::optional<std::string>> read_file(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::optional<std::string>{};
    return os_error(errno);
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return os_error(err);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return std::optional<std::string>{std::move(content)};
}

namespace {

Result<std::string> utf8_content(Result<std::optional<std::string>> read, bool missing_is_empty) {
  if (!read) return read.error();
  if (!read.value()) {
    if (missing_is_empty) return std::string{};
    return os_error(ENOENT);
  }
  if (!is_valid_utf8(*read.value())) return Error{"stream did not contain valid UTF-8"};
  return std::move(*read.value());
}

}  // namespace

Result<std::string> read_text(const fs::path& path) { return utf8_content(read_file(path), false); }

Result<std::string> read_or_empty(const fs::path& path) { return utf8_content(read_file(path), true); }

Result<void> create_dir_all(const fs::path& path) {
  if (path.empty()) return success();
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) return os_error(ec.value());
  return success();
}

}  // namespace sys
