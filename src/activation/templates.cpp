#include "activation/templates.hpp"

#include <fmt/format.h>
#include <sys/stat.h>

#include "activation/profile.hpp"
#include "sys/files.hpp"
#include "sys/text.hpp"
#include "templates/manifest.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/colour.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"
#include "themes/profile_store.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

// Where what was last written to a target is kept: a name from the target's
// path (FNV-1a), so that the record survives the target's changes.
fs::path record_of(const themes::Locations& where, const fs::path& target) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : target.native()) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return where.active_dir / "templates" / fmt::format("{:016x}", hash);
}

std::optional<std::string> read_if_there(const fs::path& path) {
  auto text = sys::read_file(path);
  if (!text || !text.value()) return std::nullopt;
  return std::move(*text.value());
}

}  // namespace

sys::Result<templates::TemplateValues> template_values_for(const std::string& name, const ProfileTexts& profile) {
  const auto kitty = profile.find("kitty.conf");
  const auto palette = themes::parse_kitty_palette(kitty == profile.end() ? "" : kitty->second);
  std::optional<themes::ThemeDefinition> definition;
  if (const auto* builtin = themes::find_builtin_theme(name)) {
    definition = builtin->definition();
  } else {
    definition = themes::definition_from_palette(name, palette,
                                                 palette.background && themes::is_dark_background(*palette.background));
  }
  auto values = templates::theme_values(name, palette, definition);
  if (!values) return sys::Error{"the theme has no complete palette in its kitty.conf"};
  return std::move(*values);
}

TemplatePlan plan_templates(const themes::Environment& env, const themes::Locations& where, const std::string& name,
                            const ProfileTexts& profile) {
  TemplatePlan plan;
  const fs::path app_dir = where.themes_dir.parent_path();
  const fs::path manifest = app_dir / "templates.toml";
  auto text = sys::read_file(manifest);
  if (text && !text.value()) return plan;  // no manifest, no templates
  if (!text) {
    plan.notes.push_back(fmt::format("templates not rendered: {}", text.error_text()));
    return plan;
  }
  auto specs = templates::parse_manifest(*text.value(), manifest.string());
  if (!specs) {
    plan.notes.push_back(fmt::format("templates not rendered: {}", specs.error_text()));
    return plan;
  }
  if (specs.value().empty()) return plan;
  auto values = template_values_for(name, profile);
  if (!values) {
    plan.notes.push_back(fmt::format("templates not rendered: {}", values.error_text()));
    return plan;
  }
  const auto home = themes::usable_home(env);
  for (const auto& spec : specs.value()) {
    const auto left_out = [&](std::string_view why) { plan.notes.push_back(fmt::format("template {}", why)); };
    auto source = templates::load_source(spec, app_dir / "templates");
    if (!source) {
      left_out(source.error_text());
      continue;
    }
    auto rendered = templates::render_template(source.value().name, source.value().text, values.value());
    if (!rendered) {
      left_out(rendered.error_text());
      continue;
    }
    const auto target = templates::target_path(spec.target, home);
    if (!target) {
      left_out(fmt::format("{}: no home directory to put it in", spec.target));
      continue;
    }
    auto present = sys::read_file(*target);
    if (!present) {
      left_out(present.error_text());
      continue;
    }
    const bool exists = present.value().has_value();
    const std::string now = exists ? *present.value() : std::string();
    sys::FileWrite write = sys::user_file(*target, std::move(rendered).value(), now, exists);
    if (auto checked = sys::check_write(write); !checked) {
      left_out(checked.error_text());
      continue;
    }
    if (write.unchanged) continue;  // a program that watches its file does not reload for nothing
    // A file tintwell did not write there (a mistyped target) is kept once.
    const fs::path record = record_of(where, *target);
    const auto last = read_if_there(record);
    if (exists && last != now) {
      const fs::path copy = target->string() + ".before-tintwell";
      struct stat st;
      if (::lstat(copy.c_str(), &st) != 0) {
        plan.writes.push_back({copy, now, sys::WriteHow::Once});
        plan.notes.push_back(
            fmt::format("kept your {} as {}", sys::lossy_utf8(target->native()), sys::lossy_utf8(copy.native())));
      }
    }
    plan.writes.push_back(write);
    plan.writes.push_back({record, write.bytes});
    if (!spec.reload.empty()) {
      sys::Command command{.program = spec.reload[0],
                           .args = {spec.reload.begin() + 1, spec.reload.end()},
                           .in = sys::Stdio::Null,
                           .out = sys::Stdio::Capture,
                           .err = sys::Stdio::Capture};
      plan.reloads.push_back({spec.source, std::move(command)});
    }
  }
  return plan;
}

sys::Result<std::optional<std::vector<TemplateCheck>>> check_templates(const themes::Environment& env,
                                                                       const themes::Locations& where,
                                                                       const std::string& name,
                                                                       const ProfileTexts& profile) {
  using Checks = std::optional<std::vector<TemplateCheck>>;
  const fs::path app_dir = where.themes_dir.parent_path();
  const fs::path manifest = app_dir / "templates.toml";
  auto text = sys::read_file(manifest);
  if (!text) return text.error();
  if (!text.value()) return Checks{};
  auto specs = templates::parse_manifest(*text.value(), manifest.string());
  if (!specs) return specs.error();
  std::vector<TemplateCheck> checks;
  auto values = template_values_for(name, profile);
  const auto home = themes::usable_home(env);
  for (const auto& spec : specs.value()) {
    TemplateCheck check{spec.source, spec.target, std::nullopt};
    if (const auto target = templates::target_path(spec.target, home)) check.target = target->string();
    auto source = templates::load_source(spec, app_dir / "templates");
    if (!values) {
      check.error = values.error_text();
    } else if (!source) {
      check.error = source.error_text();
    } else if (auto rendered = templates::render_template(source.value().name, source.value().text, values.value());
               !rendered) {
      check.error = rendered.error_text();
    }
    checks.push_back(std::move(check));
  }
  return Checks{std::move(checks)};
}

sys::Result<ProfileTexts> theme_texts(const themes::Locations& where, const std::string& name) {
  const auto from_definition = [](const themes::ThemeDefinition& def) {
    ProfileTexts texts;
    for (auto& [file, content] : profile_files(def)) texts.emplace(file, std::move(content));
    return texts;
  };
  if (const auto* builtin = themes::find_builtin_theme(name)) {
    // A built-in's profile on disk may hold the user's edits.
    if (themes::is_directory(where.themes_dir / name)) {
      if (auto texts = read_profile(where.themes_dir / name, name)) return texts;
    }
    return from_definition(builtin->definition());
  }
  if (themes::is_valid_theme_name(name) && themes::is_directory(where.themes_dir / name))
    return read_profile(where.themes_dir / name, name);
  for (const auto& entry : themes::cached_index(where.cache_dir)) {
    if (entry.name != name) continue;
    const auto palette = themes::cached_theme_palette(where.cache_dir, entry.file);
    if (!palette) return sys::Error{fmt::format("no colours for {}: its theme file is not in the cache", name)};
    const auto def = themes::definition_from_palette(entry.name, *palette, entry.is_dark);
    if (!def) return sys::Error{fmt::format("no colours for {}: its palette is incomplete", name)};
    return from_definition(*def);
  }
  return sys::Error{fmt::format("no theme named \"{}\"", name)};
}

}  // namespace activation
