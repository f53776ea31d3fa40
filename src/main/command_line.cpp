#include "main/command_line.hpp"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

namespace cli {
namespace {

enum class Takes { Nothing, Value, MaybeValue };

struct Action {
  std::string_view flag;
  Command command;
  Takes takes;
  std::string_view value_name = {};
};

constexpr Action kActions[] = {
    {"--theme", Command::Theme, Takes::Value, "theme name"},
    {"--wallpaper", Command::Wallpaper, Takes::Value, "file"},
    {"--palette", Command::Palette, Takes::Value, "file"},
    {"--list", Command::List, Takes::Nothing},
    {"--current", Command::Current, Takes::Nothing},
    {"--templates", Command::Templates, Takes::Nothing},
    {"--check-templates", Command::CheckTemplates, Takes::MaybeValue, "theme name"},
    {"--print-template", Command::PrintTemplate, Takes::Value, "template name"},
};

const Action* action_named(std::string_view arg) {
  for (const auto& action : kActions)
    if (arg == action.flag) return &action;
  return nullptr;
}

// The flags that change an action, and the actions each goes with.
struct Flag {
  std::string_view name;
  bool CommandLine::*field;
  std::string_view goes_with;
};

constexpr Flag kFlags[] = {
    {"--json", &CommandLine::json, "--list or --palette"},
    {"--cached", &CommandLine::cached, "--list"},
    {"--light", &CommandLine::light, "--palette or --wallpaper --with-theme"},
    {"--with-theme", &CommandLine::with_theme, "--wallpaper"},
};

bool flag_fits(std::string_view flag, const CommandLine& line) {
  if (flag == "--json") return line.command == Command::List || line.command == Command::Palette;
  if (flag == "--cached") return line.command == Command::List;
  if (flag == "--light") return line.command == Command::Palette || (line.command == Command::Wallpaper && line.with_theme);
  return line.command == Command::Wallpaper;
}

const Flag* flag_named(std::string_view arg) {
  for (const auto& flag : kFlags)
    if (arg == flag.name) return &flag;
  return nullptr;
}

// An argument that is one of our options, which is never taken as the
// value of the option before it: `--theme --list` lacks its name.
bool is_option(std::string_view arg) {
  if (action_named(arg) || flag_named(arg)) return true;
  for (const auto& action : kActions)
    if (action.takes != Takes::Nothing && arg.starts_with(action.flag) && arg.substr(action.flag.size()).starts_with('='))
      return true;
  return false;
}

CommandLine misuse(std::string text) { return CommandLine{.command = Command::Misuse, .error = std::move(text)}; }

CommandLine parse_action(const std::vector<std::string>& args) {
  const Action* chosen = nullptr;
  std::optional<std::string> value;
  CommandLine line;
  std::vector<const Flag*> flags;
  std::vector<std::string_view> unknown;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const Action* action = action_named(arg);
    std::optional<std::string> inline_value;
    if (!action) {
      for (const auto& candidate : kActions) {
        if (candidate.takes == Takes::Nothing || !arg.starts_with(candidate.flag)) continue;
        if (!arg.substr(candidate.flag.size()).starts_with('=')) continue;
        action = &candidate;
        inline_value = std::string(arg.substr(candidate.flag.size() + 1));
      }
    }
    if (!action) {
      if (const Flag* flag = flag_named(arg)) {
        line.*(flag->field) = true;
        flags.push_back(flag);
      } else {
        unknown.push_back(arg);
      }
      continue;
    }
    if (chosen == action) return misuse(fmt::format("{} is given twice", action->flag));
    if (chosen) return misuse(fmt::format("{} and {} cannot be used together", chosen->flag, action->flag));
    chosen = action;
    if (action->takes == Takes::Nothing) continue;
    if (inline_value) {
      value = std::move(inline_value);
    } else if (i + 1 < args.size() && !is_option(args[i + 1])) {
      value = args[++i];
    }
    if ((!value && action->takes == Takes::Value) || (value && value->empty()))
      return misuse(fmt::format("{} needs a {}", action->flag, action->value_name));
  }
  if (!chosen) return CommandLine{};
  if (!unknown.empty()) return misuse(fmt::format("unknown argument {} with {}", unknown.front(), chosen->flag));
  line.command = chosen->command;
  line.value = value.value_or("");
  for (const Flag* flag : flags)
    if (!flag_fits(flag->name, line))
      return misuse(fmt::format("{} goes with {}, not {}", flag->name, flag->goes_with, chosen->flag));
  return line;
}

}  // namespace

const std::string_view kUsageText =
    "usage: tintwell [--apply]\n"
    "  (no args)   open the theme/wallpaper switcher\n"
    "  --apply     re-apply the saved wallpaper, then exit (login hook)\n";

CommandLine parse_command_line(const std::vector<std::string>& args) {
  const auto has = [&](std::string_view flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
  };
  if (has("--apply")) return CommandLine{.command = Command::Apply};
  if (has("--help") || has("-h")) return CommandLine{.command = Command::Help};
  if (has("--version")) return CommandLine{.command = Command::Version};
  return parse_action(args);
}

std::string version_text() { return fmt::format("tintwell {}\n", TINTWELL_VERSION); }

}  // namespace cli
