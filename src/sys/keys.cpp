#include "sys/keys.hpp"

#include <termkey.h>

namespace sys {
namespace {

constexpr int kFlags = TERMKEY_FLAG_NOTERMIOS | TERMKEY_FLAG_UTF8;

unsigned modifiers_of(const TermKeyKey& raw) {
  unsigned m = 0;
  if (raw.modifiers & TERMKEY_KEYMOD_SHIFT) m |= mods::kShift;
  if (raw.modifiers & TERMKEY_KEYMOD_ALT) m |= mods::kAlt;
  if (raw.modifiers & TERMKEY_KEYMOD_CTRL) m |= mods::kCtrl;
  return m;
}

KeyCode code_of_sym(TermKeySym sym) {
  switch (sym) {
    case TERMKEY_SYM_ENTER:
    case TERMKEY_SYM_KPENTER: return KeyCode::Enter;
    case TERMKEY_SYM_BACKSPACE:
    case TERMKEY_SYM_DEL: return KeyCode::Backspace;  // terminals send either for Backspace
    case TERMKEY_SYM_ESCAPE: return KeyCode::Esc;
    case TERMKEY_SYM_TAB: return KeyCode::Tab;
    case TERMKEY_SYM_UP: return KeyCode::Up;
    case TERMKEY_SYM_DOWN: return KeyCode::Down;
    case TERMKEY_SYM_LEFT: return KeyCode::Left;
    case TERMKEY_SYM_RIGHT: return KeyCode::Right;
    case TERMKEY_SYM_HOME: return KeyCode::Home;
    case TERMKEY_SYM_END: return KeyCode::End;
    case TERMKEY_SYM_PAGEUP: return KeyCode::PageUp;
    case TERMKEY_SYM_PAGEDOWN: return KeyCode::PageDown;
    case TERMKEY_SYM_DELETE: return KeyCode::Delete;
    case TERMKEY_SYM_INSERT: return KeyCode::Insert;
    default: return KeyCode::Other;
  }
}

Key decode(const TermKeyKey& raw) {
  Key key;
  key.modifiers = modifiers_of(raw);
  switch (raw.type) {
    case TERMKEY_TYPE_UNICODE:
      key.code = KeyCode::Char;
      key.ch = static_cast<char32_t>(raw.code.codepoint);
      break;
    case TERMKEY_TYPE_KEYSYM:
      if (raw.code.sym == TERMKEY_SYM_SPACE) {
        key.code = KeyCode::Char;
        key.ch = U' ';
        break;
      }
      key.code = code_of_sym(raw.code.sym);
      if (key.code == KeyCode::Tab && (key.modifiers & mods::kShift)) {
        key.code = KeyCode::BackTab;
        key.modifiers &= ~mods::kShift;
      }
      break;
    case TERMKEY_TYPE_FUNCTION:
      key.code = KeyCode::Function;
      break;
    default:
      key.code = KeyCode::Other;  // mouse, reports and unknown sequences
      break;
  }
  return key;
}

KeyDecoder::Status status_of(TermKeyResult result) {
  switch (result) {
    case TERMKEY_RES_KEY: return KeyDecoder::Status::Key;
    case TERMKEY_RES_AGAIN: return KeyDecoder::Status::Again;
    case TERMKEY_RES_EOF: return KeyDecoder::Status::Eof;
    case TERMKEY_RES_ERROR: return KeyDecoder::Status::Error;
    default: return KeyDecoder::Status::None;
  }
}

}  // namespace

std::unique_ptr<KeyDecoder> KeyDecoder::for_fd(int fd) {
  TermKey* tk = termkey_new(fd, kFlags);
  if (!tk) return nullptr;
  return std::unique_ptr<KeyDecoder>(new KeyDecoder(tk));
}

std::unique_ptr<KeyDecoder> KeyDecoder::for_bytes(const char* term) {
  TermKey* tk = termkey_new_abstract(term, kFlags);
  if (!tk) return nullptr;
  return std::unique_ptr<KeyDecoder>(new KeyDecoder(tk));
}

KeyDecoder::~KeyDecoder() { termkey_destroy(tk_); }

void KeyDecoder::push(std::string_view bytes) { termkey_push_bytes(tk_, bytes.data(), bytes.size()); }

KeyDecoder::Status KeyDecoder::advise_readable() { return status_of(termkey_advisereadable(tk_)); }

KeyDecoder::Status KeyDecoder::next(Key& key) {
  TermKeyKey raw;
  const auto result = termkey_getkey(tk_, &raw);
  if (result == TERMKEY_RES_KEY) key = decode(raw);
  return status_of(result);
}

KeyDecoder::Status KeyDecoder::force(Key& key) {
  TermKeyKey raw;
  const auto result = termkey_getkey_force(tk_, &raw);
  if (result == TERMKEY_RES_KEY) key = decode(raw);
  return status_of(result);
}

int KeyDecoder::wait_time_ms() const { return termkey_get_waittime(tk_); }

}  // namespace sys
