// A PNG file as libpng reads it, with its image data inflated ahead by a
// thread of its own.
//
// Debian's libpng undoes the row filters without SIMD, and inflating and
// unfiltering one after the other on one core make a 4K picture take
// 200 ms. Here zlib inflates the IDAT stream in a second thread while
// libpng unfilters the rows already inflated: the chunks pass through
// unchanged and the image data comes out as stored (uncompressed) deflate
// blocks, which libpng's own inflate only copies. libpng still reads,
// checks and converts everything else.
#pragma once

#include <zlib.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wallpaper {

class PngInflateAhead {
 public:
  // Starts reading `file` (positioned at its first byte) in a thread;
  // `started()` is false when no thread could be made.
  explicit PngInflateAhead(std::FILE* file);
  ~PngInflateAhead();
  PngInflateAhead(const PngInflateAhead&) = delete;
  PngInflateAhead& operator=(const PngInflateAhead&) = delete;

  bool started() const { return thread_.joinable(); }

  // Fills all of `out`, waiting for the thread as needed. Null when it
  // could, else why not: "Read Error" (libpng's own word) when the file
  // ends first, or zlib's complaint about the image data.
  const char* read(std::uint8_t* out, std::size_t size);

 private:
  void produce();
  bool pass_through(std::uint64_t bytes, bool keep);
  bool inflate_chunk(std::uint32_t length);
  void emit(const std::uint8_t* bytes, std::size_t size);
  void emit_stored_block(bool final);
  void hand_over();
  void finish(std::string failure);

  std::FILE* file_;
  // Only the thread touches these.
  std::vector<std::uint8_t> pending_;   // bytes not yet handed over
  std::vector<std::uint8_t> inflated_;  // image data not yet in a block
  std::vector<std::uint8_t> input_;
  z_stream zstream_{};
  bool zstream_ready_ = false;
  bool header_sent_ = false;
  bool stream_ended_ = false;
  bool abandoned_ = false;  // the reader has gone
  std::uint32_t adler_ = 1;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> ready_;  // guarded by mutex_
  std::size_t offset_ = 0;                       // into ready_.front(), the reader's
  bool done_ = false;                            // guarded by mutex_
  bool stop_ = false;                            // guarded by mutex_
  std::string failure_;                          // guarded by mutex_, set once with done_
  std::thread thread_;
};

}  // namespace wallpaper
