#include "wallpaper/png_inflate_ahead.hpp"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace wallpaper {
namespace {

// A stored deflate block holds at most this many bytes.
constexpr std::size_t kBlockBytes = 65535;
// What the thread hands over at a time, and how many such pieces may wait
// for the reader: about half a megabyte ahead at most.
constexpr std::size_t kPieceBytes = 1 << 16;
constexpr std::size_t kPiecesAhead = 8;

void put_big_endian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

PngInflateAhead::PngInflateAhead(std::FILE* file) : file_(file) {
  if (inflateInit(&zstream_) != Z_OK) return;
  zstream_ready_ = true;
  // libpng is told to skip the stream's checksum; so is zlib here.
  inflateValidate(&zstream_, 0);
  inflated_.resize(kBlockBytes);
  input_.resize(kPieceBytes);
  try {
    thread_ = std::thread([this] { produce(); });
  } catch (const std::system_error&) {
    // No thread: the caller lets libpng read the file itself.
  }
}

PngInflateAhead::~PngInflateAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (zstream_ready_) inflateEnd(&zstream_);
}

const char* PngInflateAhead::read(std::uint8_t* out, std::size_t size) {
  std::unique_lock lock(mutex_);
  while (size > 0) {
    changed_.wait(lock, [&] { return !ready_.empty() || done_; });
    if (ready_.empty()) return failure_.empty() ? "Read Error" : failure_.c_str();
    const std::vector<std::uint8_t>& piece = ready_.front();
    const std::size_t n = std::min(size, piece.size() - offset_);
    std::memcpy(out, piece.data() + offset_, n);
    out += n;
    size -= n;
    offset_ += n;
    if (offset_ == piece.size()) {
      ready_.pop_front();
      offset_ = 0;
      changed_.notify_all();
    }
  }
  return nullptr;
}

void PngInflateAhead::produce() {
  // The signature, then chunk after chunk: a length, a type, the data and
  // a checksum. Whatever is not image data, or is odd, passes unchanged
  // for libpng to judge in its own words.
  if (!pass_through(8, true)) return finish("");
  for (;;) {
    std::uint8_t head[8];
    const std::size_t got = std::fread(head, 1, sizeof head, file_);
    if (got < sizeof head) {
      emit(head, got);
      return finish("");
    }
    const std::uint32_t length = png_get_uint_32(head);
    const bool image_data = std::memcmp(head + 4, "IDAT", 4) == 0 && length <= 0x7fffffffu;
    if (!image_data) {
      emit_stored_block(false);  // the image data before it comes first
      emit(head, sizeof head);
      // Past a chunk length libpng refuses, the rest is its to read as it is.
      const bool readable = length <= 0x7fffffffu;
      if (!pass_through(readable ? std::uint64_t{length} + 4 : UINT64_MAX, true) || !readable) return finish("");
      if (std::memcmp(head + 4, "IEND", 4) == 0) return finish("");
      continue;
    }
    if (stream_ended_) {
      // Image data past the end of the stream: libpng would only warn.
      if (!pass_through(std::uint64_t{length} + 4, false)) return finish("");
      continue;
    }
    if (!inflate_chunk(length)) return;
    if (!pass_through(4, false)) return finish("");  // its checksum, which libpng is told to skip
  }
}

// Copies (or skips) up to `bytes` bytes of the file; false at its end, or
// when the reader has gone.
bool PngInflateAhead::pass_through(std::uint64_t bytes, bool keep) {
  while (bytes > 0 && !abandoned_) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, input_.size()));
    const std::size_t got = std::fread(input_.data(), 1, want, file_);
    if (keep) emit(input_.data(), got);
    if (got < want) return false;
    bytes -= got;
  }
  return !abandoned_;
}

// Inflates one chunk's image data; false, with the reader told, when the
// file or the stream fails.
bool PngInflateAhead::inflate_chunk(std::uint32_t length) {
  while (length > 0 && !stream_ended_ && !abandoned_) {
    const std::size_t want = std::min<std::size_t>(length, input_.size());
    const std::size_t got = std::fread(input_.data(), 1, want, file_);
    length -= static_cast<std::uint32_t>(got);
    zstream_.next_in = input_.data();
    zstream_.avail_in = static_cast<uInt>(got);
    // A full output block may leave zlib holding more: it is asked again
    // until it has nothing left for this input.
    while ((zstream_.avail_in > 0 || zstream_.avail_out == 0) && !stream_ended_) {
      if (zstream_.next_out == nullptr || zstream_.avail_out == 0) emit_stored_block(false);
      const int status = inflate(&zstream_, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        stream_ended_ = true;
        emit_stored_block(false);
        emit_stored_block(true);
      } else if (status != Z_OK && status != Z_BUF_ERROR) {
        const char* why = status == Z_NEED_DICT     ? "missing LZ dictionary"
                          : zstream_.msg != nullptr ? zstream_.msg
                                                    : "damaged image data";
        finish(std::string("IDAT: ") + why);
        return false;
      }
    }
    if (got < want) {
      finish("");
      return false;
    }
  }
  // What follows the stream's end in the chunk is skipped, as libpng would.
  if (!pass_through(length, false)) {
    finish("");
    return false;
  }
  return true;
}

// The bytes inflated so far as one IDAT chunk holding a stored block (the
// zlib header before the first, the checksum after the last). The chunk's
// own checksum is left zero: libpng is told not to check it.
void PngInflateAhead::emit_stored_block(bool final) {
  const std::size_t size =
      final || zstream_.next_out == nullptr ? 0 : static_cast<std::size_t>(zstream_.next_out - inflated_.data());
  zstream_.next_out = inflated_.data();
  zstream_.avail_out = static_cast<uInt>(kBlockBytes);
  if (size == 0 && !final) return;
  std::vector<std::uint8_t> chunk;
  chunk.reserve(size + 32);
  const std::uint32_t data_length = (header_sent_ ? 0 : 2) + 5 + static_cast<std::uint32_t>(size) + (final ? 4 : 0);
  put_big_endian(chunk, data_length);
  chunk.insert(chunk.end(), {'I', 'D', 'A', 'T'});
  if (!header_sent_) chunk.insert(chunk.end(), {0x78, 0x01});
  header_sent_ = true;
  const auto n = static_cast<std::uint16_t>(size);
  chunk.insert(chunk.end(), {static_cast<std::uint8_t>(final ? 1 : 0), static_cast<std::uint8_t>(n & 0xff),
                             static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n & 0xff),
                             static_cast<std::uint8_t>((~n >> 8) & 0xff)});
  chunk.insert(chunk.end(), inflated_.data(), inflated_.data() + size);
  adler_ = static_cast<std::uint32_t>(adler32(adler_, inflated_.data(), static_cast<uInt>(size)));
  if (final) put_big_endian(chunk, adler_);
  put_big_endian(chunk, 0);
  emit(chunk.data(), chunk.size());
}

void PngInflateAhead::emit(const std::uint8_t* bytes, std::size_t size) {
  pending_.insert(pending_.end(), bytes, bytes + size);
  if (pending_.size() >= kPieceBytes) hand_over();
}

void PngInflateAhead::hand_over() {
  if (pending_.empty()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return ready_.size() < kPiecesAhead || stop_; });
  if (stop_) {
    abandoned_ = true;
    return;
  }
  ready_.push_back(std::move(pending_));
  pending_.clear();
  lock.unlock();
  changed_.notify_all();
}

void PngInflateAhead::finish(std::string failure) {
  emit_stored_block(false);
  hand_over();
  {
    std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
    done_ = true;
  }
  changed_.notify_all();
}

}  // namespace wallpaper
