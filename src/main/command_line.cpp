#include "main/command_line.hpp"

#include <algorithm>

#include <fmt/format.h>

namespace switcher {

const std::string_view kUsageText =
    "usage: tintwell [--apply]\n"
    "  (no args)   open the theme/wallpaper switcher\n"
    "  --apply     re-apply the saved wallpaper, then exit (login hook)\n";

Command parse_command_line(const std::vector<std::string>& args) {
  const auto has = [&](std::string_view flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
  };
  if (has("--apply")) return Command::Apply;
  if (has("--help") || has("-h")) return Command::Help;
  if (has("--version")) return Command::Version;
  return Command::Switcher;
}

std::string version_text() { return fmt::format("tintwell {}\n", TINTWELL_VERSION); }

}  // namespace switcher
