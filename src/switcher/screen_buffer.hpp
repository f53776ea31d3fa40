#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "themes/colour.hpp"

namespace switcher {

/// Cuts `text` to at most `width` terminal cells (wide characters take
/// two, combining marks none): longer texts keep what fits in width - 1
/// cells and end in "…". Control and bidirectional formatting characters
/// and invalid UTF-8 become U+FFFD first, so the result is safe to print
/// and its width is what is counted.
std::string truncate_to_width(std::string_view text, std::size_t width);
/// `truncate_to_width`, then spaces up to `width` cells.
std::string pad_to_width(std::string_view text, std::size_t width);
/// `text` in lines of at most `width` cells (at least one), broken after a
/// space where a line has one, else where the width ends; made safe as by
/// `truncate_to_width`. Spaces that end a line are dropped.
std::vector<std::string> wrap_to_width(std::string_view text, std::size_t width);

namespace sgr {
inline constexpr std::string_view kReset = "\x1b[0m";
inline constexpr std::string_view kDefaultBackground = "\x1b[49m";
inline constexpr std::string_view kBold = "\x1b[1m";
inline constexpr std::string_view kNormalIntensity = "\x1b[22m";
inline constexpr std::string_view kItalic = "\x1b[3m";
inline constexpr std::string_view kItalicOff = "\x1b[23m";
}  // namespace sgr

/// One frame of terminal output, built whole before it is written.
class ScreenBuffer {
 public:
  explicit ScreenBuffer(std::size_t reserve = 0) { out_.reserve(reserve); }

  /// Cursor to a 0-based (column, row).
  void move_to(std::size_t column, std::size_t row);
  /// A control sequence or other trusted bytes, as they are.
  void raw(std::string_view bytes) { out_ += bytes; }
  /// Text of unknown origin, made safe and cut to `width` cells (and
  /// padded to it with `pad`). Returns the cells written.
  std::size_t text(std::string_view text, std::size_t width, bool pad = false);
  void repeat(std::string_view glyph, std::size_t count);
  void foreground(themes::Colour colour);
  void background(themes::Colour colour);

  const std::string& str() const { return out_; }
  std::string take() { return std::move(out_); }

 private:
  void number(std::size_t value);
  void rgb(std::string_view prefix, themes::Colour colour);
  std::string out_;
};

}  // namespace switcher
