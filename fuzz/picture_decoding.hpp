// What every picture decoder must do with any bytes: never crash, hang or
// exit; either at most `kMaxSamples` colours, at least one, or one line
// saying why not.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "wallpaper/picture_pixels.hpp"

inline int decode_any_bytes(const std::uint8_t* data, std::size_t size, wallpaper::PictureKind kind) {
  if (size == 0) return 0;  // fmemopen takes no empty buffer
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!file) return 0;
  const auto samples = wallpaper::read_picture_samples(file, kind);
  std::fclose(file);
  if (samples) {
    if (samples.value().empty() || samples.value().size() > wallpaper::kMaxSamples) std::abort();
  } else if (samples.error_text().empty() || samples.error_text().find('\n') != std::string::npos) {
    std::abort();
  }
  return 0;
}
