#include "sys/keys.hpp"

#include <gtest/gtest.h>

#include "sys/text.hpp"
#include "test_support.hpp"

namespace {

using sys::Key;
using sys::KeyCode;

// "Up+ctrl", "'q'", "'c'+ctrl": a key as the case files write it.
std::string describe(const Key& key) {
  static const char* const kNames[] = {"Char", "Enter", "Backspace", "Esc",    "Tab",      "BackTab",
                                       "Up",   "Down",  "Left",      "Right",  "Home",     "End",
                                       "PageUp", "PageDown", "Delete", "Insert", "Function", "Other"};
  std::string out;
  if (key.code == KeyCode::Char) {
    out = "'";
    sys::append_utf8(out, key.ch);
    out += "'";
  } else {
    out = kNames[static_cast<int>(key.code)];
  }
  if (key.modifiers & sys::mods::kShift) out += "+shift";
  if (key.modifiers & sys::mods::kAlt) out += "+alt";
  if (key.modifiers & sys::mods::kCtrl) out += "+ctrl";
  return out;
}

// Every key the bytes give, read in the pieces "|" marks; a start of a
// sequence still waiting at the end is taken as it is (as after the wait).
std::string decode(const std::string& bytes) {
  sys::KeyDecoder decoder;
  std::string keys;
  Key key;
  const auto take = [&](sys::KeyDecoder::Status status) {
    if (status != sys::KeyDecoder::Status::Key) return false;
    keys += (keys.empty() ? "" : " ") + describe(key);
    return true;
  };
  for (std::size_t start = 0; start <= bytes.size();) {
    const auto end = std::min(bytes.find('|', start), bytes.size());
    decoder.push(std::string_view(bytes).substr(start, end - start));
    while (take(decoder.next(key))) {
    }
    start = end + 1;
  }
  while (take(decoder.force(key))) {
  }
  return keys;
}

TEST(KeyDecoder, WhatTerminalsSendBecomesTheSwitchersKeys) {
  for (const auto& c : testing_support::read_cases("keys.txt"))
    EXPECT_EQ(decode(c.at("bytes")), c.at("keys")) << testing::PrintToString(c.at("bytes"));
}

}  // namespace
