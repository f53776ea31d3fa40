#include "wallpaper/picture_pixels.hpp"

#include <fmt/format.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "sys/os_error.hpp"
#include "wallpaper/png_inflate_ahead.hpp"
#include "sys/text.hpp"

// The decoders report errors by longjmp back into the function that set
// the jump (libpng, libjpeg), never by exit. Everything those functions
// change after setjmp lives on the heap, behind a pointer set before it,
// so that it is sound after the jump; nothing with a destructor is made
// between setjmp and the decoder calls that may jump.

namespace wallpaper {
namespace {

using Samples = std::vector<themes::Colour>;

// A size the readers refuse before they allocate anything for it: too
// many pixels, or rows so long that one row's buffers would be large.
std::optional<sys::Error> size_refused(std::uint64_t width, std::uint64_t height) {
  if (width * height > kMaxPicturePixels)
    return sys::Error{fmt::format("it claims {}×{} pixels, more than 100 million", width, height)};
  if (std::max(width, height) > kMaxPictureSide)
    return sys::Error{fmt::format("it claims {}×{} pixels, a side longer than {}", width, height, kMaxPictureSide)};
  return std::nullopt;
}

// The largest DCT scaling (1/2 to 1/8) that keeps the shorter side at
// least 256 pixels.
unsigned jpeg_scale_denominator(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t shorter = std::min(width, height);
  unsigned denominator = 8;
  while (denominator > 1 && shorter / denominator < 256) denominator /= 2;
  return denominator;
}

// ---- JPEG

struct JpegContext {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> rgba;
  std::unique_ptr<Downsampler> sampler;
  jpeg_decompress_struct info{};
};

[[noreturn]] void jpeg_fail(j_common_ptr info) {
  auto* context = reinterpret_cast<JpegContext*>(info->err);
  (*info->err->format_message)(info, context->message);
  std::longjmp(context->jump, 1);
}

// A warning is how libjpeg reports a truncated or damaged stream (it would
// go on with made-up grey): that is a failure here. Stray bytes between
// markers, which many cameras write, are not.
void jpeg_message(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) jpeg_fail(info);
}

void jpeg_silent(j_common_ptr) {}

sys::Result<Samples> read_jpeg(std::FILE* file) {
  auto context = std::make_unique<JpegContext>();
  jpeg_decompress_struct& info = context->info;
  info.err = jpeg_std_error(&context->manager);
  context->manager.error_exit = jpeg_fail;
  context->manager.emit_message = jpeg_message;
  context->manager.output_message = jpeg_silent;
  if (setjmp(context->jump)) {
    jpeg_destroy_decompress(&info);
    return sys::Error{context->message};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return sys::Error{"it holds no picture"};
  }
  if (auto refused = size_refused(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return *refused;
  }
  info.scale_num = 1;
  info.scale_denom = jpeg_scale_denominator(info.image_width, info.image_height);
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  const std::uint32_t width = info.output_width;
  context->row.resize(static_cast<std::size_t>(width) * 4);
  context->rgba.resize(static_cast<std::size_t>(width) * 4);
  context->sampler = std::make_unique<Downsampler>(width, info.output_height, kMaxSamples);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {context->row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    const std::uint8_t* pixels = context->row.data();
    if (cmyk) {
      // Adobe's files (nearly all CMYK JPEGs) store the inks inverted.
      const bool inverted = info.saw_Adobe_marker;
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = pixels + 4 * x;
        const auto ink = [&](int i) { return inverted ? p[i] : 255 - p[i]; };
        for (int c = 0; c < 3; ++c) context->rgba[4 * x + c] = static_cast<std::uint8_t>(ink(c) * ink(3) / 255);
        context->rgba[4 * x + 3] = 255;
      }
      pixels = context->rgba.data();
    }
    context->sampler->add_row(pixels);
  }
  jpeg_abort_decompress(&info);  // the rest of the file is not needed
  jpeg_destroy_decompress(&info);
  return context->sampler->take();
}

// ---- PNG

struct PngContext {
  std::string message;
  std::vector<std::uint8_t> row;
  std::unique_ptr<Downsampler> sampler;
  std::unique_ptr<PngInflateAhead> ahead;
};

[[noreturn]] void png_fail(png_structp png, png_const_charp message) {
  static_cast<PngContext*>(png_get_error_ptr(png))->message = message;
  png_longjmp(png, 1);
}

void png_quiet(png_structp, png_const_charp) {}

void png_read_ahead(png_structp png, png_bytep data, std::size_t length) {
  const char* failure = static_cast<PngInflateAhead*>(png_get_io_ptr(png))->read(data, length);
  if (failure) png_error(png, failure);
}

// The size in a PNG's header, read before libpng reads on: a header that
// claims too much is refused even when nothing follows it.
sys::Result<void> check_png_size(std::FILE* file) {
  unsigned char start[24];
  const std::size_t got = std::fread(start, 1, sizeof start, file);
  std::rewind(file);
  if (got < sizeof start || std::memcmp(start + 12, "IHDR", 4) != 0) return sys::success();  // libpng says why
  const std::uint32_t width = png_get_uint_32(start + 16), height = png_get_uint_32(start + 20);
  if (auto refused = size_refused(width, height)) return *refused;
  return sys::success();
}

sys::Result<Samples> read_png(std::FILE* file) {
  if (auto size = check_png_size(file); !size) return size.error();
  auto context = std::make_unique<PngContext>();
  context->ahead = std::make_unique<PngInflateAhead>(file);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, context.get(), png_fail, png_quiet);
  if (!png) return sys::Error{"out of memory"};
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return sys::Error{"out of memory"};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    // libpng's word for a file that ends too soon.
    if (context->message == "Read Error") return sys::Error{"the file ends before its picture does"};
    return sys::Error{context->message};
  }
  if (context->ahead->started())
    png_set_read_fn(png, context->ahead.get(), png_read_ahead);
  else
    png_init_io(png, file);
  // The checksums cost a tenth of the time of a large picture; damage they
  // would find shows as a zlib error, or as a few wrong colours among
  // thousands, which a palette does not notice.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_read_info(png, info);
  const std::uint32_t width = png_get_image_width(png, info);
  const std::uint32_t height = png_get_image_height(png, info);
  if (auto refused = size_refused(width, height)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return *refused;
  }
  // Every kind (palette, grey, 16 bits, transparency) arrives as 8-bit RGB,
  // with alpha where the picture has some.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if (channels != 3 && channels != 4) png_error(png, "unexpected pixel layout");
  context->row.resize(static_cast<std::size_t>(width) * 4);
  // Without libpng's own interlace handling (which needs the whole picture)
  // an interlaced file's passes arrive one after the other as small
  // pictures; the last one that has pixels is enough for the colours.
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const int passes = interlaced ? 7 : 1;
  int sampled_pass = 0;
  for (int pass = 0; pass < passes; ++pass)
    if (!interlaced || (PNG_PASS_COLS(width, pass) > 0 && PNG_PASS_ROWS(height, pass) > 0)) sampled_pass = pass;
  for (int pass = 0; pass < passes; ++pass) {
    const std::uint32_t pass_width = interlaced ? PNG_PASS_COLS(width, pass) : width;
    const std::uint32_t pass_height = interlaced ? PNG_PASS_ROWS(height, pass) : height;
    if (pass_width == 0 || pass_height == 0) continue;
    if (pass == sampled_pass) context->sampler = std::make_unique<Downsampler>(pass_width, pass_height, kMaxSamples);
    for (std::uint32_t y = 0; y < pass_height; ++y) {
      png_read_row(png, context->row.data(), nullptr);
      if (pass == sampled_pass) context->sampler->add_row(context->row.data(), channels);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return context->sampler->take();
}

// ---- WebP

std::string_view webp_status_text(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "out of memory";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "a WebP feature that is not supported";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "the file ends before its picture does";
    default:
      return "not a valid WebP picture";
  }
}

