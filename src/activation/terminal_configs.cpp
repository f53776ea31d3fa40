#include "activation/terminal_configs.hpp"

#include <fmt/format.h>
#include <sys/stat.h>

#include <charconv>

#include "sys/files.hpp"
#include "sys/terminals.hpp"
#include "sys/text.hpp"
#include "themes/colour.hpp"
#include "toml/syntax.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "# Colours of the current theme, written by tintwell on every activation.\n";
constexpr std::string_view kFootMarker = "morvane/themes/current/foot.ini";
constexpr std::string_view kAlacrittyMarker = "morvane/themes/current/alacritty.";
constexpr std::string_view kNames[] = {"black", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};

std::string bare(themes::Colour c) { return themes::format_hex_colour(c).substr(1); }
std::string hash(themes::Colour c) { return themes::format_hex_colour(c); }

std::optional<themes::Colour> colour(const themes::Palette& p, std::size_t i) {
  return i < p.colours.size() ? std::optional<themes::Colour>(p.colours[i]) : std::nullopt;
}

bool entry_exists(const fs::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The section a foot.ini line opens ("[colors]" gives "colors"), if any.
std::optional<std::string_view> section_of(std::string_view line) {
  const auto trimmed = sys::trim(line);
  if (!trimmed.starts_with('[') || !trimmed.ends_with(']')) return std::nullopt;
  return sys::trim(trimmed.substr(1, trimmed.size() - 2));
}

bool is_our_foot_include(std::string_view line) {
  const auto trimmed = sys::trim(line);
  return trimmed.starts_with("include") && trimmed.find(kFootMarker) != std::string_view::npos;
}

// The key of an `key=value` line, trimmed.
std::string_view key_of(std::string_view line) {
  const auto equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view{} : sys::trim(line.substr(0, equals));
}

// Each colour alacritty takes, as (group, key, colour), for YAML or TOML.
template <class Entry>
void alacritty_colours(const themes::Palette& p, const Entry& entry) {
  const auto fg = p.foreground, bg = p.background;
  entry("primary", "background", bg);
  entry("primary", "foreground", fg);
  entry("cursor", "text", bg);
  entry("cursor", "cursor", p.cursor ? p.cursor : fg);
  if (p.selection_background && p.selection_foreground) {
    entry("selection", "text", p.selection_foreground);
    entry("selection", "background", p.selection_background);
  }
  for (std::size_t i = 0; i < 8; ++i) entry("normal", kNames[i], colour(p, i));
  for (std::size_t i = 0; i < 8; ++i) entry("bright", kNames[i], colour(p, i + 8));
}

}  // namespace

std::string foot_ini(const themes::Palette& p) {
  std::string out(kHeader);
  out += "[colors]\n";
  const auto set = [&](std::string_view key, const std::optional<themes::Colour>& c) {
    if (c) out += fmt::format("{}={}\n", key, bare(*c));
  };
  set("foreground", p.foreground);
  set("background", p.background);
  for (std::size_t i = 0; i < 8; ++i) set(fmt::format("regular{}", i), colour(p, i));
  for (std::size_t i = 0; i < 8; ++i) set(fmt::format("bright{}", i), colour(p, i + 8));
  // foot takes the selection colours only as a pair.
  if (p.selection_background && p.selection_foreground) {
    set("selection-foreground", p.selection_foreground);
    set("selection-background", p.selection_background);
  }
  const auto cursor = p.cursor ? p.cursor : p.foreground;
  if (p.background && cursor) out += fmt::format("\n[cursor]\ncolor={} {}\n", bare(*p.background), bare(*cursor));
  return out;
}

std::optional<std::string> with_foot_include(std::string_view text, std::string_view include) {
  std::optional<std::string_view> section;
  for (const auto line : sys::split_lines(text)) {
    if (is_our_foot_include(line)) return std::nullopt;
    if (const auto opened = section_of(line)) section = opened;
  }
  std::string out(text);
  if (!out.empty() && !out.ends_with('\n')) out += '\n';
  // foot reads include in [main] alone, and in place: at the end it wins.
  if (section && *section != "main") out += "\n[main]\n";
  out += fmt::format("include={}\n", include);
  return out;
}

std::optional<std::size_t> foot_colours_after_include(std::string_view text) {
  const auto lines = sys::split_lines(text);
  bool after = false;
  std::string_view section = "main";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (is_our_foot_include(lines[i])) {
      after = true;
      continue;
    }
    if (const auto opened = section_of(lines[i])) {
      section = *opened;
      continue;
    }
    const auto trimmed = sys::trim(lines[i]);
    if (!after || trimmed.empty() || trimmed.starts_with('#')) continue;
    const auto key = key_of(trimmed);
    if ((section == "colors" && !key.empty()) || (section == "cursor" && key == "color")) return i + 1;
  }
  return std::nullopt;
}

