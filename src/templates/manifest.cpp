#include "templates/manifest.hpp"

#include <fmt/format.h>

#include "sys/files.hpp"
#include "sys/text.hpp"
#include "templates/shipped.hpp"
#include "themes/colour.hpp"
#include "toml/syntax.hpp"

namespace templates {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view kBuiltin = "builtin:";

}  // namespace

sys::Result<std::vector<TemplateSpec>> parse_manifest(std::string_view text, std::string_view file) {
  auto tables = tomldoc::read_table_array(text, file, "template");
  if (!tables) return tables.error();
  const auto fail = [&](std::size_t line, std::size_t column, std::string_view message) {
    return sys::Error{fmt::format("{}:{}:{}: {}", file, line, column, message)};
  };
  std::vector<TemplateSpec> specs;
  for (const auto& table : tables.value()) {
    if (specs.size() == kMaxTemplates)
      return fail(table.line, table.column, fmt::format("more than {} templates", kMaxTemplates));
    TemplateSpec spec;
    bool has_source = false, has_target = false;
    for (const auto& [key, value] : table.entries) {
      using Kind = tomldoc::PlainValue::Kind;
      if (key == "source" || key == "target") {
        if (value.kind != Kind::String) return fail(value.line, value.column, fmt::format("{} must be a string", key));
        (key == "source" ? spec.source : spec.target) = value.text;
        (key == "source" ? has_source : has_target) = true;
      } else if (key == "reload") {
        if (value.kind != Kind::StringList || value.items.empty())
          return fail(value.line, value.column, "reload must be a list of strings: the program and its arguments");
        spec.reload = value.items;
      } else {
        return fail(value.line, value.column,
                    fmt::format("unknown key '{}' (a template has source, target and reload)", sys::screen_text(key)));
      }
    }
    if (!has_source) return fail(table.line, table.column, "a template needs a source");
    const ShippedTemplate* shipped = nullptr;
    if (spec.source.starts_with(kBuiltin)) {
      shipped = find_shipped(std::string_view(spec.source).substr(kBuiltin.size()));
      if (!shipped) {
        std::vector<std::string> names;
        for (const auto& t : shipped_templates()) names.emplace_back(t.name);
        std::string message = fmt::format("no shipped template '{}'", sys::screen_text(spec.source));
        if (const auto close = sys::close_names(spec.source.substr(kBuiltin.size()), names); !close.empty())
          message += fmt::format(" (did you mean builtin:{}?)", fmt::join(close, ", builtin:"));
        return fail(table.line, table.column, message);
      }
    }
    if (!has_target) {
      if (!shipped) return fail(table.line, table.column, "a template needs a target (only a shipped one has its own)");
      spec.target = std::string(shipped->target);
    }
    if (!spec.target.starts_with('/') && !spec.target.starts_with("~/"))
      return fail(table.line, table.column,
                  fmt::format("target '{}' must be absolute or start with ~/", sys::screen_text(spec.target)));
    specs.push_back(std::move(spec));
  }
  return specs;
}

sys::Result<TemplateSource> load_source(const TemplateSpec& spec, const fs::path& templates_dir) {
  if (spec.source.starts_with(kBuiltin)) {
    const auto* shipped = find_shipped(std::string_view(spec.source).substr(kBuiltin.size()));
    if (!shipped) return sys::Error{fmt::format("{}: no such shipped template", spec.source)};
    return TemplateSource{spec.source, std::string(shipped->text)};
  }
  const fs::path path = spec.source.starts_with('/') ? fs::path(spec.source) : templates_dir / spec.source;
  auto text = sys::read_file(path);
  if (!text) return text.error();
  if (!text.value()) return sys::Error{fmt::format("{}: No such file or directory (os error 2)", path.string())};
  if (text.value()->size() > kMaxSourceBytes)
    return sys::Error{fmt::format("{}: larger than {} bytes", spec.source, kMaxSourceBytes)};
  if (!sys::is_valid_utf8(*text.value())) return sys::Error{fmt::format("{}: not valid UTF-8", spec.source)};
  return TemplateSource{spec.source, std::move(*text.value())};
}

std::optional<fs::path> target_path(std::string_view target, const std::optional<fs::path>& home) {
  if (target.starts_with('/')) return fs::path(target);
  if (target.starts_with("~/") && home) return *home / target.substr(2);
  return std::nullopt;
}

std::optional<TemplateValues> theme_values(const std::string& name, const themes::Palette& palette,
                                           const std::optional<themes::ThemeDefinition>& definition) {
  if (!definition) return std::nullopt;
  TemplateValues values;
  values.name = name;
  const auto set = [&](std::string_view key, const std::string& text) {
    if (const auto colour = themes::parse_hex_colour(text)) values.colours[std::string(key)] = *colour;
  };
  set("background", definition->background);
  set("foreground", definition->foreground);
  set("cursor", definition->cursor);
  set("base", definition->base);
  set("surface", definition->surface);
  set("muted", definition->muted);
  set("accent", definition->accent);
  set("selection", definition->selection);
  for (std::size_t i = 0; i < 16; ++i) set(fmt::format("color{}", i), definition->colours[i]);
  // What the profile's kitty.conf sets wins.
  const auto take = [&](std::string_view key, const std::optional<themes::Colour>& colour) {
    if (colour) values.colours[std::string(key)] = *colour;
  };
  take("background", palette.background);
  take("foreground", palette.foreground);
  take("cursor", palette.cursor);
  take("selection_background", palette.selection_background);
  take("selection_foreground", palette.selection_foreground);
  for (std::size_t i = 0; i < palette.colours.size() && i < 16; ++i)
    take(fmt::format("color{}", i), palette.colours[i]);
  const auto fallback = [&](std::string_view key, std::string_view from) {
    if (!values.colours.contains(key) && values.colours.contains(from))
      values.colours[std::string(key)] = values.colours.find(from)->second;
  };
  fallback("cursor", "foreground");
  fallback("selection_background", "selection");
  fallback("selection_foreground", "foreground");
  for (const auto colour : kColourNames)
    if (!values.colours.contains(colour)) return std::nullopt;
  values.dark = themes::is_dark_background(values.colours.find("background")->second);
  return values;
}

}  // namespace templates
