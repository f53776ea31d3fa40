#include "themes/palette.hpp"

#include <array>
#include <unordered_set>

#include <fmt/format.h>

#include "sys/text.hpp"

namespace themes {
namespace {

bool is_ascii_digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The number of a "color<N>" key, where N is an optional '+' and ASCII
// digits; nothing for any other key. Values too large for 64 bits
// saturate, which keeps them out of every range the callers accept.
std::optional<unsigned long long> colour_key_number(std::string_view key) {
  if (!key.starts_with("color")) return std::nullopt;
  std::string_view digits = key.substr(5);
  if (digits.starts_with('+')) digits.remove_prefix(1);
  if (!is_ascii_digits(digits)) return std::nullopt;
  unsigned long long value = 0;
  for (char c : digits) {
    const unsigned long long digit = static_cast<unsigned long long>(c - '0');
    if (value > (~0ULL - digit) / 10) return ~0ULL;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

TerminalColours read_terminal_colours(std::string_view text) {
  TerminalColours read;
  for (std::string_view line : sys::split_lines(text)) {
    // Comments are most of a kitty.conf: skip them before anything else.
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    const std::string_view key = sys::first_word(line);
    if (key.empty() || key.starts_with('#')) continue;
    const std::string_view rest = line.substr(static_cast<std::size_t>(key.data() + key.size() - line.data()));
    const auto colour = parse_hex_colour(sys::first_word(rest));
    if (!colour) continue;
    if (key == "background") {
      read.background = colour;
    } else if (key == "foreground") {
      read.foreground = colour;
    } else if (key == "cursor") {
      read.cursor = colour;
    } else if (key == "selection_background") {
      read.selection_background = colour;
    } else if (key == "selection_foreground") {
      read.selection_foreground = colour;
    } else if (auto number = colour_key_number(key); number && *number < 16) {
      read.palette[*number] = colour;
    }
  }
  return read;
}

Palette parse_kitty_palette(std::string_view text) {
  const TerminalColours read = read_terminal_colours(text);
  Palette palette{.colours = {},
                  .background = read.background,
                  .foreground = read.foreground,
                  .cursor = read.cursor,
                  .selection_background = read.selection_background,
                  .selection_foreground = read.selection_foreground};
  for (const auto& slot : read.palette)
    if (slot) palette.colours.push_back(*slot);
  return palette;
}

TerminalColours terminal_colours_of(const Palette& palette) {
  TerminalColours out{.palette = {},
                      .foreground = palette.foreground,
                      .background = palette.background,
                      .cursor = palette.cursor,
                      .selection_background = palette.selection_background,
                      .selection_foreground = palette.selection_foreground};
  for (std::size_t i = 0; i < palette.colours.size() && i < out.palette.size(); ++i) out.palette[i] = palette.colours[i];
  return out;
}

std::string terminal_colour_sequences(const TerminalColours& colours) {
  std::string out;
  const auto add = [&out](std::string_view code, const std::optional<Colour>& colour) {
    if (!colour) return;
    out += "\x1b]";
    out += code;
    out += ';';
    out += format_hex_colour(*colour);
    out += "\x1b\\";
  };
  for (std::size_t i = 0; i < colours.palette.size(); ++i) add(fmt::format("4;{}", i), colours.palette[i]);
  add("10", colours.foreground);
  add("11", colours.background);
  add("12", colours.cursor);
  add("17", colours.selection_background);
  add("19", colours.selection_foreground);
  return out;
}

bool is_kitty_colour_line(std::string_view line) {
  static const std::unordered_set<std::string_view> kColourKeys = {
      "background",          "foreground",           "cursor",
      "cursor_text_color",   "url_color",            "selection_background",
      "selection_foreground", "active_border_color", "inactive_border_color",
      "bell_border_color",   "tab_bar_background",   "active_tab_foreground",
      "active_tab_background", "inactive_tab_foreground", "inactive_tab_background",
  };
  const std::string_view key = sys::first_word(line);
  if (key.empty()) return false;
  if (kColourKeys.contains(key)) return true;
  const auto number = colour_key_number(key);
  return number && *number <= 255;
}

bool is_css_colour_line(std::string_view line) {
  const std::string_view trimmed = sys::trim(line);
  if (trimmed.starts_with("@define-color ")) return true;
  if (!trimmed.empty() && (trimmed.ends_with(',') || trimmed.ends_with('{'))) return true;
  if (trimmed == "}") return true;
  const auto colon = trimmed.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view property = sys::trim(trimmed.substr(0, colon));
  return property == "color" || property == "background" || property == "border-color" ||
         property == "background-color";
}

std::vector<std::string> lines_not_in(std::string_view text, std::string_view other) {
  const auto other_lines = sys::split_lines(other);
  const std::unordered_set<std::string_view> known(other_lines.begin(), other_lines.end());
  std::vector<std::string> kept;
  for (std::string_view line : sys::split_lines(text))
    if (!known.contains(line)) kept.emplace_back(line);
  return kept;
}

}  // namespace themes
