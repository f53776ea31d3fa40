// Setting the colour theme in any settings text: when it succeeds, only
// the theme's value (or the one member inserted) differs between two
// themes, so nothing else of the user's text is touched, and setting the
// same theme again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sys/text.hpp"
#include "vscode/vscode.hpp"

namespace {

// Whether `a` and `b` are the same text but where `a` holds `x` and `b`
// holds `y`, side by side.
bool same_but_for(std::string_view a, std::string_view b, std::string_view x, std::string_view y) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a.substr(i).starts_with(x) && b.substr(j).starts_with(y)) {
      i += x.size();
      j += y.size();
    } else if (a[i++] != b[j++]) {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view settings(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kA = "Theme A \x7f", kB = "Theme \"B\"";
  auto a = vscode::set_colour_theme(settings, kA);
  auto b = vscode::set_colour_theme(settings, kB);
  if (a.ok() != b.ok()) std::abort();
  if (!a.ok()) return 0;
  if (!same_but_for(a.value(), b.value(), sys::json_string_literal(kA), sys::json_string_literal(kB))) std::abort();
  if (vscode::set_colour_theme(a.value(), kA).value() != a.value()) std::abort();
  return 0;
}
