#pragma once

#include <map>
#include <string>
#include <string_view>

#include "sys/result.hpp"
#include "themes/colour.hpp"

namespace templates {

/// What a template is rendered with: every colour name of a theme, and its
/// name and mode ("dark" or "light").
struct TemplateValues {
  std::map<std::string, themes::Colour, std::less<>> colours;
  std::string name;
  bool dark = true;
};

/// The colour names every theme has values for.
inline constexpr std::string_view kColourNames[] = {"background",
                                                    "foreground",
                                                    "cursor",
                                                    "selection_background",
                                                    "selection_foreground",
                                                    "color0",
                                                    "color1",
                                                    "color2",
                                                    "color3",
                                                    "color4",
                                                    "color5",
                                                    "color6",
                                                    "color7",
                                                    "color8",
                                                    "color9",
                                                    "color10",
                                                    "color11",
                                                    "color12",
                                                    "color13",
                                                    "color14",
                                                    "color15",
                                                    "base",
                                                    "surface",
                                                    "muted",
                                                    "accent",
                                                    "selection"};

/// Deepest nesting of `{% if %}`.
inline constexpr int kMaxNesting = 8;

/// Renders a template: everything outside `{{ … }}` and `{% … %}` as it
/// is (`\{{` and `\{%` write the braces themselves); `{{ NAME | FILTER … }}`
/// a value, through colour filters (lighten(P), darken(P), mix(NAME, P)) and
/// at most one text filter last (hex, strip, rgb, rgba(A), hexa(A),
/// ahex(A), red, green, blue); `{% if dark %}` / `{% if light %}` …
/// `{% else %}` … `{% endif %}`. Linear in the text. An error is one line,
/// "SOURCE:LINE:COLUMN: message", at the `{{` or `{%` that is wrong.
sys::Result<std::string> render_template(std::string_view source, std::string_view text, const TemplateValues& values);

}  // namespace templates
