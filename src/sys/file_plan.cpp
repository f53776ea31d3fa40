#include "sys/file_plan.hpp"

#include <errno.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"

namespace sys {
namespace {

namespace fs = std::filesystem;

Error at(const fs::path& path, std::string_view text) {
  return Error{fmt::format("{}: {}", lossy_utf8(path.native()), text)};
}

// A link on the way to `path` (its last component too, unless
// `including_last` is false) that leads nowhere: nothing is ever created
// through one, so it would stop the activation half way (a dotfile
// repository not cloned yet).
Result<void> check_no_dangling_link(const fs::path& path, bool including_last) {
  fs::path walked;
  const fs::path upto = including_last ? path : path.parent_path();
  for (const auto& part : upto) {
    walked /= part;
    struct stat st;
    if (::lstat(walked.c_str(), &st) != 0) return success();  // missing: made when needed
    if (!S_ISLNK(st.st_mode) || ::stat(walked.c_str(), &st) == 0 || errno != ENOENT) continue;
    std::error_code ec;
    const fs::path target = fs::read_symlink(walked, ec);
    return at(walked, fmt::format("a link to {}, which does not exist", lossy_utf8(target.native())));
  }
  return success();
}

// Why no file can be made in `dir`: the directory, or the nearest of its
// ancestors that exists when it is still to be made, must be a writable
// directory. That entry and the system's reason, or nothing.
struct DirProblem {
  fs::path where;
  std::string why;
};
std::optional<DirProblem> writable_dir_problem(const fs::path& dir) {
  fs::path existing = dir;
  struct stat st;
  while (::stat(existing.c_str(), &st) != 0) {
    // Missing, or below a file: the nearest entry that is there says why.
    if ((errno != ENOENT && errno != ENOTDIR) || !existing.has_relative_path())
      return DirProblem{existing, os_error_text(errno)};
    existing = existing.parent_path();
  }
  if (!S_ISDIR(st.st_mode)) return DirProblem{existing, os_error_text(ENOTDIR)};
  if (::access(existing.c_str(), W_OK | X_OK) != 0) return DirProblem{existing, os_error_text(errno)};
  return std::nullopt;
}

// A user's file whose owner may not write it was made read-only to keep
// tools away, and a rename (which needs only the directory) must not get
// round that.
Result<void> check_not_read_only(const fs::path& path, bool follow) {
  struct stat st;
  const int got = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (got == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
    return at(path, "read-only: make it writable to let tintwell edit it");
  return success();
}

bool entry_exists(const fs::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

FileWrite user_file(const fs::path& path, std::string bytes, const std::string& present, bool exists, WriteHow how) {
  const bool unchanged = exists && bytes == present;
  return FileWrite{path, std::move(bytes), how, unchanged};
}

Result<void> check_write(const FileWrite& write) {
  if (write.unchanged) return success();
  if (write.how == WriteHow::Once && entry_exists(write.path)) return success();
  const bool follows = write.how == WriteHow::UserFile;
  if (auto linked = check_no_dangling_link(write.path, follows); !linked) return linked;
  if (write.how == WriteHow::UserFile || write.how == WriteHow::UserSheet)
    if (auto writable = check_not_read_only(write.path, follows); !writable) return writable;
  if (!follows) {
    if (const auto problem = writable_dir_problem(write.path.parent_path())) return at(problem->where, problem->why);
    return success();
  }
  // Written where a chain of links ends: the new file is made there, and
  // the error names that file (a read-only store, say).
  auto target = final_target(write.path);
  if (!target) return target.error();
  if (const auto problem = writable_dir_problem(target.value().parent_path())) return at(target.value(), problem->why);
  return success();
}

Result<void> apply_write(const FileWrite& write) {
  if (write.unchanged) return success();
  if (write.how == WriteHow::Once && entry_exists(write.path)) return success();
  if (auto made = create_dir_all(write.path.parent_path()); !made) return made;
  if (write.how == WriteHow::UserFile) return write_atomic_keeping_links(write.path, write.bytes);
  return write_atomic(write.path, write.bytes);
}

Result<void> check_writes(const std::vector<FileWrite>& writes) {
  for (const auto& write : writes)
    if (auto checked = check_write(write); !checked) return checked;
  return success();
}

Result<void> apply_writes(const std::vector<FileWrite>& writes) {
  for (const auto& write : writes)
    if (auto applied = apply_write(write); !applied) return applied;
  return success();
}

}  // namespace sys
