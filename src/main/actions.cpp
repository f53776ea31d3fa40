#include "main/actions.hpp"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "activation/activate.hpp"
#include "activation/picture_theme.hpp"
#include "activation/templates.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"
#include "templates/shipped.hpp"
#include "themes/builtin_themes.hpp"
#include "themes/colour.hpp"
#include "themes/kitty_index.hpp"
#include "themes/profile_store.hpp"
#include "wallpaper/backends.hpp"
#include "wallpaper/picture_palette.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Every line printed carries text of outside origin (theme names from the
// downloaded index or the disk, other programs' error output): made safe
// for the terminal, as on the Switcher's screen, and kept to one line.
ActionOutcome said(std::string_view line) { return ActionOutcome{.status = 0, .out = sys::screen_text(line) + "\n"}; }
ActionOutcome failed(std::string_view text) {
  return ActionOutcome{.status = 1, .err = fmt::format("{}\n", sys::screen_text(text))};
}

// The list as the Switcher's first frame has it: the cached index as it
// is, no palette read.
std::vector<themes::ThemeEntry> listed_themes(const themes::Locations& where, sys::ProcessRunner& runner) {
  return themes::list_themes(where.themes_dir, {where.cache_dir, runner}, themes::ListMode::Lazy);
}

// The list after one refresh of a missing or stale index (bounded by
// curl's own limit); a failed refresh leaves the rest of the list.
std::vector<themes::ThemeEntry> refreshed_themes(const themes::Locations& where, sys::ProcessRunner& runner) {
  const fs::path& cache = where.cache_dir;
  if (themes::index_is_stale(cache)) (void)themes::refresh_index({cache, runner});
  return listed_themes(where, runner);
}

bool has_name(const std::vector<themes::ThemeEntry>& entries, const std::string& name) {
  return std::any_of(entries.begin(), entries.end(), [&](const auto& entry) { return entry.name == name; });
}

std::vector<std::string> names_of(const std::vector<themes::ThemeEntry>& entries) {
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const auto& entry : entries) names.push_back(entry.name);
  return names;
}

ActionOutcome apply_theme(const themes::Environment& env, const themes::Locations& where, sys::ProcessRunner& runner,
                          const std::string& name) {
  // Built-ins and profiles need no network; only a name that is nowhere
  // yet may wait for a refresh of the index.
  auto entries = listed_themes(where, runner);
  if (!has_name(entries, name)) entries = refreshed_themes(where, runner);
  if (!has_name(entries, name)) {
    std::string text = fmt::format("no theme named \"{}\"", sys::screen_text(name));
    const auto close = sys::close_names(name, names_of(entries));
    if (!close.empty()) {
      std::vector<std::string> quoted;
      for (const auto& candidate : close) quoted.push_back(fmt::format("\"{}\"", sys::screen_text(candidate)));
      text += fmt::format(" (did you mean {}?)", fmt::join(quoted, ", "));
    }
    return failed(text);
  }
  auto outcome = activation::activate_theme(env, where, runner, name);
  if (!outcome) return failed(outcome.error_text());
  return said(outcome.value());
}

ActionOutcome list(const themes::Locations& where, sys::ProcessRunner& runner, bool json, bool cached) {
  // Completion asks for what is on disk: a Tab never waits for the network.
  auto entries = cached ? listed_themes(where, runner) : refreshed_themes(where, runner);
  if (!json) {
    // One name a line, each one `--theme` takes: a name it would refuse,
    // or one holding characters a terminal acts on, no script could use.
    std::string out;
    for (const auto& entry : entries)
      if (themes::is_valid_theme_name(entry.name)) out += entry.name + "\n";
    return ActionOutcome{.status = 0, .out = std::move(out)};
  }
  for (auto& entry : entries) themes::read_palette(entry);  // a profile's darkness is in its colours
  return ActionOutcome{.status = 0,
                       .out = themes_json(entries, themes::active_theme_name(where.themes_dir)) + "\n"};
}

ActionOutcome current(const themes::Locations& where) {
  // What a status bar runs every few seconds: the link and one small file.
  const auto name = themes::active_theme_name(where.themes_dir);
  if (!name) return ActionOutcome{.status = 1};
  return said(*name);
}

// A wallpaper given on the command line: a regular file, named as the
// wallpapers list would show it.
sys::Result<wallpaper::Wallpaper> given_picture(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0)
    return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(path), sys::os_error_text(errno))};
  if (!S_ISREG(st.st_mode)) return sys::Error{fmt::format("{}: not a regular file", sys::lossy_utf8(path))};
  return wallpaper::Wallpaper{sys::lossy_utf8(fs::path(path).filename().native()), path};
}

wallpaper::Variant variant_of(const CommandLine& line) {
  return line.light ? wallpaper::Variant::Light : wallpaper::Variant::Dark;
}

ActionOutcome apply_wallpaper(const themes::Environment& env, const themes::Locations& where,
                              sys::ProcessRunner& runner, const CommandLine& line) {
  auto chosen = given_picture(line.value);
  if (!chosen) return failed(chosen.error_text());
  auto outcome = line.with_theme
                     ? activation::apply_wallpaper_with_theme(env, where, runner, chosen.value(), variant_of(line))
                     : wallpaper::apply_wallpaper(env, runner, chosen.value());
  if (!outcome) return failed(outcome.error_text());
  return said(outcome.value());
}

