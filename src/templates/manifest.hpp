#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "templates/language.hpp"
#include "themes/palette.hpp"
#include "themes/theme_definition.hpp"

namespace templates {

/// At most this many templates, and no source larger than this.
inline constexpr std::size_t kMaxTemplates = 256;
inline constexpr std::size_t kMaxSourceBytes = 1024 * 1024;

/// One [[template]] of the manifest.
struct TemplateSpec {
  std::string source;               ///< a file name, an absolute path, or "builtin:NAME"
  std::string target;               ///< absolute, or starting with "~/"
  std::vector<std::string> reload;  ///< run without a shell once the target changed; may be empty
  bool operator==(const TemplateSpec&) const = default;
};

/// The templates of a manifest (templates.toml) named `file`, or the one
/// error that makes it unusable, "FILE:LINE:COLUMN: message": an unknown
/// key, a missing source, a target that is relative (or missing, for a
/// source that is no shipped template), an unknown shipped name, more than
/// `kMaxTemplates`.
sys::Result<std::vector<TemplateSpec>> parse_manifest(std::string_view text, std::string_view file);

/// A template's text and how it is named in errors: the file as given, or
/// "builtin:NAME". A file is looked for in `templates_dir` unless absolute;
/// one larger than `kMaxSourceBytes` is refused.
struct TemplateSource {
  std::string name;
  std::string text;
};
sys::Result<TemplateSource> load_source(const TemplateSpec& spec, const std::filesystem::path& templates_dir);

/// Where a target goes: an absolute path as it is, "~/" on `home`.
std::optional<std::filesystem::path> target_path(std::string_view target,
                                                 const std::optional<std::filesystem::path>& home);

/// The values a theme is rendered with: its kitty.conf palette where it
/// sets a colour, else its definition; the cursor falls back to the
/// foreground, the selection background to the definition's selection and
/// the selection foreground to the foreground. Nothing when the palette
/// gives no definition (it lacks one of the sixteen colours, say).
std::optional<TemplateValues> theme_values(const std::string& name, const themes::Palette& palette,
                                           const std::optional<themes::ThemeDefinition>& definition);

}  // namespace templates
