// The managed block in any stylesheet: outside the block every byte stays,
// a second install replaces the block rather than adding one, and the
// colour text drawn from any stylesheet holds only its colour lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "activation/desktop.hpp"
#include "sys/text.hpp"
#include "themes/palette.hpp"

namespace {

using activation::kCssBegin;
using activation::kCssEnd;

// The text with its first block (markers alone on their lines) cut out.
std::string outside_first_block(std::string_view text) {
  const auto begin = activation::find_marker_line(text, kCssBegin, 0);
  if (begin == std::string_view::npos) return std::string(text);
  const auto end = activation::find_marker_line(text, kCssEnd, begin + kCssBegin.size());
  return std::string(text.substr(0, begin)) + std::string(text.substr(end + kCssEnd.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\0');
  const std::string_view stylesheet = input.substr(0, split);
  const std::string css =
      activation::css_colour_text(split == std::string_view::npos ? std::string_view{} : input.substr(split + 1));
  for (const auto line : sys::split_lines(css))
    if (!line.empty() && !themes::is_css_colour_line(line)) std::abort();

  auto once = activation::with_managed_css(stylesheet, css);
  if (!once) return 0;
  const bool had_block = activation::find_marker_line(stylesheet, kCssBegin, 0) != std::string_view::npos;
  const std::string outside = outside_first_block(once.value());
  if (had_block ? outside != outside_first_block(stylesheet) : outside != std::string(stylesheet) + "\n\n") std::abort();
  auto twice = activation::with_managed_css(once.value(), "\n");
  if (!twice || outside_first_block(twice.value()) != outside) std::abort();
  return 0;
}
