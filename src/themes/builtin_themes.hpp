#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "themes/theme_definition.hpp"

namespace themes {

/// One of the themes that ship with the program, so that a fresh install
/// offers themes before any profile exists and without network access.
struct BuiltinTheme {
  std::string_view slug;
  std::string_view background, base, surface, foreground, muted, accent, cursor, selection;
  std::array<std::string_view, 16> colours;
  std::string_view vscode_theme;
  std::vector<std::pair<std::string_view, std::string_view>> vscode_settings;
  /// VS Code extensions that provide `vscode_theme`.
  std::vector<std::string_view> extensions;

  ThemeDefinition definition() const;
};

/// The nine built-in themes, in their fixed order.
std::span<const BuiltinTheme> builtin_themes();

/// The built-in theme with exactly this slug.
const BuiltinTheme* find_builtin_theme(std::string_view slug);

}  // namespace themes
