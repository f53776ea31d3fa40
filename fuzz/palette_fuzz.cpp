// The kitty.conf palette reader and the line classifiers must accept any
// bytes: no crash, at most sixteen colours, and consistent line sets. The
// escape sequences made from any kitty.conf hold only the sequences' own
// bytes and colour text, never a byte of the input that could reach a
// terminal as a control.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sys/text.hpp"
#include "themes/palette.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto palette = themes::parse_kitty_palette(text);
  if (palette.colours.size() > 16) std::abort();
  const std::string sequences = themes::terminal_colour_sequences(themes::read_terminal_colours(text));
  for (const char c : sequences)
    if (c != '\x18' && c != '\x1b' && c != '\\' && c != ']' && c != ';' && c != '#' && !(c >= '0' && c <= '9') &&
        !(c >= 'a' && c <= 'f'))
      std::abort();

  const auto lines = sys::split_lines(text);
  for (auto line : lines) {
    (void)themes::is_kitty_colour_line(line);
    (void)themes::is_css_colour_line(line);
  }
  if (!themes::lines_not_in(text, text).empty()) std::abort();
  if (themes::lines_not_in(text, "").size() != lines.size()) std::abort();
  return 0;
}
