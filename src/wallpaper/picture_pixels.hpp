#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "sys/result.hpp"
#include "themes/colour.hpp"
#include "wallpaper/picture.hpp"

namespace wallpaper {

/// A picture is reduced to at most this many colours before its palette is
/// worked out: enough for every colour a person would call part of it.
inline constexpr std::size_t kMaxSamples = 20000;
/// A header claiming more pixels than this is not decoded (a decompression
/// bomb, or a lie).
inline constexpr std::uint64_t kMaxPicturePixels = 100'000'000;
/// Nor one with a side longer than this (JPEG's own limit is 65,500).
inline constexpr std::uint64_t kMaxPictureSide = 65535;
/// A WebP file is decoded from memory; one larger than this is refused.
inline constexpr std::size_t kMaxWebpBytes = 128u << 20;

/// Averages whole rows of RGBA pixels into a grid of at most `max_cells`
/// blocks as they arrive, so that no decoder keeps the whole picture. Each
/// block is the alpha-weighted mean of its pixels; fully transparent
/// blocks are left out.
class Downsampler {
 public:
  Downsampler(std::uint32_t width, std::uint32_t height, std::size_t max_cells);
  /// The next row: `width` pixels of four bytes (red, green, blue, alpha),
  /// or of three (opaque).
  void add_row(const std::uint8_t* pixels, int channels = 4);
  std::vector<themes::Colour> take();

 private:
  void flush();
  void skip_row();

  std::uint32_t width_;
  std::uint32_t height_;
  std::uint32_t block_ = 1;
  std::uint32_t rows_in_block_ = 0;
  std::uint32_t rows_seen_ = 0;
  std::vector<std::uint64_t> sums_;  ///< per grid column: red, green, blue (times alpha), alpha
  std::vector<themes::Colour> cells_;
};

/// The colours of the picture read from `file`, which holds a picture of
/// `kind`, reduced to at most `kMaxSamples` (in no particular order). A
/// truncated or corrupt picture, one claiming more than
/// `kMaxPicturePixels`, or a kind of BMP that is not uncompressed 24- or
/// 32-bit gives one line saying why (without the file's name).
sys::Result<std::vector<themes::Colour>> read_picture_samples(std::FILE* file, PictureKind kind);

/// The same for the picture at `path`, whose name must be one the
/// wallpapers list takes and whose first bytes must agree; the error reads
/// "cannot read colours from FILE: …".
sys::Result<std::vector<themes::Colour>> read_picture_samples(const std::filesystem::path& path);

}  // namespace wallpaper
