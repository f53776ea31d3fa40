// Rewriting btop.conf: every byte outside the color_theme settings stays
// as it was, line ends included, and exactly one color_theme line results.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "btop/btop.hpp"
#include "sys/text.hpp"

namespace {

bool is_theme_setting(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  const auto trimmed = sys::trim(line);
  if (trimmed.starts_with('#')) return false;
  const auto eq = trimmed.find('=');
  return eq != std::string_view::npos && sys::trim(trimmed.substr(0, eq)) == "color_theme";
}

// The text without its lines (each with its line end) that `drop` picks;
// counts them in `dropped`.
template <class Pick>
std::string without_lines(std::string_view text, Pick drop, int& dropped) {
  std::string out;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const auto whole = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
    text.remove_prefix(whole.size());
    std::string_view line = whole;
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (drop(line)) {
      ++dropped;
    } else {
      out += whole;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view conf(reinterpret_cast<const char*>(data), size);
  const std::string out = btop::rewrite_btop_conf(conf);

  int settings_in = 0;
  int ours = 0;
  const std::string kept_in = without_lines(conf, is_theme_setting, settings_in);
  const std::string kept_out = without_lines(
      out, [](std::string_view line) { return line == "color_theme = \"morvane\"" || line == "color_theme = \"morvane\"\r"; },
      ours);
  if (ours != 1) std::abort();
  // Only a line end may have been added, to end a last line that had none.
  if (kept_out != kept_in && kept_out != kept_in + "\n" && kept_out != kept_in + "\r\n") std::abort();
  return 0;
}
