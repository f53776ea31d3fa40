#include "switcher/preview.hpp"

#include <fmt/format.h>

#include "sys/text.hpp"

namespace switcher {

void print_segments(ScreenBuffer& out, std::size_t column, std::size_t row, std::size_t width,
                    const std::vector<Segment>& segments) {
  out.move_to(column, row);
  std::size_t left = width;
  for (const auto& segment : segments) {
    if (left == 0) break;
    out.foreground(segment.colour);
    // A segment that does not fit is cut with "…", and the row ends there.
    const bool fits = sys::screen_width(segment.text, left) <= left;
    left -= out.text(segment.text, left);
    if (!fits) break;
  }
}

void draw_preview(ScreenBuffer& out, const themes::ThemeEntry& entry, std::size_t x, std::size_t y,
                  std::size_t width) {
  if (!entry.background || !entry.foreground) return;
  const themes::Colour fg = *entry.foreground;
  // Role colour k: the palette entry at list position k, else the foreground.
  const auto c = [&](std::size_t k) { return k < entry.colours.size() ? entry.colours[k] : fg; };

  out.background(*entry.background);
  for (std::size_t row = y; row < y + 7; ++row) {
    out.move_to(x, row);
    out.raw(std::string(width, ' '));
  }
  const std::size_t text_x = x + 1;
  const std::size_t text_width = width < 2 ? 0 : width - 2;

  const std::string title = fmt::format("Preview / {}", entry.name);
  out.raw(sgr::kBold);
  print_segments(out, text_x, y, text_width, {{title, fg}});
  out.raw(sgr::kNormalIntensity);
  print_segments(out, text_x, y + 1, text_width,
                 {{"The quick brown fox jumps over the lazy dog. 0123456789", fg}});
  print_segments(out, text_x, y + 2, text_width, {{"// A comment in muted text", c(8)}});
  print_segments(out, text_x, y + 3, text_width,
                 {{"let ", c(5)},
                  {"message", fg},
                  {" = ", fg},
                  {"\"Hello, world!\"", c(2)},
                  {";  ", fg},
                  {"count", c(4)},
                  {" = ", fg},
                  {"42", c(3)},
                  {";", fg}});
  print_segments(out, text_x, y + 4, text_width,
                 {{"Success: ready", c(2)}, {"   ", fg}, {"Warning: check", c(3)}, {"   ", fg},
                  {"Error: missing", c(1)}});
  print_segments(out, text_x, y + 5, text_width,
                 {{"Normal  ", fg}, {"Red  ", c(1)}, {"Green  ", c(2)}, {"Yellow  ", c(3)},
                  {"Blue  ", c(4)}, {"Magenta  ", c(5)}, {"Cyan", c(6)}});
  print_segments(out, text_x, y + 6, text_width,
                 {{"Bright  ", fg}, {"Red  ", c(9)}, {"Green  ", c(10)}, {"Yellow  ", c(11)},
                  {"Blue  ", c(12)}, {"Magenta  ", c(13)}, {"Cyan", c(14)}});
  out.raw(sgr::kReset);
}

}  // namespace switcher