sys::Result<Samples> read_webp(std::FILE* file) {
  std::string bytes;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    if (bytes.size() + got > kMaxWebpBytes) return sys::Error{"larger than 128 MiB"};
    bytes.append(buffer, got);
  }
  if (std::ferror(file)) return sys::Error{"it could not be read"};
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return sys::Error{"the WebP library does not match"};
  if (auto status = WebPGetFeatures(data, bytes.size(), &config.input); status != VP8_STATUS_OK)
    return sys::Error{std::string(webp_status_text(status))};
  if (config.input.has_animation) return sys::Error{"an animated WebP picture"};
  const auto width = static_cast<std::uint32_t>(config.input.width);
  const auto height = static_cast<std::uint32_t>(config.input.height);
  if (auto refused = size_refused(width, height)) return *refused;
  // libwebp scales while it decodes (averaging), straight to the grid.
  std::uint32_t factor = 1;
  while (static_cast<std::uint64_t>(width / factor) * (height / factor) > kMaxSamples) ++factor;
  config.options.use_scaling = factor > 1;
  config.options.scaled_width = static_cast<int>(std::max<std::uint32_t>(1, width / factor));
  config.options.scaled_height = static_cast<int>(std::max<std::uint32_t>(1, height / factor));
  config.output.colorspace = MODE_RGBA;
  if (auto status = WebPDecode(data, bytes.size(), &config); status != VP8_STATUS_OK) {
    WebPFreeDecBuffer(&config.output);
    return sys::Error{std::string(webp_status_text(status))};
  }
  const auto& rgba = config.output.u.RGBA;
  Downsampler sampler(static_cast<std::uint32_t>(config.output.width), static_cast<std::uint32_t>(config.output.height),
                      kMaxSamples);
  for (int y = 0; y < config.output.height; ++y) sampler.add_row(rgba.rgba + static_cast<std::size_t>(y) * rgba.stride);
  WebPFreeDecBuffer(&config.output);
  return sampler.take();
}

