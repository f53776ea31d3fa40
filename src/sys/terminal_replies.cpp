#include "sys/terminal_replies.hpp"

#include <fmt/format.h>

#include "sys/text.hpp"

namespace sys {
namespace {

void take_osc(TerminalReplies& replies, std::string_view body) {
  // "4;N;SPEC", "10;SPEC", "11;SPEC"; a "?" is our own question echoed.
  const auto first = body.find(';');
  if (first == std::string_view::npos) return;
  std::string key(body.substr(0, first));
  std::string_view spec = body.substr(first + 1);
  if (key == "4") {
    const auto second = spec.find(';');
    if (second == std::string_view::npos) return;
    key += ";" + std::string(spec.substr(0, second));
    spec = spec.substr(second + 1);
  } else if (key != "10" && key != "11") {
    return;
  }
  if (spec != "?") replies.colours[key] = std::string(spec);
}

}  // namespace

std::string terminal_questions() {
  std::string out = "\x1b[>q";
  for (int i = 0; i < 16; ++i) out += fmt::format("\x1b]4;{};?\x1b\\", i);
  out += "\x1b]10;?\x1b\\\x1b]11;?\x1b\\\x1b[c";
  return out;
}

TerminalReplies split_terminal_replies(std::string_view bytes) {
  TerminalReplies replies;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != '\x1b' || i + 1 >= bytes.size()) {
      replies.other += bytes[i++];
      continue;
    }
    const char kind = bytes[i + 1];
    if (kind == ']' || kind == 'P') {
      // A string ended by ST (or, for OSC, BEL); one cut short waits for
      // the key decoder, one broken off by another ESC is dropped.
      std::size_t j = i + 2;
      while (j < bytes.size() && !(kind == ']' && bytes[j] == '\a') && bytes[j] != '\x1b') ++j;
      if (j >= bytes.size() || (bytes[j] == '\x1b' && j + 1 >= bytes.size())) break;
      if (bytes[j] == '\x1b' && bytes[j + 1] != '\\') {
        i = j;
        continue;
      }
      const std::string_view body = bytes.substr(i + 2, j - i - 2);
      if (kind == ']') {
        take_osc(replies, body);
      } else if (body.starts_with(">|")) {
        replies.version = std::string(body.substr(2));
      }
      i = j + (bytes[j] == '\a' ? 1 : 2);
      continue;
    }
    if (kind == '[' && i + 2 < bytes.size() && bytes[i + 2] == '?') {
      // The device attributes: CSI ? digits and semicolons, then c.
      std::size_t j = i + 3;
      while (j < bytes.size() && ((bytes[j] >= '0' && bytes[j] <= '9') || bytes[j] == ';')) ++j;
      if (j >= bytes.size()) break;
      if (bytes[j] == 'c') {
        replies.complete = true;
        i = j + 1;
        continue;
      }
    }
    replies.other += bytes[i++];
  }
  replies.other += bytes.substr(i);
  return replies;
}

std::optional<std::array<std::uint8_t, 3>> parse_x_colour(std::string_view spec) {
  std::array<std::uint8_t, 3> rgb{};
  if (spec.size() == 7 && spec[0] == '#') {
    for (int c = 0; c < 3; ++c) {
      const int high = sys::hex_digit(spec[1 + 2 * c]), low = sys::hex_digit(spec[2 + 2 * c]);
      if (high < 0 || low < 0) return std::nullopt;
      rgb[c] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return rgb;
  }
  if (!spec.starts_with("rgb:")) return std::nullopt;
  spec.remove_prefix(4);
  for (int c = 0; c < 3; ++c) {
    const auto slash = c < 2 ? spec.find('/') : spec.size();
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view digits = spec.substr(0, slash);
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char d : digits) {
      if (sys::hex_digit(d) < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(sys::hex_digit(d));
    }
    // N digits give 0 .. 16^N - 1: scaled to 0 .. 255.
    const unsigned top = (1u << (4 * digits.size())) - 1;
    rgb[c] = static_cast<std::uint8_t>((value * 255 + top / 2) / top);
    spec.remove_prefix(std::min(slash + 1, spec.size()));
  }
  return rgb;
}

}  // namespace sys