std::string alacritty_yml(const themes::Palette& p) {
  std::string out(kHeader);
  out += "colors:\n";
  std::string_view group;
  alacritty_colours(p, [&](std::string_view g, std::string_view key, const std::optional<themes::Colour>& c) {
    if (!c) return;
    if (g != group) out += fmt::format("  {}:\n", group = g);
    out += fmt::format("    {}: \"{}\"\n", key, hash(*c));
  });
  return out;
}

std::string alacritty_toml(const themes::Palette& p) {
  std::string out(kHeader);
  std::string_view group;
  alacritty_colours(p, [&](std::string_view g, std::string_view key, const std::optional<themes::Colour>& c) {
    if (!c) return;
    if (g != group) out += fmt::format("{}[colors.{}]\n", group.empty() ? "" : "\n", group = g);
    out += fmt::format("{} = \"{}\"\n", key, hash(*c));
  });
  return out;
}

std::optional<std::array<unsigned, 3>> alacritty_version(std::string_view output) {
  const auto at = output.find("alacritty ");
  if (at == std::string_view::npos) return std::nullopt;
  std::array<unsigned, 3> version{};
  const char* p = output.data() + at + 10;
  const char* end = output.data() + output.size();
  for (std::size_t i = 0; i < 3; ++i) {
    const auto [next, ec] = std::from_chars(p, end, version[i]);
    if (ec != std::errc()) return std::nullopt;
    p = next;
    if (i < 2) {
      if (p == end || *p != '.') return std::nullopt;
      ++p;
    }
  }
  return version;
}

std::optional<std::string> with_yaml_import(std::string_view yml, std::string_view path) {
  if (yml.find(kAlacrittyMarker) != std::string_view::npos) return std::nullopt;
  const std::string item = fmt::format("\"{}\"", path);
  const auto lines = sys::split_lines(yml);
  // Where each line ends, its line feed included.
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; ends.size() < lines.size();) {
    at = std::min(yml.find('\n', at), yml.size() - 1) + 1;
    ends.push_back(at);
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].starts_with("import:")) continue;
    const std::size_t line_start = i == 0 ? 0 : ends[i - 1];
    const auto rest = sys::trim(lines[i].substr(7));
    std::string out(yml);
    if (rest.starts_with('[')) {
      // A flow list: our item goes before its closing bracket.
      const auto open = lines[i].find('['), close = lines[i].rfind(']');
      if (close == std::string_view::npos) return std::nullopt;
      const bool empty = sys::trim(lines[i].substr(open + 1, close - open - 1)).empty();
      out.insert(line_start + close, empty ? item : ", " + item);
      return out;
    }
    if (!rest.empty() && !rest.starts_with('#')) return std::nullopt;  // not a list: left as it is
    // A block list: our item after its last one, indented as they are.
    std::size_t last = i;
    std::string indent = "  ";
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      const auto trimmed = sys::trim(lines[j]);
      if (trimmed.starts_with('-')) {
        last = j;
        indent = std::string(lines[j].substr(0, lines[j].find('-')));
      } else if (!trimmed.empty() && !trimmed.starts_with('#')) {
        break;
      }
    }
    if (!out.ends_with('\n') && ends[last] == out.size()) out += '\n';
    out.insert(std::min(ends[last] + (ends[last] == yml.size() && !yml.ends_with('\n') ? 1 : 0), out.size()),
               fmt::format("{}- {}\n", indent, item));
    return out;
  }
  return fmt::format("import:\n  - {}\n{}", item, yml);
}

sys::Result<std::optional<std::string>> with_toml_import(std::string_view toml, std::string_view path, bool general) {
  auto doc = tomldoc::parse_document(toml);
  if (!doc) return doc.error();
  if (toml.find(kAlacrittyMarker) != std::string_view::npos) return std::optional<std::string>{};
  const tomldoc::Path key = general ? tomldoc::Path{"general", "import"} : tomldoc::Path{"import"};
  const std::string item = fmt::format("\"{}\"", path);
  std::string raw = fmt::format("[{}]", item);
  if (const auto present = doc.value().value_text(key)) {
    const auto close = present->rfind(']');
    if (!present->starts_with('[') || close == std::string::npos) return sys::Error{"import must be a list of files"};
    const auto last = present->find_last_not_of(" \t\r\n", close - 1);
    raw = *present;
    const bool empty = last == 0, comma = (*present)[last] == ',';
    raw.insert(close, empty ? item : comma ? " " + item : ", " + item);
  }
  doc.value().set(key, raw);
  return std::optional<std::string>{doc.value().print()};
}