// ---- BMP: small enough to read here, and the one kind no library above
// covers; only what is stored uncompressed.

std::uint32_t little_endian(const unsigned char* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

sys::Result<Samples> read_bmp(std::FILE* file) {
  unsigned char header[54];
  if (std::fread(header, 1, sizeof header, file) != sizeof header || header[0] != 'B' || header[1] != 'M')
    return sys::Error{"not a valid BMP picture"};
  const std::uint32_t data_offset = little_endian(header + 10, 4);
  const std::uint32_t info_size = little_endian(header + 14, 4);
  const auto width = static_cast<std::int32_t>(little_endian(header + 18, 4));
  const auto signed_height = static_cast<std::int32_t>(little_endian(header + 22, 4));
  const std::uint32_t bits = little_endian(header + 28, 2);
  const std::uint32_t compression = little_endian(header + 30, 4);
  if (info_size < 40 || (bits != 24 && bits != 32) || compression != 0)
    return sys::Error{"only uncompressed 24- and 32-bit BMP pictures are read"};
  if (width <= 0 || signed_height == 0 || signed_height == INT32_MIN) return sys::Error{"not a valid BMP picture"};
  const auto height = static_cast<std::uint32_t>(signed_height < 0 ? -signed_height : signed_height);
  if (auto refused = size_refused(width, height)) return *refused;
  const std::size_t pixel_bytes = bits / 8;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  if (std::fseek(file, 0, SEEK_END) != 0) return sys::Error{"it could not be read"};
  const long file_size = std::ftell(file);
  if (data_offset < 14 + info_size || std::fseek(file, data_offset, SEEK_SET) != 0)
    return sys::Error{"its pixels are not where its header says"};
  if (file_size < 0 || static_cast<std::uint64_t>(file_size) < data_offset + std::uint64_t{stride} * height)
    return sys::Error{"the file ends before its pixels do"};
  std::vector<std::uint8_t> row(stride);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * 4);
  // Rows come bottom up unless the height is negative; the colours do not
  // care about the order.
  Downsampler sampler(static_cast<std::uint32_t>(width), height, kMaxSamples);
  for (std::uint32_t y = 0; y < height; ++y) {
    if (std::fread(row.data(), 1, stride, file) != stride) return sys::Error{"the file ends before its pixels do"};
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const std::uint8_t* p = row.data() + x * pixel_bytes;
      rgba[4 * x] = p[2];
      rgba[4 * x + 1] = p[1];
      rgba[4 * x + 2] = p[0];
      rgba[4 * x + 3] = 255;  // the fourth byte of an uncompressed pixel is not alpha
    }
    sampler.add_row(rgba.data());
  }
  return sampler.take();
}

}  // namespace

