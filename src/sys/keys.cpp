#include "sys/keys.hpp"

#include <optional>
#include <vector>

#include "sys/text.hpp"

namespace sys {
namespace {

constexpr char kEsc = '\x1b';

/// What one step of decoding found at the start of the bytes.
struct Step {
  enum Kind { KeyFound, Skipped, Incomplete } kind;
  std::size_t length = 0;  ///< bytes consumed (for a key or skipped bytes)
  Key key{};
};

Step found(std::size_t length, Key key) { return Step{Step::KeyFound, length, key}; }
Step skipped(std::size_t length) { return Step{Step::Skipped, length}; }
Step incomplete() { return Step{Step::Incomplete}; }

// xterm's modifier parameter: 1 + (shift 1, alt 2, ctrl 4, meta 8).
unsigned modifiers_of(unsigned parameter) {
  if (parameter < 2) return 0;
  const unsigned bits = parameter - 1;
  unsigned m = 0;
  if (bits & 1) m |= mods::kShift;
  if (bits & (2 | 8)) m |= mods::kAlt;
  if (bits & 4) m |= mods::kCtrl;
  return m;
}

std::optional<KeyCode> letter_key(char final_byte) {
  switch (final_byte) {
    case 'A': return KeyCode::Up;
    case 'B': return KeyCode::Down;
    case 'C': return KeyCode::Right;
    case 'D': return KeyCode::Left;
    case 'H': return KeyCode::Home;
    case 'F': return KeyCode::End;
    case 'P': case 'Q': case 'R': case 'S': return KeyCode::Function;  // F1 to F4
    default: return std::nullopt;
  }
}

std::optional<KeyCode> tilde_key(unsigned number) {
  switch (number) {
    case 1: case 7: return KeyCode::Home;
    case 4: case 8: return KeyCode::End;
    case 2: return KeyCode::Insert;
    case 3: return KeyCode::Delete;
    case 5: return KeyCode::PageUp;
    case 6: return KeyCode::PageDown;
    default:
      if ((number >= 11 && number <= 15) || (number >= 17 && number <= 21) || number == 23 || number == 24)
        return KeyCode::Function;
      return std::nullopt;
  }
}

// A key given by its code point (kitty's CSI u form, or a plain byte).
Key code_point_key(char32_t cp, unsigned modifiers) {
  switch (cp) {
    case 9: return (modifiers & mods::kShift) ? Key::named(KeyCode::BackTab, modifiers & ~mods::kShift)
                                             : Key::named(KeyCode::Tab, modifiers);
    case 13: return Key::named(KeyCode::Enter, modifiers);
    case 27: return Key::named(KeyCode::Esc, modifiers);
    case 127: case 8: return Key::named(KeyCode::Backspace, modifiers);
    default: return Key::character(cp, modifiers);
  }
}

// CSI: ESC [ parameters (0x30-0x3F), intermediates (0x20-0x2F), a final
// byte (0x40-0x7E).
Step csi(std::string_view in) {
  if (in.size() < 3) return incomplete();
  if (in[2] == '[') {  // the Linux console's F1 to F5: ESC [ [ A to E
    if (in.size() < 4) return incomplete();
    if (in[3] >= 'A' && in[3] <= 'E') return found(4, Key::named(KeyCode::Function));
    return skipped(in[3] >= 0x40 && in[3] <= 0x7E ? 4 : 3);
  }
  std::size_t i = 2;
  while (i < in.size() && in[i] >= 0x30 && in[i] <= 0x3F) ++i;
  const std::size_t params_end = i;
  while (i < in.size() && in[i] >= 0x20 && in[i] <= 0x2F) ++i;
  if (i == in.size()) return incomplete();
  const char final_byte = in[i];
  if (final_byte < 0x40 || final_byte > 0x7E) return skipped(i);  // broken off: drop what came
  const std::size_t length = i + 1;
  const std::string_view params = in.substr(2, params_end - 2);
  if (params_end != i || (!params.empty() && (params[0] < '0' || params[0] > ';')))
    return skipped(length);  // private or intermediate forms: reports, not keys
  std::vector<unsigned> numbers{0};
  for (const char c : params) {
    if (c == ';') {
      numbers.push_back(0);
    } else if (c >= '0' && c <= '9') {
      // Held just past the last code point, so that a larger one is still told apart from every valid one.
      numbers.back() = std::min(numbers.back() * 10 + static_cast<unsigned>(c - '0'), 0x110000u);
    } else {
      return skipped(length);  // ':' sub-parameters: not a key we read
    }
  }
  const unsigned modifiers = modifiers_of(numbers.size() > 1 ? numbers[1] : 0);
  if (final_byte == 'Z') return found(length, Key::named(KeyCode::BackTab, modifiers));
  if (final_byte == '~') {
    if (const auto code = tilde_key(numbers[0])) return found(length, Key::named(*code, modifiers));
    return skipped(length);
  }
  if (final_byte == 'u' && numbers[0] > 0 && numbers[0] <= 0x10FFFF)
    return found(length, code_point_key(static_cast<char32_t>(numbers[0]), modifiers));
  if (const auto code = letter_key(final_byte)) return found(length, Key::named(*code, modifiers));
  return skipped(length);
}

Step plain(std::string_view in);

// Esc and what follows it.
Step escape(std::string_view in) {
  if (in.size() < 2) return incomplete();
  if (in[1] == '[') return csi(in);
  if (in[1] == ']' || in[1] == 'P' || in[1] == '_' || in[1] == '^') {
    // A string (OSC, DCS, APC, PM): a terminal's late answer, never a key.
    // Ended by ST, or for OSC by BEL too.
    for (std::size_t i = 2; i < in.size(); ++i) {
      if (in[1] == ']' && in[i] == '\a') return skipped(i + 1);
      if (in[i] == kEsc) {
        if (i + 1 == in.size()) return incomplete();
        return skipped(in[i + 1] == '\\' ? i + 2 : i);
      }
    }
    return incomplete();
  }
  if (in[1] == 'O') {  // SS3, as terminals in application mode send them
    if (in.size() < 3) return incomplete();
    if (in[2] == 'M') return found(3, Key::named(KeyCode::Enter));  // keypad Enter
    if (const auto code = letter_key(in[2])) return found(3, Key::named(*code));
    return skipped(3);
  }
  // Esc before another key: that key with Alt.
  Step next = in[1] == kEsc ? found(1, Key::named(KeyCode::Esc)) : plain(in.substr(1));
  if (next.kind == Step::KeyFound) {
    next.length += 1;
    next.key.modifiers |= mods::kAlt;
  } else if (next.kind == Step::Skipped) {
    next.length += 1;
  }
  return next;
}

// One key that starts with a byte other than Esc.
Step plain(std::string_view in) {
  const unsigned char b = static_cast<unsigned char>(in[0]);
  if (b == '\r') return found(1, Key::named(KeyCode::Enter));
  if (b == '\t') return found(1, Key::named(KeyCode::Tab));
  if (b == 0x7F || b == 0x08) return found(1, Key::named(KeyCode::Backspace));
  if (b == 0) return found(1, Key::character(U' ', mods::kCtrl));
  if (b < 0x1B) return found(1, Key::character(U'a' + (b - 1), mods::kCtrl));  // Ctrl+letter (Ctrl+J: line feed)
  if (b < 0x20) return found(1, Key::character(U"\\]^_"[b - 0x1C], mods::kCtrl));
  if (b < 0x80) return found(1, Key::character(b));
  // UTF-8: wait for the whole character; drop what cannot start one.
  const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  std::size_t pos = 0;
  char32_t cp;
  next_code_point(in, pos, cp);
  if (cp == kReplacementChar && in.substr(0, pos) != "\xEF\xBF\xBD") {
    if (pos == in.size() && pos < length) return incomplete();  // cut off by the end of the bytes
    return skipped(pos);
  }
  return found(pos, Key::character(cp));
}

Step decode(std::string_view in) { return in[0] == kEsc ? escape(in) : plain(in); }

}  // namespace

KeyDecoder::Status KeyDecoder::next(Key& key) {
  while (!pending_.empty()) {
    const Step step = decode(pending_);
    if (step.kind == Step::Incomplete) return Status::Again;
    pending_.erase(0, step.length);
    if (step.kind == Step::KeyFound) {
      key = step.key;
      return Status::Key;
    }
  }
  return Status::None;
}

KeyDecoder::Status KeyDecoder::force(Key& key) {
  const Status status = next(key);
  if (status != Status::Again) return status;
  // What is left is an unfinished start: a lone Esc is the key itself; Esc
  // and "[" or "O" are those keys with Alt; anything longer is dropped.
  if (pending_ == "\x1b") {
    key = Key::named(KeyCode::Esc);
  } else if (pending_ == "\x1b[" || pending_ == "\x1bO") {
    key = Key::character(static_cast<unsigned char>(pending_[1]), mods::kAlt);
  } else {
    pending_.clear();
    return Status::None;
  }
  pending_.clear();
  return Status::Key;
}

}  // namespace sys
