// The WebP reader on any bytes (see picture_decoding.hpp).
#include "picture_decoding.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return decode_any_bytes(data, size, wallpaper::PictureKind::Webp);
}
