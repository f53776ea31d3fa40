// Drawing a screen from hostile names, filter and status text: whatever
// they hold, the output is valid UTF-8 and its only control bytes are the
// escape sequences the drawing code writes itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "switcher/draw.hpp"
#include "sys/text.hpp"

namespace {

void check_output(std::string_view out) {
  if (!sys::is_valid_utf8(out)) std::abort();
  std::size_t pos = 0;
  while (pos < out.size()) {
    const unsigned char b = static_cast<unsigned char>(out[pos]);
    if (b == 0x1b) {
      // Only CSI sequences with digits and semicolons, or "?" private modes.
      if (pos + 1 >= out.size() || out[pos + 1] != '[') std::abort();
      pos += 2;
      while (pos < out.size() && ((out[pos] >= '0' && out[pos] <= '9') || out[pos] == ';' || out[pos] == '?'))
        ++pos;
      if (pos >= out.size() || (out[pos] != 'm' && out[pos] != 'H' && out[pos] != 'J')) std::abort();
      ++pos;
      continue;
    }
    char32_t cp;
    sys::next_code_point(out, pos, cp);
    if (sys::is_control(cp) || sys::is_bidi_control(cp)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  switcher::SwitcherState state;
  // Fields separated by NUL: theme names..., then filter, status, wallpaper path.
  std::size_t start = 0;
  std::vector<std::string> fields;
  while (start <= input.size()) {
    auto end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    fields.emplace_back(input.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t i = 0; i + 3 < fields.size(); ++i) state.themes.push_back({.name = fields[i]});
  switcher::refilter(state);
  state.filter = fields.size() > 0 ? fields[fields.size() - 1] : "";
  if (fields.size() > 1) state.status = switcher::StatusLine{fields[fields.size() - 2], size % 2 == 0};
  if (fields.size() > 2) state.wallpapers.push_back({fields[fields.size() - 3], fields[fields.size() - 3]});
  state.filter_mode = size % 3 == 0;
  state.selected = state.visible.empty() ? 0 : size % state.visible.size();
  if (!state.visible.empty()) state.active_theme = state.visible_entry(0).name;

  for (auto [columns, rows] : {std::pair{30, 9}, {80, 24}, {61, 40}}) {
    check_output(switcher::draw_screen(state, {static_cast<std::uint16_t>(columns), static_cast<std::uint16_t>(rows)}));
  }
  state.section = switcher::Section::Wallpapers;
  state.selected = 0;
  check_output(switcher::draw_screen(state, {80, 30}));
  check_output(switcher::draw_screen(state, {80, 20}));
  return 0;
}
