#include "activation/desktop.hpp"

#include <sys/stat.h>

#include <fmt/format.h>

#include "sys/file_plan.hpp"
#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"
#include "themes/palette.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

bool is_border_colour(std::string_view value) {
  if (value.size() != 14 || !value.starts_with("rgba(") || !value.ends_with(')')) return false;
  for (char c : value.substr(5, 8))
    if (sys::hex_digit(c) < 0) return false;
  return true;
}

std::string_view strip_leading(std::string_view text, char c) {
  while (text.starts_with(c)) text.remove_prefix(1);
  return text;
}

std::string_view strip_trailing(std::string_view text, char c) {
  while (text.ends_with(c)) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string without_css_comments(std::string_view css) {
  std::string out;
  out.reserve(css.size());
  char quote = 0;  // inside a string: its quote; a comment there is text
  for (std::size_t i = 0; i < css.size(); ++i) {
    const char c = css[i];
    if (quote) {
      if (c == '\\' && i + 1 < css.size() && css[i + 1] != '\n') {
        out += c;
        out += css[++i];
        continue;
      }
      if (c == quote || c == '\n') quote = 0;  // a line end also ends a broken string
      out += c;
    } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
      // Up to the end of the comment, or of the text; its line ends stay.
      const auto end = css.find("*/", i + 2);
      const std::size_t stop = end == std::string_view::npos ? css.size() : end + 2;
      for (std::size_t j = i; j < stop; ++j) {
        if (css[j] != '\n') continue;
        if (j > i && css[j - 1] == '\r') out += '\r';
        out += '\n';
      }
      i = stop - 1;
    } else {
      if (c == '"' || c == '\'') quote = c;
      out += c;
    }
  }
  return out;
}

std::string css_colour_text(std::string_view stylesheet) {
  std::string out;
  const std::string text = without_css_comments(stylesheet);
  for (const auto line : sys::split_lines(text)) {
    if (!themes::is_css_colour_line(line)) continue;
    // A marker inside the block (in a string, say) would end it early.
    if (line.find(kCssBegin) != std::string_view::npos || line.find(kCssEnd) != std::string_view::npos) continue;
    out += line;
    out += '\n';
  }
  return out.empty() ? "\n" : out;
}

std::size_t find_marker_line(std::string_view text, std::string_view marker, std::size_t from) {
  for (std::size_t start = from; start < text.size();) {
    const std::size_t stop = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, stop - start);
    const std::size_t first = line.find_first_not_of(" \t\r\f\v");
    if (first != std::string_view::npos && line.substr(first).starts_with(marker) &&
        line.find_first_not_of(" \t\r\f\v", first + marker.size()) == std::string_view::npos)
      return start + first;
    start = stop + 1;
  }
  return std::string_view::npos;
}

sys::Result<std::string> with_managed_css(std::string_view stylesheet, std::string_view css) {
  const std::string block = fmt::format("{}\n{}{}", kCssBegin, css, kCssEnd);
  // A marker counts only alone on its line, as it is written: the same
  // text inside a string or a comment of the user's is the user's.
  const auto begin = find_marker_line(stylesheet, kCssBegin, 0);
  if (begin == std::string_view::npos) return fmt::format("{}\n{}\n", stylesheet, block);
  const auto end = find_marker_line(stylesheet, kCssEnd, begin + kCssBegin.size());
  if (end == std::string_view::npos) return sys::Error{"unfinished tintwell CSS block"};
  return fmt::format("{}{}{}", stylesheet.substr(0, begin), block, stylesheet.substr(end + kCssEnd.size()));
}

sys::Result<StylesheetStart> managed_css_start(const fs::path& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // The linked stylesheet (often a theme's, outside the user's files)
    // stays in effect through an import; it is never written.
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) return sys::os_error(ec.value());
    return StylesheetStart{fmt::format("@import url({});\n", sys::json_string_literal(sys::lossy_utf8(target.native())))};
  }
  auto read = sys::read_or_empty(path);
  if (!read) return read.error();
  return StylesheetStart{std::move(read).value(), ::lstat(path.c_str(), &st) == 0};
}

sys::Result<void> install_managed_css(const fs::path& path, std::string_view css) {
  auto start = managed_css_start(path);
  if (!start) return start.error();
  auto edited = with_managed_css(start.value().text, css);
  if (!edited) return edited.error();
  // A stylesheet that already holds this block is left alone (read-only, say).
  return sys::apply_write(
      sys::user_file(path, std::move(edited).value(), start.value().text, start.value().is_file, sys::WriteHow::UserSheet));
}

std::string border_colour(std::string_view hyprland_lua, std::string_view key, std::string_view fallback) {
  for (const auto line : sys::split_lines(hyprland_lua)) {
    const auto trimmed = sys::trim(line);
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos || sys::trim(trimmed.substr(0, equals)) != key) continue;
    auto value = sys::trim(strip_trailing(sys::trim(trimmed.substr(equals + 1)), ','));
    value = strip_trailing(strip_leading(value, '"'), '"');
    if (is_border_colour(value)) return std::string(value);
  }
  return std::string(fallback);
}

std::string fallback_border(const std::vector<themes::Colour>& colours, std::size_t index) {
  if (index >= colours.size()) return "rgba(808080aa)";
  return fmt::format("rgba({}aa)", themes::format_hex_colour(colours[index]).substr(1));
}

std::string lua_quote(std::string_view text) {
  std::string out = "\"";
  for (const unsigned char byte : sys::lossy_utf8(text)) out += fmt::format("\\{:03}", byte);
  return out + "\"";
}

std::string active_hyprland_lua(const fs::path& baseline, std::string_view active, std::string_view inactive) {
  return fmt::format(
      "dofile({})\nhl.config({{ general = {{ col = {{ active_border = \"{}\", inactive_border = \"{}\" }} }} }})\n",
      lua_quote(baseline.native()), active, inactive);
}

std::optional<sys::Command> hyprland_reload_command(const themes::Environment& env) {
  if (!env.hyprland_instance_signature) return std::nullopt;
  return sys::Command{.program = "hyprctl", .args = {"reload"}};
}

}  // namespace activation
