// Rewriting btop.conf: every line that is neither a color_theme setting
// nor a comment survives unchanged and in order, exactly one color_theme
// line results, and the output ends with a line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "btop/btop.hpp"
#include "sys/text.hpp"

namespace {

bool is_theme_setting(std::string_view line) {
  const auto trimmed = sys::trim(line);
  if (trimmed.starts_with('#')) return false;
  const auto eq = trimmed.find('=');
  return eq != std::string_view::npos && sys::trim(trimmed.substr(0, eq)) == "color_theme";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view conf(reinterpret_cast<const char*>(data), size);
  const std::string out = btop::rewrite_btop_conf(conf);
  if (out.empty() || out.back() != '\n') std::abort();

  std::vector<std::string_view> kept_in;
  for (auto line : sys::split_lines(conf))
    if (!is_theme_setting(line)) kept_in.push_back(line);
  // The output is split at line feeds only: a carriage return kept inside
  // a line is that line's own byte.
  std::vector<std::string_view> kept_out;
  int theme_lines = 0;
  std::string_view rest(out);
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const auto line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    if (line == "color_theme = \"morvane\"") {
      ++theme_lines;
    } else {
      kept_out.push_back(line);
    }
  }
  if (theme_lines != 1 || kept_in != kept_out) std::abort();
  return 0;
}
