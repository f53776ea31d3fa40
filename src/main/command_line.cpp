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

// An argument that is one of our options, which is never taken as the
// value of the option before it: `--theme --list` lacks its name.
bool is_option(std::string_view arg) {
  if (action_named(arg) || arg == "--json" || arg == "--cached") return true;
  for (const auto& action : kActions)
    if (action.takes != Takes::Nothing && arg.starts_with(action.flag) && arg.substr(action.flag.size()).starts_with('='))
      return true;
  return false;
}

CommandLine misuse(std::string text) { return CommandLine{.command = Command::Misuse, .error = std::move(text)}; }

CommandLine parse_action(const std::vector<std::string>& args) {
  const Action* chosen = nullptr;
  std::optional<std::string> value;
  bool json = false;
  bool cached = false;
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
      if (arg == "--json") {
        json = true;
      } else if (arg == "--cached") {
        cached = true;
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
  for (const auto& [given, flag] : {std::pair{json, "--json"}, std::pair{cached, "--cached"}})
    if (given && chosen->command != Command::List) return misuse(fmt::format("{} goes with --list, not {}", flag, chosen->flag));
  return CommandLine{.command = chosen->command, .value = value.value_or(""), .json = json, .cached = cached};
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
