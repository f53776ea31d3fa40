#include "activation/profile.hpp"

#include <fmt/format.h>

#include "btop/btop.hpp"
#include "sys/files.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/colour.hpp"
#include "themes/profile_store.hpp"
#include "yazi/yazi.hpp"

namespace activation {
namespace {

using themes::ThemeDefinition;

std::string without_leading_hashes(const std::string& colour) {
  return colour.substr(std::min(colour.find_first_not_of('#'), colour.size()));
}

std::string kitty_conf(const ThemeDefinition& def) {
  std::string out = fmt::format(
      "# {}\nbackground {}\nforeground {}\nselection_background {}\nselection_foreground {}\ncursor {}\n"
      "cursor_text_color {}\n\n",
      def.name, def.background, def.foreground, def.selection, def.foreground, def.cursor, def.background);
  for (std::size_t i = 0; i < def.colours.size(); ++i) out += fmt::format("color{} {}\n", i, def.colours[i]);
  return out;
}

std::string hyprland_lua(const ThemeDefinition& def) {
  return fmt::format(
      "-- {} window accents.\n"
      "hl.config({{\n"
      "    general = {{\n"
      "        col = {{\n"
      "            active_border = \"rgba({}aa)\",\n"
      "            inactive_border = \"rgba({}aa)\",\n"
      "        }},\n"
      "    }},\n"
      "}})\n",
      def.name, without_leading_hashes(def.accent), without_leading_hashes(def.colours[0]));
}

std::string gtk_css(const ThemeDefinition& def) {
  const std::pair<const char*, const std::string*> colours[] = {
      {"theme_fg_color", &def.foreground},         {"theme_bg_color", &def.background},
      {"theme_base_color", &def.base},             {"theme_text_color", &def.foreground},
      {"theme_selected_bg_color", &def.accent},    {"theme_selected_fg_color", &def.background},
      {"borders", &def.colours[0]},                {"accent_bg_color", &def.accent},
      {"accent_fg_color", &def.background},        {"window_bg_color", &def.background},
      {"window_fg_color", &def.foreground},        {"view_bg_color", &def.base},
      {"view_fg_color", &def.foreground},
  };
  std::string out;
  for (const auto& [name, value] : colours) out += fmt::format("@define-color {} {};\n", name, *value);
  return out;
}

std::string waybar_css(const ThemeDefinition& def) {
  const auto bg = themes::parse_hex_colour(def.background);
  const std::string channels = bg ? fmt::format("{}, {}, {}", bg->red, bg->green, bg->blue) : "0, 0, 0";
  return fmt::format(
      "window#waybar {{\n"
      "    background: rgba({}, 0.92);\n"
      "    color: {};\n"
      "}}\n"
      "\n"
      "#workspaces button {{\n"
      "    color: {};\n"
      "    background: transparent;\n"
      "}}\n"
      "\n"
      "#workspaces button.active {{\n"
      "    color: {};\n"
      "    background: transparent;\n"
      "}}\n"
      "\n"
      "#workspaces button.urgent {{\n"
      "    color: {};\n"
      "    background: transparent;\n"
      "}}\n"
      "\n"
      "#clock,\n"
      "#pulseaudio,\n"
      "#network,\n"
      "#cpu,\n"
      "#memory,\n"
      "#tray {{\n"
      "    color: {};\n"
      "    background: transparent;\n"
      "}}\n",
      channels, def.accent, def.muted, def.accent, def.colours[1], def.accent);
}

std::string vscode_json(const ThemeDefinition& def) {
  // Written as the values stand, without escaping: the texts are theme names.
  std::vector<std::string> members{fmt::format("  \"workbench.colorTheme\": \"{}\"", def.vscode_theme)};
  for (const auto& [key, value] : def.vscode_settings)
    if (key != "workbench.colorTheme") members.push_back(fmt::format("  \"{}\": \"{}\"", key, value));
  return fmt::format("{{\n{}\n}}\n", fmt::join(members, ",\n"));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> profile_files(const ThemeDefinition& def) {
  return {
      {"kitty.conf", kitty_conf(def)},
      {"hyprland.lua", hyprland_lua(def)},
      {"gtk.css", gtk_css(def)},
      {"btop.theme", btop::btop_theme_text(def)},
      {"yazi.toml", yazi::yazi_flavor_text(def)},
      {"yazi.tmTheme", yazi::yazi_tmtheme_text(def)},
      {"waybar.css", waybar_css(def)},
      {"vscode.json", vscode_json(def)},
  };
}

sys::Result<void> generate_profile(const ThemeDefinition& def, const std::filesystem::path& directory) {
  if (auto made = sys::create_dir_all(directory); !made) return made;
  // Existing entries are left alone, and a dangling link in a profile is
  // never written through.
  for (const auto& [name, content] : profile_files(def))
    if (auto written = sys::write_new_file(directory / name, content); !written) return written.error();
  return sys::success();
}

sys::Result<std::filesystem::path> prepare_profile(const std::filesystem::path& themes_dir,
                                                   const themes::IndexCache& cache, const std::string& name) {
  if (!themes::is_valid_theme_name(name)) return sys::Error{"invalid theme name"};
  const std::filesystem::path profile = themes_dir / name;
  const auto generate = [&](const ThemeDefinition& def) -> sys::Result<std::filesystem::path> {
    if (auto written = generate_profile(def, profile); !written)
      return sys::Error{fmt::format("could not write theme to {}: {}", profile.string(), written.error_text())};
    return profile;
  };
  if (const auto* builtin = themes::find_builtin_theme(name)) return generate(builtin->definition());
  if (themes::is_directory(profile)) {
    // A profile on disk never waits for the network: an index theme's
    // missing files are completed from what the cache holds, if anything.
    for (const auto& entry : themes::cached_index(cache.dir)) {
      if (entry.name != name) continue;
      if (const auto palette = themes::cached_theme_palette(cache.dir, entry.file))
        if (auto def = themes::definition_from_palette(entry.name, *palette, entry.is_dark)) return generate(*def);
      break;
    }
    return profile;
  }
  const auto def = themes::index_theme_definition(cache, name);
  if (def && def.value()) return generate(*def.value());
  // Say why, where the index has the theme but it gives no profile.
  if (!def) return sys::Error{fmt::format("no theme profile for {} ({})", name, def.error_text())};
  return sys::Error{fmt::format("no theme profile for {}", name)};
}

}  // namespace activation