Downsampler::Downsampler(std::uint32_t width, std::uint32_t height, std::size_t max_cells)
    : width_(width), height_(height) {
  const auto cells = [&](std::uint64_t block) {
    return ((width + block - 1) / block) * ((height + block - 1) / block);
  };
  // The smallest square block that keeps the grid within `max_cells`: a
  // first guess from the area, then upwards.
  if (static_cast<std::uint64_t>(width) * height > max_cells) {
    while (static_cast<std::uint64_t>(block_) * block_ * max_cells < static_cast<std::uint64_t>(width) * height)
      ++block_;
    while (cells(block_) > max_cells) ++block_;
  }
  sums_.assign(static_cast<std::size_t>((width + block_ - 1) / block_) * 4, 0);
  cells_.reserve(static_cast<std::size_t>(cells(block_)));
}

void Downsampler::add_row(const std::uint8_t* pixels, int channels) {
  if (rows_seen_ >= height_) return;
  // In a tall block every other row tells as much: skipped, they save a
  // large picture's decode a few per cent.
  if (block_ >= 4 && (rows_in_block_ & 1)) return skip_row();
  // Block by block, so that the inner loop has no division.
  std::uint64_t* sum = sums_.data();
  for (std::uint32_t start = 0; start < width_; start += block_, sum += 4) {
    const std::uint32_t end = std::min(width_, start + block_);
    const std::uint8_t* p = pixels + static_cast<std::size_t>(start) * channels;
    std::uint64_t r = 0, g = 0, b = 0, a = 0;
    if (channels == 3) {
      for (std::uint32_t x = start; x < end; ++x, p += 3) {
        r += p[0];
        g += p[1];
        b += p[2];
      }
      a = end - start;
      r *= 255, g *= 255, b *= 255, a *= 255;
    } else {
      for (std::uint32_t x = start; x < end; ++x, p += 4) {
        r += std::uint32_t{p[0]} * p[3];
        g += std::uint32_t{p[1]} * p[3];
        b += std::uint32_t{p[2]} * p[3];
        a += p[3];
      }
    }
    sum[0] += r;
    sum[1] += g;
    sum[2] += b;
    sum[3] += a;
  }
  skip_row();
}

void Downsampler::skip_row() {
  ++rows_seen_;
  if (++rows_in_block_ == block_ || rows_seen_ == height_) flush();
}

void Downsampler::flush() {
  for (std::size_t column = 0; column < sums_.size(); column += 4) {
    const std::uint64_t weight = sums_[column + 3];
    if (weight > 0) {
      const auto mean = [&](int c) { return static_cast<std::uint8_t>((sums_[column + c] + weight / 2) / weight); };
      cells_.push_back(themes::Colour{mean(0), mean(1), mean(2)});
    }
  }
  std::fill(sums_.begin(), sums_.end(), 0);
  rows_in_block_ = 0;
}

std::vector<themes::Colour> Downsampler::take() {
  if (rows_in_block_ > 0) flush();
  return std::move(cells_);
}

sys::Result<std::vector<themes::Colour>> read_picture_samples(std::FILE* file, PictureKind kind) {
  sys::Result<Samples> samples = sys::Error{""};
  switch (kind) {
    case PictureKind::Jpeg:
      samples = read_jpeg(file);
      break;
    case PictureKind::Png:
      samples = read_png(file);
      break;
    case PictureKind::Webp:
      samples = read_webp(file);
      break;
    case PictureKind::Bmp:
      samples = read_bmp(file);
      break;
  }
  if (samples && samples.value().empty()) return sys::Error{"it has no visible pixels"};
  return samples;
}

sys::Result<std::vector<themes::Colour>> read_picture_samples(const std::filesystem::path& path) {
  const auto failed = [&](std::string_view why) {
    return sys::Error{fmt::format("cannot read colours from {}: {}", sys::lossy_utf8(path.native()), why)};
  };
  const auto kind = picture_kind_of_name(sys::lossy_utf8(path.filename().native()));
  if (!kind) return failed("not a picture (png, jpg, jpeg, webp or bmp)");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return failed(sys::os_error_text(errno));
  // Fewer, larger reads: a 4K picture is several megabytes.
  std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 18);
  char start[16] = {};
  const std::size_t got = std::fread(start, 1, sizeof start, file.get());
  if (!starts_like(*kind, std::string_view(start, got)))
    return failed(fmt::format("not a {} picture (its content says otherwise)", kind_name(*kind)));
  std::rewind(file.get());
  auto samples = read_picture_samples(file.get(), *kind);
  if (!samples) return failed(samples.error_text());
  return samples;
}

}  // namespace wallpaper
