#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sys/result.hpp"

namespace sys {

/// How a planned file is written.
enum class WriteHow {
  Ours,       ///< a file of the program's own: replaced whole (`write_atomic`)
  Once,       ///< written only while missing (a baseline, a backup), never replaced
  UserFile,   ///< a user's file edited in place of theirs: a link stays one and the
              ///< file it leads to gets the bytes; refused while read-only
  UserSheet,  ///< a user's stylesheet: a link there is replaced by a file of our own
};

/// One file an activation writes: where, its whole new content, and how.
struct FileWrite {
  std::filesystem::path path;
  std::string bytes;
  WriteHow how = WriteHow::Ours;
  /// It already holds these bytes: it is neither written nor refused.
  bool unchanged = false;
  bool operator==(const FileWrite&) const = default;
};

/// A user's file planned from its present text: unchanged when that
/// already is `bytes` and the file exists.
FileWrite user_file(const std::filesystem::path& path, std::string bytes, const std::string& present, bool exists,
                    WriteHow how = WriteHow::UserFile);

/// Fails, naming the file, when `write` could not be made as planned: a link
/// on the way that leads nowhere, a read-only user file that would change,
/// a directory it goes in that is not (and cannot be made) writable. Writes
/// nothing.
Result<void> check_write(const FileWrite& write);

/// Makes `write` (creating its directory first), unless it is unchanged.
Result<void> apply_write(const FileWrite& write);

/// `check_write` for every entry, then `apply_write` for each in order;
/// stops at the first failure.
Result<void> check_writes(const std::vector<FileWrite>& writes);
Result<void> apply_writes(const std::vector<FileWrite>& writes);

}  // namespace sys
