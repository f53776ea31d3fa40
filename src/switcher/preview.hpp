#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "switcher/screen_buffer.hpp"
#include "themes/theme_entry.hpp"

namespace switcher {

/// A piece of preview text in one colour.
struct Segment {
  std::string_view text;
  themes::Colour colour;
};

/// Prints `segments` from (column, row) within `width` characters; a
/// segment that does not fit ends in "…" and the row stops there.
void print_segments(ScreenBuffer& out, std::size_t column, std::size_t row, std::size_t width,
                    const std::vector<Segment>& segments);

/// The seven-row preview of `entry` in its own colours, at (x, y), `width`
/// cells wide. Nothing is drawn for an entry without background or
/// foreground.
void draw_preview(ScreenBuffer& out, const themes::ThemeEntry& entry, std::size_t x, std::size_t y,
                  std::size_t width);

}  // namespace switcher
