#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sys {

/// What a terminal answered to the Switcher's questions at start, taken
/// apart from whatever else came in meanwhile.
struct TerminalReplies {
  /// The colours reported, by the question's number: "4;N" for palette
  /// colour N, "10" the foreground, "11" the background; each as the
  /// terminal wrote it ("rgb:ffff/0000/8080").
  std::map<std::string, std::string> colours{};
  /// The terminal's name and version (XTVERSION), such as "kitty(0.26.5)".
  std::optional<std::string> version{};
  /// The answer to the last question (primary device attributes) came:
  /// every question before it was answered or ignored.
  bool complete = false;
  /// Every byte that is not part of an answer, in order: keys typed meanwhile.
  std::string other{};
};

/// The questions: the terminal's version, its sixteen palette colours,
/// foreground and background, then the device attributes, which every
/// terminal answers and which thus mark the end.
std::string terminal_questions();

/// Takes the answers out of `bytes`. An answer cut short at the end is
/// left in `other`, where the key decoder swallows it.
TerminalReplies split_terminal_replies(std::string_view bytes);

/// A colour in X11's "rgb:R/G/B" form (one to four hexadecimal digits a
/// channel, scaled to 8 bits), or "#rrggbb".
std::optional<std::array<std::uint8_t, 3>> parse_x_colour(std::string_view spec);

}  // namespace sys
