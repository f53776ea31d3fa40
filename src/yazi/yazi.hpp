#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sys/file_plan.hpp"
#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"
#include "themes/theme_definition.hpp"

namespace yazi {

/// Everything preparation found out, handed to `apply_yazi_theme`.
struct PreparedYazi {
  std::filesystem::path config_dir;  ///< the Yazi configuration directory
  std::string original_theme;        ///< theme.toml as it was (empty if missing)
  bool theme_exists = false;         ///< whether there was a theme.toml
  std::string merged_theme;          ///< theme.toml with the flavor's colours
  std::string flavor;                ///< flavor.toml
  std::string tmtheme;               ///< tmtheme.xml
};

/// The flavor file (110 lines) for a definition.
std::string yazi_flavor_text(const themes::ThemeDefinition& def);
/// The TextMate colour scheme (18 lines) for a definition.
std::string yazi_tmtheme_text(const themes::ThemeDefinition& def);

/// The user's theme.toml text with the colours of every style the flavor
/// also defines replaced by the flavor's, and [flavor] selecting
/// "morvane". Everything else keeps its bytes.
sys::Result<std::string> merge_theme_toml(std::string_view user_theme, std::string_view flavor);

/// Reads the user's theme.toml and the profile's palette and computes
/// every text to write, without writing anything.
sys::Result<PreparedYazi> prepare_yazi_theme(const themes::Locations& where, const std::filesystem::path& profile_dir);
/// The same from the text of the profile's kitty.conf.
sys::Result<PreparedYazi> prepare_yazi_theme_from(const themes::Locations& where, std::string_view kitty_conf);

/// The files that install a prepared theme, in order: the backup of the
/// first theme.toml (once), the active directory's copies, the flavor, the
/// merged theme.toml.
std::vector<sys::FileWrite> yazi_writes(const PreparedYazi& prepared, const std::filesystem::path& active_dir);

/// Installs the flavor, backs up the first theme.toml, writes the merged
/// theme.toml and asks running Yazi to reload. May carry a note.
sys::Result<std::optional<std::string>> apply_yazi_theme(sys::ProcessRunner& runner, const PreparedYazi& prepared,
                                                         const std::filesystem::path& active_dir);

/// Tells running Yazi to reload its theme; a note when that did not work.
std::optional<std::string> notify_yazi(sys::ProcessRunner& runner);

inline constexpr std::string_view kYaziNote = "Yazi theme saved; reopen Yazi if its colors have not updated";

}  // namespace yazi
