#include "activation/kitty.hpp"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "sys/file_plan.hpp"
#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"
#include "themes/colour.hpp"
#include "themes/palette.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kIncludeMarker = "morvane/themes/current/kitty.conf";
constexpr std::string_view kIncludeBlock =
    "\n# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n";

}  // namespace

std::string kitty_colour_text(std::string_view kitty_conf) {
  std::string out;
  for (const auto line : sys::split_lines(kitty_conf)) {
    if (!themes::is_kitty_colour_line(line)) continue;
    out += line;
    out += '\n';
  }
  return out.empty() ? "\n" : out;
}

std::string active_kitty_conf(std::string_view baseline, std::string_view colour_text) {
  const auto kept = themes::lines_not_in(baseline, kitty_colour_text(baseline));
  return fmt::format("{}\n{}", fmt::join(kept, "\n"), colour_text);
}

bool has_kitty_include(std::string_view kitty_conf) {
  for (const auto line : sys::split_lines(kitty_conf)) {
    const auto trimmed = sys::trim(line);
    if (trimmed.starts_with("include ") && trimmed.find(kIncludeMarker) != std::string_view::npos) return true;
  }
  return false;
}

std::string with_kitty_include(std::string_view kitty_conf) { return std::string(kitty_conf) + std::string(kIncludeBlock); }

sys::Result<void> ensure_kitty_include(const fs::path& config_root) {
  const fs::path path = config_root / "kitty" / "kitty.conf";
  if (auto made = sys::create_dir_all(path.parent_path()); !made) return made;
  auto text = sys::read_or_empty(path);
  if (!text) return text.error();
  if (has_kitty_include(text.value())) return sys::success();
  // A kitty.conf kept in a dotfiles repository stays a link to it.
  return sys::apply_write({path, with_kitty_include(text.value()), sys::WriteHow::UserFile});
}

bool runs_in_kitty(const themes::Environment& env) {
  return env.term == "xterm-kitty" && env.kitty_window_id && !env.kitty_window_id->empty() && !env.tmux;
}

bool can_recolour_own_window(const themes::Environment& env) {
  return (env.kitty_listen_on && env.kitty_listen_on->starts_with("unix:")) || runs_in_kitty(env);
}

std::string kitty_set_colors_message(std::string_view colour_text) {
  // Colours as kitty's own client sends them: 24-bit integers, null for
  // the settings that may be "none".
  static constexpr std::string_view kNullable[] = {"active_border_color", "cursor",           "cursor_text_color",
                                                   "selection_background", "selection_foreground",
                                                   "tab_bar_background", "tab_bar_margin_color", "visual_bell_color"};
  nlohmann::ordered_json colours = nlohmann::ordered_json::object();
  for (const auto line : sys::split_lines(colour_text)) {
    if (!themes::is_kitty_colour_line(line)) continue;
    const auto words = sys::split_whitespace(line);
    if (words.size() < 2) continue;
    const std::string key(words[0]);
    if (const auto colour = themes::parse_hex_colour(words[1])) {
      colours[key] = (colour->red << 16) | (colour->green << 8) | colour->blue;
    } else if (words[1] == "none" && std::find(std::begin(kNullable), std::end(kNullable), words[0]) != std::end(kNullable)) {
      colours[key] = nullptr;
    }
  }
  const nlohmann::ordered_json command = {
      {"cmd", "set-colors"},
      {"version", {0, 20, 0}},
      {"no_response", false},
      {"payload",
       {{"match_window", nullptr}, {"match_tab", nullptr}, {"all", true}, {"configured", true}, {"colors", colours},
        {"reset", false}}},
  };
  return "\x1bP@kitty-cmd" + command.dump() + "\x1b\\";
}

sys::Result<void> kitty_reply(std::string_view answer) {
  constexpr std::string_view kStart = "\x1bP@kitty-cmd";
  const auto start = answer.find(kStart);
  const auto end = start == std::string_view::npos ? start : answer.find("\x1b\\", start);
  if (end == std::string_view::npos) return sys::Error{"kitty gave no answer"};
  const auto body = answer.substr(start + kStart.size(), end - start - kStart.size());
  const auto reply = nlohmann::json::parse(body, nullptr, false);
  if (!reply.is_object() || !reply.contains("ok") || !reply["ok"].is_boolean()) return sys::Error{"kitty gave no answer"};
  if (reply["ok"].get<bool>()) return sys::success();
  const auto error = reply.contains("error") && reply["error"].is_string() ? reply["error"].get<std::string>() : "";
  return sys::Error{fmt::format("kitty: {}", sys::trim(sys::lossy_utf8(error)))};
}

std::optional<sys::Command> own_window_command(const themes::Environment& env, const fs::path& colors) {
  // A `kitty @` call takes about half a second (kitty's own start-up); one
  // that gets no answer from the terminal would wait about eleven.
  if (!can_recolour_own_window(env)) return std::nullopt;
  return sys::Command{.program = "kitty", .args = {"@", "set-colors", "--all", "--configured", colors.string()}};
}

sys::Command kitty_at_socket_command(const std::string& socket, const fs::path& colors) {
  return sys::Command{
      .program = "kitty",
      .args = {"@", fmt::format("--to=unix:{}", socket), "set-colors", "--all", "--configured", colors.string()},
      .err = sys::Stdio::Capture};
}

sys::Result<std::optional<sys::Command>> launcher_command(const themes::Locations& where, unsigned uid,
                                                          const fs::path& colors) {
  const fs::path& socket = where.launcher_socket;
  struct stat st;
  if (::stat(socket.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::optional<sys::Command>{};  // no launcher running
    return sys::os_error(errno);
  }
  // Anyone can plant a socket in /tmp; ours are only sent to the user's.
  if (socket.parent_path() == "/tmp" && st.st_uid != uid) return std::optional<sys::Command>{};
  return std::optional<sys::Command>{kitty_at_socket_command(socket.string(), colors)};
}

sys::Result<void> kitty_answer(const sys::Result<std::optional<sys::Output>>& done) {
  if (!done) return done.error();
  if (!done.value())
    return sys::Error{fmt::format("kitty did not answer within {} s", kRemoteControlLimit.count())};
  const sys::Output& output = *done.value();
  if (output.status.success()) return sys::success();
  return sys::Error{fmt::format("Kitty exited with {}: {}", output.status.text(), sys::trim(sys::lossy_utf8(output.err)))};
}

}  // namespace activation
