#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "activation/plan.hpp"
#include "sys/file_plan.hpp"
#include "sys/process.hpp"
#include "templates/language.hpp"
#include "themes/paths.hpp"

namespace activation {

/// A template's reload command, run once its target changed.
struct TemplateReload {
  std::string name;  ///< the template's source, as the manifest names it
  sys::Command command;
};

/// What the user's templates add to an activation.
struct TemplatePlan {
  /// In order: for each template whose target changes, a copy of a target
  /// tintwell did not write (once), the target, and the record of what was
  /// written there.
  std::vector<sys::FileWrite> writes;
  std::vector<TemplateReload> reloads;
  /// A template left out says why ("template SOURCE:LINE:COLUMN: …",
  /// "template TARGET: …"); a kept copy is named.
  std::vector<std::string> notes;
};

/// The user's templates (morvane/templates.toml beside the themes; none
/// without one) rendered for the theme `name` of `profile`, before anything
/// is written. A template that cannot be rendered, or whose target cannot
/// be written as the check before writing would refuse it, is left out with
/// a note, its target untouched; the others go on. A manifest that cannot
/// be read renders none, with one note.
TemplatePlan plan_templates(const themes::Environment& env, const themes::Locations& where, const std::string& name,
                            const ProfileTexts& profile);

/// What a template is rendered with for the theme `name` of `profile`; an
/// error when the theme has no complete palette.
sys::Result<templates::TemplateValues> template_values_for(const std::string& name, const ProfileTexts& profile);

/// The manifest's templates, each with its target and what rendering it for
/// the theme `name` of `profile` comes to: nothing (it renders) or the
/// error. An error when the manifest cannot be read; nothing without one.
struct TemplateCheck {
  std::string source;
  std::string target;
  std::optional<std::string> error;
};
sys::Result<std::optional<std::vector<TemplateCheck>>> check_templates(const themes::Environment& env,
                                                                       const themes::Locations& where,
                                                                       const std::string& name,
                                                                       const ProfileTexts& profile);

/// The profile texts of any theme the list offers, in memory: a built-in's
/// generated, a profile's read (completed as for an activation), an index
/// theme's from its cached file. Nothing is written or downloaded.
sys::Result<ProfileTexts> theme_texts(const themes::Locations& where, const std::string& name);

/// The time a reload command may take.
inline constexpr std::chrono::seconds kReloadLimit{5};

}  // namespace activation
