#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "themes/paths.hpp"

namespace activation {

/// Reads a file for the check below; nothing when it cannot be read.
using ReadFileFn = std::function<std::optional<std::string>(const std::filesystem::path&)>;

/// What tells one file from another: two names of the same file (through
/// links to directories, say) give the same key.
using FileKeyFn = std::function<std::string(const std::filesystem::path&)>;

/// A file's device and inode, or its lexically normal path when it has none.
std::string file_key(const std::filesystem::path& path);

/// Where kitty, reading the user's configuration, sets colours again after
/// our include line, so that new windows would not show the theme: a
/// colour line below the include, one in a file included below it
/// (followed as kitty does: relative to the including file, `~` expanded,
/// at most a few levels deep, each file once (by `key`, so that
/// directory links that loop keep the walk linear); includes naming environment
/// variables, globinclude, envinclude and geninclude are not followed), or
/// one of kitty's automatic theme files beside kitty.conf, which win over
/// everything. Returns the note for the outcome line, or nothing.
std::optional<std::string> kitty_colour_override(const std::filesystem::path& kitty_dir, std::string_view kitty_conf,
                                                 const std::optional<std::filesystem::path>& home,
                                                 const ReadFileFn& read, const FileKeyFn& key = file_key);

/// The same for the user's kitty configuration on disk.
std::optional<std::string> kitty_colour_override_note(const themes::Environment& env,
                                                      const std::filesystem::path& config_root);

}  // namespace activation