bool alacritty_sets_colours(std::string_view text, bool toml) {
  if (toml) {
    auto doc = tomldoc::parse_document(text);
    return doc && doc.value().kind({"colors"}) != tomldoc::Document::Kind::Missing;
  }
  for (const auto line : sys::split_lines(text))
    if (line.starts_with("colors:")) return true;
  return false;
}

TerminalApps find_terminal_apps(const themes::Environment& env, const themes::Locations& where,
                                sys::ProcessRunner& runner) {
  TerminalApps apps;
  if (!where.config_root || themes::skips(env, "terminals")) return apps;
  const fs::path& root = *where.config_root;
  apps.foot = sys::is_on_path(env.path, "foot") || entry_exists(root / "foot" / "foot.ini");
  if (apps.foot) {
    // A server's windows read the configuration it started with.
    for (const auto& process : sys::processes_named(where.system.proc, env.uid, "foot"))
      for (const auto& arg : process)
        if (arg == "--server" || arg == "-s" || arg.starts_with("--server=")) apps.foot_server = true;
  }
  const bool on_path = sys::is_on_path(env.path, "alacritty");
  apps.alacritty = on_path || entry_exists(root / "alacritty" / "alacritty.yml") ||
                   entry_exists(root / "alacritty" / "alacritty.toml");
  if (on_path) {
    auto done = runner.run_for(sys::Command{.program = "alacritty", .args = {"--version"}, .out = sys::Stdio::Capture},
                               std::chrono::seconds(2));
    if (done && done.value() && done.value()->status.success())
      apps.alacritty_version = alacritty_version(done.value()->out);
  }
  return apps;
}

sys::Result<TerminalConfigPlan> plan_terminal_configs(const themes::Locations& where, const TerminalApps& apps,
                                                      std::string_view colour_text) {
  TerminalConfigPlan plan;
  if (!where.config_root || (!apps.foot && !apps.alacritty)) return plan;
  const fs::path& root = *where.config_root;
  const fs::path current = where.themes_dir / "current";
  const auto palette = themes::parse_kitty_palette(colour_text);
  const auto user_file = [](const fs::path& path) -> sys::Result<std::optional<std::string>> {
    auto text = sys::read_file(path);
    if (!text) return text.error();
    if (text.value() && !sys::is_valid_utf8(*text.value()))
      return sys::Error{fmt::format("{}: stream did not contain valid UTF-8", path.string())};
    return std::move(text).value();
  };
  if (apps.foot) {
    plan.active.push_back({where.active_dir / "foot.ini", foot_ini(palette)});
    const fs::path conf = root / "foot" / "foot.ini";
    auto text = user_file(conf);
    if (!text) return text.error();
    const std::string present = text.value().value_or("");
    const auto edited = with_foot_include(present, (current / "foot.ini").string());
    if (edited) plan.user.push_back({conf, *edited, sys::WriteHow::UserFile});
    if (const auto line = foot_colours_after_include(edited.value_or(present)))
      plan.notes.push_back(fmt::format("foot.ini sets its own colours: new foot windows keep them ({} line {})",
                                       sys::lossy_utf8(conf.native()), *line));
    if (apps.foot_server) plan.notes.push_back("foot server: new windows keep the old colours until it restarts");
  }
  if (apps.alacritty) {
    const fs::path yml = root / "alacritty" / "alacritty.yml", toml = root / "alacritty" / "alacritty.toml";
    const auto& version = apps.alacritty_version;
    // The format of the user's own file, else of the version: a new
    // alacritty.toml beside an alacritty.yml would hide it from 0.13 on.
    const bool use_toml = entry_exists(toml) ||
                          (!entry_exists(yml) && version && (*version)[0] == 0 && (*version)[1] >= 13) ||
                          (!entry_exists(yml) && version && (*version)[0] > 0);
    const fs::path conf = use_toml ? toml : yml;
    const fs::path theme = current / (use_toml ? "alacritty.toml" : "alacritty.yml");
    plan.active.push_back(
        {where.active_dir / theme.filename(), use_toml ? alacritty_toml(palette) : alacritty_yml(palette)});
    auto text = user_file(conf);
    if (!text) return text.error();
    const std::string present = text.value().value_or("");
    std::optional<std::string> edited;
    if (use_toml) {
      const bool general = !version || (*version)[0] > 0 || (*version)[1] >= 14;
      auto imported = with_toml_import(present, theme.string(), general);
      if (!imported) return sys::Error{fmt::format("{}: {}", conf.string(), imported.error_text())};
      edited = std::move(imported).value();
    } else {
      edited = with_yaml_import(present, theme.string());
    }
    if (edited) plan.user.push_back({conf, *edited, sys::WriteHow::UserFile});
    if (alacritty_sets_colours(present, use_toml))
      plan.notes.push_back(
          fmt::format("{} sets its own colours: new alacritty windows keep them", sys::lossy_utf8(conf.native())));
  }
  return plan;
}

}  // namespace activation
