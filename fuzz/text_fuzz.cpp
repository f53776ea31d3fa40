// Text helpers over arbitrary bytes: lossy decoding always yields valid
// UTF-8, screen text holds no control or bidirectional formatting
// character and is fitted by cells, trimming and splitting stay inside
// their input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "switcher/screen_buffer.hpp"
#include "sys/text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string lossy = sys::lossy_utf8(text);
  if (!sys::is_valid_utf8(lossy)) std::abort();
  if (sys::is_valid_utf8(text) && lossy != text) std::abort();
  if (!sys::is_valid_utf8(sys::to_lower(text))) std::abort();

  const std::string shown = sys::screen_text(text);
  std::size_t pos = 0;
  char32_t cp;
  while (sys::next_code_point(shown, pos, cp))
    if (sys::is_control(cp) || sys::is_bidi_control(cp)) std::abort();

  const std::string_view trimmed = sys::trim(text);
  if (trimmed.size() > text.size() || (!trimmed.empty() && text.find(trimmed) == std::string_view::npos))
    std::abort();
  for (auto word : sys::split_whitespace(text))
    if (word.empty()) std::abort();

  for (std::size_t width : {0u, 1u, 2u, 7u, 40u}) {
    // Fitted by terminal cells: never wider than asked, whole when it fits.
    const std::string cut = switcher::truncate_to_width(text, width);
    if (sys::screen_width(cut, width) > width) std::abort();
    if (width > 0 && sys::screen_width(text, width) <= width && cut != shown) std::abort();
    if (sys::screen_width(switcher::pad_to_width(text, width), width) != width) std::abort();
  }
  return 0;
}
