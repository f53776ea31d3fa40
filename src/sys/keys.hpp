#pragma once

#include <string>
#include <string_view>

namespace sys {

enum class KeyCode {
  Char,
  Enter,
  Backspace,
  Esc,
  Tab,
  BackTab,
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  PageUp,
  PageDown,
  Delete,
  Insert,
  Function,
  Other,
};

enum class KeyKind { Press, Repeat, Release };

namespace mods {
constexpr unsigned kShift = 1;
constexpr unsigned kAlt = 2;
constexpr unsigned kCtrl = 4;
}  // namespace mods

/// One decoded key: a key code, the character for `KeyCode::Char`, and
/// modifier flags (`mods::`).
struct Key {
  KeyCode code = KeyCode::Other;
  char32_t ch = 0;
  unsigned modifiers = 0;
  KeyKind kind = KeyKind::Press;

  static Key character(char32_t c, unsigned modifiers = 0) {
    return Key{KeyCode::Char, c, modifiers, KeyKind::Press};
  }
  static Key named(KeyCode code, unsigned modifiers = 0) {
    return Key{code, 0, modifiers, KeyKind::Press};
  }
  bool operator==(const Key&) const = default;
};

/// Turns terminal input bytes into `Key`s: the CSI and SS3 sequences of
/// xterm-like terminals (kitty, foot, alacritty, tmux) with their modifier
/// parameters, the Linux console's function keys, control characters and
/// UTF-8 text. Sequences it does not know (mouse reports, pasting marks,
/// focus changes) are swallowed whole, so the bytes after them read as
/// they should. Bytes may arrive in any pieces.
class KeyDecoder {
 public:
  enum class Status {
    Key,    ///< a key was decoded
    None,   ///< nothing is waiting
    Again,  ///< the bytes so far may start a sequence: wait for more, or `force`
  };

  /// How long the start of a sequence (a lone Esc, say) may wait for the
  /// rest before it is taken as it is.
  static constexpr int kWaitMs = 50;

  void push(std::string_view bytes) { pending_ += bytes; }
  /// The next complete key.
  Status next(Key& key);
  /// Like `next`, but takes a waiting start of a sequence as it is: a lone
  /// Esc is the Esc key, Esc and a byte are that key with Alt, and an
  /// unfinished sequence is dropped.
  Status force(Key& key);

 private:
  std::string pending_;
};

}  // namespace sys
