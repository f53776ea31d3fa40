#include "switcher/screen_buffer.hpp"

#include <charconv>

#include "sys/text.hpp"

namespace switcher {
namespace {

constexpr std::string_view kEllipsis = "…";

// Appends `text` made safe and fitted to `width` cells; returns the cells
// used (before padding).
std::size_t append_fitted(std::string& out, std::string_view text, std::size_t width, bool pad) {
  if (width == 0) return 0;
  std::size_t used;
  if (sys::screen_width(text, width) <= width) {
    used = sys::append_screen_text(out, text, width);
  } else {
    used = sys::append_screen_text(out, text, width - 1) + 1;
    out += kEllipsis;
  }
  if (pad && used < width) out.append(width - used, ' ');
  return used;
}

}  // namespace

std::string truncate_to_width(std::string_view text, std::size_t width) {
  std::string out;
  append_fitted(out, text, width, false);
  return out;
}

std::string pad_to_width(std::string_view text, std::size_t width) {
  std::string out;
  append_fitted(out, text, width, true);
  return out;
}

std::vector<std::string> wrap_to_width(std::string_view text, std::size_t width) {
  std::vector<std::string> lines;
  const std::string safe = sys::screen_text(text);
  std::string_view rest = safe;
  width = std::max<std::size_t>(width, 1);
  while (!rest.empty()) {
    // The longest start that fits, then back to its last space.
    std::string line;
    sys::append_screen_text(line, rest, width);
    if (line.empty()) {  // a character wider than the line: taken alone
      std::size_t end = 0;
      char32_t cp;
      sys::next_code_point(rest, end, cp);
      line = std::string(rest.substr(0, end));
    }
    std::size_t taken = line.size();
    if (taken < rest.size() && rest[taken] != ' ') {
      if (const auto space = line.rfind(' '); space != std::string::npos && space > 0) taken = space + 1;
    }
    std::string_view piece = rest.substr(0, taken);
    rest.remove_prefix(taken);
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    while (piece.ends_with(' ')) piece.remove_suffix(1);
    lines.emplace_back(piece);
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

void ScreenBuffer::number(std::size_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out_.append(digits, result.ptr);
}

void ScreenBuffer::move_to(std::size_t column, std::size_t row) {
  out_ += "\x1b[";
  number(row + 1);
  out_ += ';';
  number(column + 1);
  out_ += 'H';
}

std::size_t ScreenBuffer::text(std::string_view text, std::size_t width, bool pad) {
  return append_fitted(out_, text, width, pad);
}

void ScreenBuffer::repeat(std::string_view glyph, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out_ += glyph;
}

void ScreenBuffer::rgb(std::string_view prefix, themes::Colour colour) {
  out_ += prefix;
  number(colour.red);
  out_ += ';';
  number(colour.green);
  out_ += ';';
  number(colour.blue);
  out_ += 'm';
}

void ScreenBuffer::foreground(themes::Colour colour) { rgb("\x1b[38;2;", colour); }

void ScreenBuffer::background(themes::Colour colour) { rgb("\x1b[48;2;", colour); }

}  // namespace switcher
