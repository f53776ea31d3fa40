#pragma once

#include <memory>
#include <string_view>

struct TermKey;

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

/// Turns terminal input bytes into `Key`s (libtermkey underneath).
class KeyDecoder {
 public:
  enum class Status { Key, None, Again, Eof, Error };

  /// Reads from `fd`; the caller owns the terminal modes.
  static std::unique_ptr<KeyDecoder> for_fd(int fd);
  /// Decodes bytes handed to `push`, as a terminal of type `term` sends them.
  static std::unique_ptr<KeyDecoder> for_bytes(const char* term);
  ~KeyDecoder();
  KeyDecoder(const KeyDecoder&) = delete;
  KeyDecoder& operator=(const KeyDecoder&) = delete;

  void push(std::string_view bytes);
  /// Reads what the descriptor has to offer (after it polled readable).
  Status advise_readable();
  /// The next complete key; `Again` when a prefix such as a lone Esc
  /// waits for more bytes.
  Status next(Key& key);
  /// Like `next`, but takes a waiting prefix as it is (Esc alone).
  Status force(Key& key);
  /// How long a prefix may wait for the rest of its sequence.
  int wait_time_ms() const;

 private:
  explicit KeyDecoder(TermKey* tk) : tk_(tk) {}
  TermKey* tk_;
};

}  // namespace sys
