#include "yazi/yazi.hpp"

#include <errno.h>
#include <sys/stat.h>

#include <chrono>
#include <utility>

#include <fmt/format.h>

#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/process.hpp"
#include "sys/text.hpp"
#include "themes/palette.hpp"
#include "themes/paths.hpp"
#include "toml/document.hpp"
#include "toml/syntax.hpp"
#include "yazi/flavor_template.hpp"

namespace yazi {
namespace {

namespace fs = std::filesystem;
using tomldoc::Document;
using tomldoc::Path;

void replace_all(std::string& text, std::string_view from, std::string_view to) {
  for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
    text.replace(pos, from.size(), to);
}

// Replaces the colours of one style the user has and the flavor defines.
void merge_style(Document& user, const Document& flavor, const Path& style) {
  const auto attribute = [&](const char* name) {
    Path path = style;
    path.push_back(name);
    return path;
  };
  user.remove(attribute("fg"));
  user.remove(attribute("bg"));
  for (const char* name : {"fg", "bg", "reversed"}) {
    if (auto value = flavor.value_text(attribute(name))) user.set(attribute(name), *value);
  }
}

sys::Result<void> merge_flavor(Document& user, const Document& flavor) {
  for (const auto& section : flavor.keys({})) {
    if (section == "filetype") continue;
    const auto kind = user.kind({section});
    if (kind == Document::Kind::Missing) continue;  // sections the user lacks are never added
    if (kind != Document::Kind::Table) return sys::Error{fmt::format("Yazi [{}] must be a table", section)};
    for (const auto& style : flavor.keys({section})) {
      const Path path{section, style};
      const auto style_kind = user.kind(path);
      if (style_kind == Document::Kind::Missing) continue;
      if (style_kind != Document::Kind::Table)
        return sys::Error{fmt::format("Yazi {}.{} must be a style table", section, style)};
      merge_style(user, flavor, path);
    }
  }
  return sys::success();
}

}  // namespace

std::string yazi_flavor_text(const themes::ThemeDefinition& def) {
  const std::string& bg = def.background;
  const std::string& fg = def.foreground;
  const std::pair<std::string_view, std::string> roles[] = {
      {"@bg@", bg},
      {"@fg@", fg},
      {"@accent@", def.colours[6]},
      {"@red@", def.colours[1]},
      {"@green@", def.colours[2]},
      {"@yellow@", def.colours[3]},
      {"@magenta@", def.colours[5]},
      {"@surface@", themes::mix_hex_percent(bg, fg, 10)},
      {"@selection@", themes::mix_hex_percent(bg, fg, 20)},
      {"@border@", themes::mix_hex_percent(bg, fg, 35)},
      {"@muted@", themes::mix_hex_percent(bg, fg, 60)},
  };
  std::string text(kFlavorTemplate);
  for (const auto& [placeholder, value] : roles) replace_all(text, placeholder, value);
  return text;
}

std::string yazi_tmtheme_text(const themes::ThemeDefinition& def) {
  const std::pair<std::string_view, std::string> rules[] = {
      {"comment", themes::mix_hex_percent(def.background, def.foreground, 60)},
      {"string", def.colours[2]},
      {"constant.numeric, constant.language", def.colours[3]},
      {"keyword, storage", def.colours[5]},
      {"entity.name.function, support.function", def.colours[6]},
      {"entity.name.type, support.type, support.class", def.colours[3]},
      {"variable, entity.other.attribute-name", def.foreground},
      {"entity.name.tag, invalid, markup.deleted", def.colours[1]},
      {"markup.inserted", def.colours[2]},
      {"markup.heading", def.colours[6]},
  };
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<plist version=\"1.0\"><dict>\n"
      "<key>name</key><string>Morvane</string>\n"
      "<key>settings</key><array><dict><key>settings</key><dict>\n";
  out += fmt::format("<key>background</key><string>{}</string>\n", def.background);
  out += fmt::format("<key>foreground</key><string>{}</string>\n", def.foreground);
  out += "</dict></dict>\n";
  for (const auto& [scope, colour] : rules)
    out += fmt::format(
        "<dict><key>scope</key><string>{}</string><key>settings</key><dict><key>foreground</key><string>{}</string>"
        "</dict></dict>\n",
        scope, colour);
  out += "</array></dict></plist>\n";
  return out;
}

sys::Result<std::string> merge_theme_toml(std::string_view user_theme, std::string_view flavor_text) {
  auto parsed = tomldoc::parse_document(user_theme);
  if (!parsed) return parsed.error();
  Document& user = parsed.value();
  const Document flavor = Document::parse(flavor_text);
  if (auto merged = merge_flavor(user, flavor); !merged) return merged.error();
  if (user.kind({"flavor"}) == Document::Kind::Missing) user.add_table({"flavor"});
  if (user.kind({"flavor"}) != Document::Kind::Table) return sys::Error{"Yazi [flavor] must be a table"};
  const std::string name = fmt::format("\"{}\"", themes::kAppName);
  user.set({"flavor", "dark"}, name);
  user.set({"flavor", "light"}, name);
  std::string merged = user.print();
  // The last guard: a text that would not read back is never written.
  if (auto valid = tomldoc::check_syntax(merged); !valid)
    return sys::Error{fmt::format("the merged theme.toml would not be valid TOML: {}", valid.error_text())};
  return merged;
}

sys::Result<PreparedYazi> prepare_yazi_theme(const themes::Locations& where, const fs::path& profile_dir) {
  if (!where.yazi_dir) return sys::Error{"missing configuration directory"};
  auto kitty = sys::read_text(profile_dir / "kitty.conf");
  if (!kitty) return kitty.error();
  return prepare_yazi_theme_from(where, kitty.value());
}

sys::Result<PreparedYazi> prepare_yazi_theme_from(const themes::Locations& where, std::string_view kitty_conf) {
  const auto& config_dir = where.yazi_dir;
  if (!config_dir) return sys::Error{"missing configuration directory"};
  PreparedYazi prepared;
  prepared.config_dir = *config_dir;
  auto original = sys::read_or_empty(prepared.config_dir / "theme.toml");
  if (!original) return original.error();
  prepared.original_theme = std::move(original).value();
  struct stat st;
  prepared.theme_exists = ::lstat((prepared.config_dir / "theme.toml").c_str(), &st) == 0;
  const auto def = themes::definition_from_kitty_conf(kitty_conf);
  if (!def) return sys::Error{"Yazi requires a complete terminal palette"};
  prepared.flavor = yazi_flavor_text(*def);
  auto merged = merge_theme_toml(prepared.original_theme, prepared.flavor);
  if (!merged) return merged.error();
  prepared.merged_theme = std::move(merged).value();
  prepared.tmtheme = yazi_tmtheme_text(*def);
  return prepared;
}

std::vector<sys::FileWrite> yazi_writes(const PreparedYazi& prepared, const fs::path& active_dir) {
  const fs::path flavor_dir = prepared.config_dir / "flavors" / fmt::format("{}.yazi", themes::kAppName);
  // The backup keeps the theme.toml from before the first apply; a
  // theme.toml kept in a dotfiles repository stays a link to it, and one
  // that already says this (read-only, say) is left alone.
  return {
      {prepared.config_dir / "theme.toml.before-tintwell", prepared.original_theme, sys::WriteHow::Once},
      {active_dir / "yazi.toml", prepared.flavor},
      {active_dir / "yazi.tmTheme", prepared.tmtheme},
      {flavor_dir / "flavor.toml", prepared.flavor},
      {flavor_dir / "tmtheme.xml", prepared.tmtheme},
      sys::user_file(prepared.config_dir / "theme.toml", prepared.merged_theme, prepared.original_theme,
                     prepared.theme_exists),
  };
}

sys::Result<std::optional<std::string>> apply_yazi_theme(sys::ProcessRunner& runner, const PreparedYazi& prepared,
                                                         const fs::path& active_dir) {
  if (auto written = sys::apply_writes(yazi_writes(prepared, active_dir)); !written) return written.error();
  return notify_yazi(runner);
}

std::optional<std::string> notify_yazi(sys::ProcessRunner& runner) {
  const std::optional<std::string> note{std::string(kYaziNote)};
  auto outcome = runner.run_for(sys::Command{.program = "ya", .args = {"emit-to", "0", "app:theme"}},
                                std::chrono::seconds(2));
  if (!outcome || !outcome.value() || !outcome.value()->status.success()) return note;
  return std::nullopt;
}

}  // namespace yazi
