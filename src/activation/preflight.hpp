#pragma once

#include <filesystem>

#include "sys/result.hpp"

namespace activation {

/// What an activation reads and writes, for the check made before it
/// writes anything.
struct ActivationFiles {
  std::filesystem::path themes_dir;
  std::filesystem::path config_root;  ///< the user configuration directory
  std::filesystem::path profile_dir;
  std::filesystem::path yazi_dir;     ///< Yazi's configuration directory
  /// Whether Yazi's theme.toml already says what the activation would write
  /// (then it is neither written nor checked).
  bool yazi_theme_unchanged = false;
};

/// Reads and checks everything an activation will read or edit before it
/// writes anything: the profile's files, the baselines still to be taken,
/// the user's kitty.conf, stylesheets, editor settings and btop.conf
/// (readable, text, a managed block that is whole, settings that can be
/// edited), that the current link is not blocked by a real file, and that
/// every directory to be written in is (or can be made) writable. A file
/// whose new text equals its present text is neither written nor refused
/// (dotfile managers keep such files read-only). A
/// problem known in advance thus stops the activation with the desktop
/// untouched, instead of half way. The error names its file.
sys::Result<void> check_before_writing(const ActivationFiles& files);

/// Fails unless files can be created in `dir`: the directory, or the
/// nearest of its ancestors that exists when it is still to be made, must
/// be a writable directory.
sys::Result<void> check_writable_dir(const std::filesystem::path& dir);

}  // namespace activation
