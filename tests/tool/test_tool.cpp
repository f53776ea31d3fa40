// Runs single components on files or standard input, so that tests can
// exercise them without the full-screen Switcher.
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "activation/activate.hpp"
#include "activation/desktop.hpp"
#include "activation/profile.hpp"
#include "btop/btop.hpp"
#include "main/environment.hpp"
#include "themes/colour.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"
#include "themes/paths.hpp"
#include "themes/profile_store.hpp"
#include "toml/document.hpp"
#include "wallpaper/backends.hpp"
#include "wallpaper/catalogue.hpp"
#include "toml/syntax.hpp"
#include "vscode/vscode.hpp"
#include "yazi/yazi.hpp"

namespace {

// What every subcommand works in: the environment as given, real programs.
struct Context {
  themes::Environment env = cli::read_environment();
  sys::SystemProcessRunner runner;
  themes::IndexCache cache() { return {themes::index_cache_dir(env), runner}; }
};

Context& context() {
  static Context instance;
  return instance;
}

std::string read_stdin() {
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

int fail(const sys::Error& error) {
  fmt::print(stderr, "{}\n", error.text);
  return 1;
}

// Prints the value (followed by `end`), or the error to standard error.
int report(const sys::Result<std::string>& outcome, std::string_view end = "\n") {
  if (!outcome) return fail(outcome.error());
  fmt::print("{}{}", outcome.value(), end);
  return 0;
}

// Prints the note of a success, if any, or the error.
int report_note(const sys::Result<std::optional<std::string>>& outcome) {
  if (!outcome) return fail(outcome.error());
  if (outcome.value()) fmt::print("{}\n", *outcome.value());
  return 0;
}

std::string colour_or_dash(const std::optional<themes::Colour>& colour) {
  return colour ? themes::format_hex_colour(*colour) : "-";
}

using Args = std::vector<std::string>;

int print_definition(const Args& args) {
  const auto found = themes::index_theme_definition(context().cache(), args[0]);
  const auto def = found ? found.value() : std::nullopt;
  if (!def) return fail(sys::Error{"no definition"});
  fmt::print("name {}\nbackground {}\nbase {}\nsurface {}\nforeground {}\nmuted {}\naccent {}\ncursor {}\nselection {}\n",
             def->name, def->background, def->base, def->surface, def->foreground, def->muted, def->accent, def->cursor,
             def->selection);
  for (std::size_t i = 0; i < def->colours.size(); ++i) fmt::print("color{} {}\n", i, def->colours[i]);
  fmt::print("vscode_theme {}\n", def->vscode_theme);
  return 0;
}

struct Subcommand {
  const char* name;
  std::size_t arguments;
  const char* usage;
  int (*run)(const Args&);
};

const Subcommand kSubcommands[] = {
    {"palette", 0, "palette  < kitty.conf", [](const Args&) {
       const auto p = themes::parse_kitty_palette(read_stdin());
       fmt::print("background {}\nforeground {}\n", colour_or_dash(p.background), colour_or_dash(p.foreground));
       for (const auto& colour : p.colours) fmt::print("{}\n", themes::format_hex_colour(colour));
       return 0;
     }},
    {"paths", 0, "paths", [](const Args&) {
       fmt::print("themes_dir {}\nindex_cache_dir {}\n", themes::themes_dir(context().env).string(),
                  themes::index_cache_dir(context().env).string());
       return 0;
     }},
    {"index", 0, "index", [](const Args&) {
       for (const auto& entry : themes::load_index(context().cache()))
         fmt::print("{}\t{}\t{}\n", entry.name, entry.file, entry.is_dark ? "dark" : "light");
       return 0;
     }},
    {"themes", 0, "themes", [](const Args&) {
       for (const auto& e : themes::list_themes(themes::themes_dir(context().env), context().cache(), themes::ListMode::Complete))
         fmt::print("{}\t{}\t{}\t{}\t{}\n", e.name, colour_or_dash(e.background), colour_or_dash(e.foreground),
                    e.colours.size(), e.index_file.value_or("-"));
       return 0;
     }},
    {"active", 0, "active", [](const Args&) {
       if (auto name = themes::active_theme_name(themes::themes_dir(context().env))) fmt::print("{}\n", *name);
       return 0;
     }},
    {"prepare", 1, "prepare NAME", [](const Args& args) {
       auto path = activation::prepare_profile(themes::themes_dir(context().env), context().cache(), args[0]);
       return path ? report(path.value().string()) : fail(path.error());
     }},
    {"wallpapers", 0, "wallpapers", [](const Args&) {
       for (const auto& w : wallpaper::list_wallpapers(context().env)) fmt::print("{}\n", w.path);
       return 0;
     }},
    {"saved-wallpaper", 0, "saved-wallpaper", [](const Args&) {
       if (auto path = wallpaper::load_saved_wallpaper(context().env)) fmt::print("{}\n", path->string());
       return 0;
     }},
    {"apply-wallpaper", 1, "apply-wallpaper PATH", [](const Args& args) {
       const std::filesystem::path path = args[0];
       auto outcome = wallpaper::apply_wallpaper(context().env, context().runner,
                                                 wallpaper::Wallpaper{path.filename().string(), args[0]});
       fmt::print("{}\n", outcome ? outcome.value() : outcome.error_text());
       return outcome ? 0 : 1;
     }},
    {"definition", 1, "definition NAME", print_definition},
    {"btop-prepare", 1, "btop-prepare DIR", [](const Args& args) { return report(btop::prepare_btop_theme(args[0]), ""); }},
    {"btop-apply", 0, "btop-apply  < theme text", [](const Args&) {
       return report_note(btop::apply_btop_theme(context().runner, themes::locations(context().env, sys::machine_roots()).config_root, read_stdin()));
     }},
    {"toml-roundtrip", 0, "toml-roundtrip  < document", [](const Args&) {
       const std::string text = read_stdin();
       if (auto valid = tomldoc::check_syntax(text); !valid) return fail(valid.error());
       fmt::print("{}", tomldoc::Document::parse(text).print());
       return 0;
     }},
    {"yazi-prepare", 1, "yazi-prepare DIR", [](const Args& args) {
       auto prepared = yazi::prepare_yazi_theme(themes::locations(context().env, sys::machine_roots()), args[0]);
       return prepared ? report(prepared.value().merged_theme, "") : fail(prepared.error());
     }},
    {"yazi-apply", 2, "yazi-apply DIR ACTIVE", [](const Args& args) {
       auto prepared = yazi::prepare_yazi_theme(themes::locations(context().env, sys::machine_roots()), args[0]);
       if (!prepared) return fail(prepared.error());
       return report_note(yazi::apply_yazi_theme(context().runner, prepared.value(), args[1]));
     }},
    {"activate", 1, "activate NAME", [](const Args& args) {
       return report(activation::activate_theme(context().env, themes::locations(context().env, sys::machine_roots()), context().runner, args[0]));
     }},
    {"settings", 1, "settings THEME  < settings.json", [](const Args& args) {
       return report(vscode::set_colour_theme(read_stdin(), args[0]), "");
     }},
    {"css-colours", 0, "css-colours  < stylesheet", [](const Args&) {
       fmt::print("{}", activation::css_colour_text(read_stdin()));
       return 0;
     }},
    {"managed-css", 1, "managed-css PATH  < colour text", [](const Args& args) {
       auto installed = activation::install_managed_css(args[0], read_stdin());
       return installed ? 0 : fail(installed.error());
     }},
};

int usage() {
  std::string text = "usage: test-tool <subcommand>\n";
  for (const auto& sub : kSubcommands) text += fmt::format("  test-tool {}\n", sub.usage);
  fmt::print(stderr, "{}", text);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string name = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& sub : kSubcommands) {
    if (name != sub.name) continue;
    if (args.size() != sub.arguments) return usage();
    return sub.run(args);
  }
  return usage();
}