// The theme a picture gives, printed; nothing is changed.
ActionOutcome print_palette(const CommandLine& line) {
  auto chosen = given_picture(line.value);
  if (!chosen) return failed(chosen.error_text());
  auto palette = wallpaper::wallpaper_palette(chosen.value().path, variant_of(line));
  if (!palette) return failed(palette.error_text());
  return ActionOutcome{.status = 0,
                       .out = line.json ? wallpaper::palette_json(palette.value()) : wallpaper::palette_lines(palette.value())};
}

// The theme templates are checked against by default: the active one,
// else the first built-in.
std::string theme_to_check(const themes::Locations& where, const std::string& given) {
  if (!given.empty()) return given;
  return themes::active_theme_name(where.themes_dir).value_or(std::string(themes::builtin_themes().front().slug));
}

ActionOutcome list_templates(const themes::Environment& env, const themes::Locations& where) {
  const std::string theme = theme_to_check(where, "");
  auto texts = activation::theme_texts(where, theme);
  auto checks = texts ? activation::check_templates(env, where, theme, texts.value())
                      : sys::Result<std::optional<std::vector<activation::TemplateCheck>>>(texts.error());
  std::string out;
  int status = 0;
  if (!checks) {
    out += fmt::format("{}\n", sys::screen_text(checks.error_text()));
    status = 1;
  } else if (!checks.value()) {
    out += fmt::format("no {}\n", sys::screen_text((where.themes_dir.parent_path() / "templates.toml").string()));
  } else {
    for (const auto& check : *checks.value())
      out += fmt::format("{} -> {}: {}\n", sys::screen_text(check.source), sys::screen_text(check.target),
                         check.error ? sys::screen_text(*check.error) : "ok");
  }
  std::vector<std::string_view> names;
  for (const auto& shipped : templates::shipped_templates()) names.push_back(shipped.name);
  out += fmt::format("shipped: {}\n", fmt::join(names, " "));
  return ActionOutcome{.status = status, .out = std::move(out)};
}

ActionOutcome check_templates(const themes::Environment& env, const themes::Locations& where, const std::string& given) {
  const std::string theme = theme_to_check(where, given);
  auto texts = activation::theme_texts(where, theme);
  if (!texts) return failed(texts.error_text());
  auto checks = activation::check_templates(env, where, theme, texts.value());
  if (!checks) return failed(checks.error_text());
  if (!checks.value()) return said(fmt::format("no {}", (where.themes_dir.parent_path() / "templates.toml").string()));
  std::string err;
  for (const auto& check : *checks.value())
    if (check.error) err += sys::screen_text(*check.error) + "\n";
  if (!err.empty()) return ActionOutcome{.status = 1, .err = std::move(err)};
  const std::size_t count = checks.value()->size();
  return said(fmt::format("{} template{} render for {}", count, count == 1 ? "" : "s", theme));
}

ActionOutcome print_template(const std::string& name) {
  if (const auto* shipped = templates::find_shipped(name)) return ActionOutcome{.status = 0, .out = std::string(shipped->text)};
  std::vector<std::string> names;
  for (const auto& shipped : templates::shipped_templates()) names.emplace_back(shipped.name);
  std::string text = fmt::format("no shipped template \"{}\"", sys::screen_text(name));
  if (const auto close = sys::close_names(name, names); !close.empty())
    text += fmt::format(" (did you mean {}?)", fmt::join(close, ", "));
  return failed(text);
}

}  // namespace

std::string themes_json(const std::vector<themes::ThemeEntry>& entries, const std::optional<std::string>& active) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& entry : entries) {
    std::optional<bool> dark = entry.is_dark;
    if (!dark && entry.background) dark = themes::is_dark_background(*entry.background);
    const char* source = entry.source == themes::ThemeSource::Index     ? "index"
                         : entry.source == themes::ThemeSource::Builtin ? "builtin"
                                                                        : "profile";
    list.push_back({{"name", entry.name},
                    {"source", source},
                    {"dark", dark ? nlohmann::ordered_json(*dark) : nlohmann::ordered_json(nullptr)},
                    {"active", active && *active == entry.name}});
  }
  return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

ActionOutcome run_action(const CommandLine& line, const themes::Environment& env, const themes::Locations& where,
                         sys::ProcessRunner& runner) {
  if (line.command == Command::Misuse) return ActionOutcome{.status = 2, .err = fmt::format("tintwell: {}\n", line.error)};
  if (auto located = themes::check_locations(env); !located) return failed(fmt::format("tintwell: {}", located.error_text()));
  switch (line.command) {
    case Command::Theme:
      return apply_theme(env, where, runner, line.value);
    case Command::Wallpaper:
      return apply_wallpaper(env, where, runner, line);
    case Command::Palette:
      return print_palette(line);
    case Command::List:
      return list(where, runner, line.json, line.cached);
    case Command::Current:
      return current(where);
    case Command::Templates:
      return list_templates(env, where);
    case Command::CheckTemplates:
      return check_templates(env, where, line.value);
    case Command::PrintTemplate:
      return print_template(line.value);
    default:
      return ActionOutcome{.status = 2, .err = "tintwell: not an action\n"};
  }
}

}  // namespace cli
