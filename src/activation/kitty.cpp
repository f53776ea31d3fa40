#include "activation/kitty.hpp"

#include <errno.h>
#include <sys/stat.h>

#include <fmt/format.h>

#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"
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

sys::Result<std::string> write_kitty_files(const fs::path& profile_dir, const fs::path& active_dir,
                                           const fs::path& baseline) {
  auto profile = sys::read_text(profile_dir / "kitty.conf");
  if (!profile) return profile.error();
  std::string colours = kitty_colour_text(profile.value());
  if (auto written = sys::write_atomic(active_dir / "colors.conf", colours); !written) return written.error();
  auto base = sys::read_or_empty(baseline);
  if (!base) return base.error();
  if (auto written = sys::write_atomic(active_dir / "kitty.conf", active_kitty_conf(base.value(), colours)); !written)
    return written.error();
  return colours;
}

sys::Result<void> ensure_kitty_include(const fs::path& config_root) {
  const fs::path path = config_root / "kitty" / "kitty.conf";
  if (auto made = sys::create_dir_all(path.parent_path()); !made) return made;
  auto text = sys::read_or_empty(path);
  if (!text) return text.error();
  if (has_kitty_include(text.value())) return sys::success();
  // A kitty.conf kept in a dotfiles repository stays a link to it.
  return sys::write_atomic_keeping_links(path, with_kitty_include(text.value()));
}

bool can_recolour_own_window(const themes::Environment& env) {
  return env.kitty_listen_on || (env.kitty_window_id && !env.tmux);
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
