#include "sys/keys.hpp"

#include <gtest/gtest.h>

namespace {

using sys::Key;
using sys::KeyCode;
namespace mods = sys::mods;

// Every key the bytes give, a waiting start of a sequence taken as it is
// at the end (as after the wait).
std::vector<Key> decode(const std::vector<std::string_view>& pieces) {
  sys::KeyDecoder decoder;
  std::vector<Key> keys;
  Key key;
  for (const auto piece : pieces) {
    decoder.push(piece);
    while (decoder.next(key) == sys::KeyDecoder::Status::Key) keys.push_back(key);
  }
  while (decoder.force(key) == sys::KeyDecoder::Status::Key) keys.push_back(key);
  return keys;
}
std::vector<Key> decode(std::string_view bytes) { return decode(std::vector<std::string_view>{bytes}); }

Key named(KeyCode code, unsigned modifiers = 0) { return Key::named(code, modifiers); }

TEST(KeyDecoder, TheSwitchersKeysFromEveryTerminal) {
  const struct {
    const char* terminal;
    const char* bytes;
    Key key;
  } cases[] = {
      // Cursor keys: normal and application mode (xterm, kitty, foot,
      // alacritty, tmux, the Linux console all send one of these).
      {"xterm", "\x1b[A", named(KeyCode::Up)},
      {"xterm app", "\x1bOA", named(KeyCode::Up)},
      {"any", "\x1b[B", named(KeyCode::Down)},
      {"any app", "\x1bOB", named(KeyCode::Down)},
      {"any", "\x1b[C", named(KeyCode::Right)},
      {"any app", "\x1bOD", named(KeyCode::Left)},
      {"xterm ctrl", "\x1b[1;5A", named(KeyCode::Up, mods::kCtrl)},
      {"kitty shift+alt", "\x1b[1;4D", named(KeyCode::Left, mods::kShift | mods::kAlt)},
      // Home, End and the editing keys.
      {"xterm", "\x1b[H", named(KeyCode::Home)},
      {"foot app", "\x1bOF", named(KeyCode::End)},
      {"tmux/linux", "\x1b[1~", named(KeyCode::Home)},
      {"tmux/linux", "\x1b[4~", named(KeyCode::End)},
      {"rxvt", "\x1b[7~", named(KeyCode::Home)},
      {"any", "\x1b[5~", named(KeyCode::PageUp)},
      {"any", "\x1b[6;2~", named(KeyCode::PageDown, mods::kShift)},
      {"any", "\x1b[3~", named(KeyCode::Delete)},
      {"any", "\x1b[2~", named(KeyCode::Insert)},
      // Tab, Shift+Tab, Enter, Backspace, Esc.
      {"any", "\t", named(KeyCode::Tab)},
      {"any", "\x1b[Z", named(KeyCode::BackTab)},
      {"kitty CSI u", "\x1b[9;2u", named(KeyCode::BackTab)},
      {"any", "\r", named(KeyCode::Enter)},
      {"keypad", "\x1bOM", named(KeyCode::Enter)},
      {"kitty CSI u", "\x1b[13u", named(KeyCode::Enter)},
      {"most", "\x7f", named(KeyCode::Backspace)},
      {"some", "\x08", named(KeyCode::Backspace)},
      {"any", "\x1b", named(KeyCode::Esc)},
      {"kitty CSI u", "\x1b[27u", named(KeyCode::Esc)},
      // Function keys.
      {"xterm F1", "\x1bOP", named(KeyCode::Function)},
      {"xterm shift+F1", "\x1b[1;2P", named(KeyCode::Function, mods::kShift)},
      {"F5", "\x1b[15~", named(KeyCode::Function)},
      {"linux F1", "\x1b[[A", named(KeyCode::Function)},
      // Characters, Ctrl and Alt.
      {"any", "q", Key::character(U'q')},
      {"any", "J", Key::character(U'J')},
      {"any", " ", Key::character(U' ')},
      {"any", "\x03", Key::character(U'c', mods::kCtrl)},
      {"any", "\n", Key::character(U'j', mods::kCtrl)},
      {"any", "\x1bx", Key::character(U'x', mods::kAlt)},
      {"any", "\x1b\x1b", named(KeyCode::Esc, mods::kAlt)},
      {"kitty CSI u", "\x1b[99;5u", Key::character(U'c', mods::kCtrl)},
      {"UTF-8", "é", Key::character(U'é')},
      {"UTF-8", "日", Key::character(U'日')},
      {"UTF-8", "😀", Key::character(U'😀')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.terminal) + " " + testing::PrintToString(std::string(c.bytes)));
    EXPECT_EQ(decode(c.bytes), std::vector<Key>{c.key});
  }
}

TEST(KeyDecoder, SequencesArrivingInPieces) {
  EXPECT_EQ(decode({"\x1b", "[", "A"}), std::vector<Key>{named(KeyCode::Up)});
  EXPECT_EQ(decode({"\x1b[1;", "5A", "q"}), (std::vector<Key>{named(KeyCode::Up, mods::kCtrl), Key::character(U'q')}));
  EXPECT_EQ(decode({"\xe6", "\x97", "\xa5"}), std::vector<Key>{Key::character(U'日')});
  sys::KeyDecoder decoder;
  Key key;
  decoder.push("\x1b");
  EXPECT_EQ(decoder.next(key), sys::KeyDecoder::Status::Again);  // wait: it may start a sequence
  EXPECT_EQ(decoder.force(key), sys::KeyDecoder::Status::Key);    // after the wait: Esc
  EXPECT_EQ(key, named(KeyCode::Esc));
  EXPECT_EQ(decoder.next(key), sys::KeyDecoder::Status::None);
}

TEST(KeyDecoder, UnknownSequencesAreSwallowedWhole) {
  const std::string_view unknown[] = {
      "\x1b[200~",          // the start of a paste
      "\x1b[<0;12;5M",      // a mouse report
      "\x1b[?1;2c",         // a terminal's answer to a query
      "\x1b[I",             // focus
      "\x1b[99~",           // a key nobody has
      "\x1b[1:2A",          // sub-parameters
      "\x1bOz",             // an unknown SS3 key
      "\x1b[[z",            // not a console function key
  };
  for (const auto sequence : unknown) {
    SCOPED_TRACE(testing::PrintToString(std::string(sequence)));
    EXPECT_EQ(decode(std::string(sequence) + "j"), std::vector<Key>{Key::character(U'j')});
  }
  // Broken-off sequences and bytes that are not UTF-8 are dropped.
  EXPECT_EQ(decode("\x1b[12\x1b[B"), std::vector<Key>{named(KeyCode::Down)});
  EXPECT_EQ(decode("\xff" "a\xc3(b"), (std::vector<Key>{Key::character(U'a'), Key::character(U'('),
                                                       Key::character(U'b')}));
  EXPECT_EQ(decode("\x1b[1;"), std::vector<Key>{});  // still unfinished after the wait
  EXPECT_EQ(decode("\x1b["), std::vector<Key>{Key::character(U'[', mods::kAlt)});
}

}  // namespace
