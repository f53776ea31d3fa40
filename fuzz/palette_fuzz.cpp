// The kitty.conf palette reader and the line classifiers must accept any
// bytes: no crash, at most sixteen colours, and consistent line sets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sys/text.hpp"
#include "themes/palette.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto palette = themes::parse_kitty_palette(text);
  if (palette.colours.size() > 16) std::abort();

  const auto lines = sys::split_lines(text);
  for (auto line : lines) {
    (void)themes::is_kitty_colour_line(line);
    (void)themes::is_css_colour_line(line);
  }
  if (!themes::lines_not_in(text, text).empty()) std::abort();
  if (themes::lines_not_in(text, "").size() != lines.size()) std::abort();
  return 0;
}
