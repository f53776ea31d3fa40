// Decoding terminal input: any bytes, in any pieces, give the same keys
// as when they arrive at once, and nothing swallows what follows it: after
// any input, an unknown sequence and a "Z" still decode to a last key Z.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sys/keys.hpp"

namespace {

std::vector<sys::Key> decode(std::string_view bytes, std::size_t piece) {
  sys::KeyDecoder decoder;
  std::vector<sys::Key> keys;
  sys::Key key;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    decoder.push(bytes.substr(at, piece));
    while (decoder.next(key) == sys::KeyDecoder::Status::Key) keys.push_back(key);
  }
  while (decoder.force(key) == sys::KeyDecoder::Status::Key) keys.push_back(key);
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 7;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (decode(bytes, piece) != decode(bytes, bytes.size() + 1)) std::abort();
  const auto keys = decode(bytes + "\x1b[99~Z", piece);
  if (keys.empty() || keys.back() != sys::Key::character(U'Z')) std::abort();
  return 0;
}
