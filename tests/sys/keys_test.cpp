#include "sys/keys.hpp"

#include <gtest/gtest.h>

namespace {

using sys::Key;
using sys::KeyCode;
namespace mods = sys::mods;

std::vector<Key> decode(std::string_view bytes) {
  auto decoder = sys::KeyDecoder::for_bytes("xterm-256color");
  decoder->push(bytes);
  std::vector<Key> keys;
  Key key;
  for (;;) {
    auto status = decoder->next(key);
    if (status == sys::KeyDecoder::Status::Again) status = decoder->force(key);
    if (status != sys::KeyDecoder::Status::Key) break;
    keys.push_back(key);
  }
  return keys;
}

TEST(KeyDecoder, NamedKeys) {
  const struct {
    const char* bytes;
    Key key;
  } cases[] = {
      {"\x1b[A", Key::named(KeyCode::Up)},
      {"\x1b[B", Key::named(KeyCode::Down)},
      {"\x1bOC", Key::named(KeyCode::Right)},
      {"\x1b[D", Key::named(KeyCode::Left)},
      {"\r", Key::named(KeyCode::Enter)},
      {"\t", Key::named(KeyCode::Tab)},
      {"\x1b[Z", Key::named(KeyCode::BackTab)},
      {"\x7f", Key::named(KeyCode::Backspace)},
      {"\x1b[5~", Key::named(KeyCode::PageUp)},
      {"\x1b[3~", Key::named(KeyCode::Delete)},
      {"\x1b", Key::named(KeyCode::Esc)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
    auto keys = decode(c.bytes);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], c.key);
  }
}

TEST(KeyDecoder, CharactersAndModifiers) {
  EXPECT_EQ(decode("q/é "), (std::vector<Key>{Key::character(U'q'), Key::character(U'/'),
                                              Key::character(U'é'), Key::character(U' ')}));
  EXPECT_EQ(decode("\x03"), std::vector<Key>{Key::character(U'c', mods::kCtrl)});
  EXPECT_EQ(decode("\x1bx"), std::vector<Key>{Key::character(U'x', mods::kAlt)});
  EXPECT_EQ(decode("J"), std::vector<Key>{Key::character(U'J')});
}

}  // namespace
