#include "sys/text.hpp"

#include <algorithm>
#include <tuple>

#include <utf8proc.h>

namespace sys {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Most text we read (configuration files, theme names) is plain ASCII:
// the helpers below check for that first and then skip the UTF-8 decoding.
bool is_ascii(std::string_view text) {
  unsigned char any = 0;
  for (const char c : text) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

bool is_ascii_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool next_code_point(std::string_view text, std::size_t& pos, char32_t& cp) {
  if (pos >= text.size()) return false;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  }
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t value = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    value = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    value = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    cp = kReplacementChar;
    ++pos;
    return true;
  }
  std::size_t i = pos + 1;
  for (std::size_t k = 1; k < length; ++k, ++i) {
    const bool in_range = i < text.size() &&
                          (k == 1 ? byte(i) >= low && byte(i) <= high : is_continuation(byte(i)));
    if (!in_range) {
      cp = kReplacementChar;
      pos = i;  // the maximal valid prefix counts as one replacement
      return true;
    }
    value = (value << 6) | (byte(i) & 0x3F);
  }
  cp = value;
  pos = i;
  return true;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    char32_t cp;
    next_code_point(text, pos, cp);
    // A replacement stands for bytes other than the encoding of U+FFFD itself.
    if (cp == kReplacementChar && text.substr(start, pos - start) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

std::string lossy_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp)) append_utf8(out, cp);
  return out;
}

std::size_t char_count(std::string_view text) {
  std::size_t count = 0;
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp)) ++count;
  return count;
}

bool is_whitespace(char32_t cp) {
  if ((cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85) return true;
  if (cp < 0xA0) return false;
  const auto category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
  return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
         category == UTF8PROC_CATEGORY_ZP;
}

bool is_control(char32_t cp) { return cp <= 0x1F || (cp >= 0x7F && cp <= 0x9F); }

bool has_control(std::string_view text) {
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp))
    if (is_control(cp)) return true;
  return false;
}

std::string_view trim(std::string_view text) {
  if (is_ascii(text)) {
    while (!text.empty() && is_ascii_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_ascii_space(text.back())) text.remove_suffix(1);
    return text;
  }
  std::size_t begin = 0;
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp) && is_whitespace(cp)) begin = pos;
  std::size_t end = begin;
  pos = begin;
  while (next_code_point(text, pos, cp)) {
    if (!is_whitespace(cp)) end = pos;
  }
  return text.substr(begin, end - begin);
}

std::vector<std::string_view> split_whitespace(std::string_view text) {
  std::vector<std::string_view> words;
  if (is_ascii(text)) {
    std::size_t pos = 0;
    for (;;) {
      while (pos < text.size() && is_ascii_space(text[pos])) ++pos;
      if (pos == text.size()) return words;
      const std::size_t start = pos;
      while (pos < text.size() && !is_ascii_space(text[pos])) ++pos;
      words.push_back(text.substr(start, pos - start));
    }
  }
  std::size_t pos = 0;
  std::size_t word_start = std::string_view::npos;
  while (pos < text.size()) {
    const std::size_t start = pos;
    char32_t cp;
    next_code_point(text, pos, cp);
    if (is_whitespace(cp)) {
      if (word_start != std::string_view::npos) {
        words.push_back(text.substr(word_start, start - word_start));
        word_start = std::string_view::npos;
      }
    } else if (word_start == std::string_view::npos) {
      word_start = start;
    }
  }
  if (word_start != std::string_view::npos) words.push_back(text.substr(word_start));
  return words;
}

std::string_view first_word(std::string_view text) {
  if (is_ascii(text)) {
    std::size_t start = 0;
    while (start < text.size() && is_ascii_space(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !is_ascii_space(text[end])) ++end;
    return text.substr(start, end - start);
  }
  std::size_t pos = 0;
  std::size_t word_start = std::string_view::npos;
  while (pos < text.size()) {
    const std::size_t start = pos;
    char32_t cp;
    next_code_point(text, pos, cp);
    if (is_whitespace(cp)) {
      if (word_start != std::string_view::npos) return text.substr(word_start, start - word_start);
    } else if (word_start == std::string_view::npos) {
      word_start = start;
    }
  }
  return word_start == std::string_view::npos ? std::string_view{} : text.substr(word_start);
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) {
      end = text.size();
    } else if (end > start && text[end - 1] == '\r') {
      --end;
    }
    lines.push_back(text.substr(start, end - start));
    start = next;
  }
  return lines;
}

namespace {

bool is_cased(char32_t cp) {
  const auto category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
  return category == UTF8PROC_CATEGORY_LU || category == UTF8PROC_CATEGORY_LL ||
         category == UTF8PROC_CATEGORY_LT;
}

bool is_case_ignorable(char32_t cp) {
  switch (cp) {
    case 0x27: case 0x2E: case 0x3A: case 0x5E: case 0x60: case 0xA8: case 0xAD: case 0xAF:
    case 0xB4: case 0xB7: case 0xB8: case 0x387: case 0x2018: case 0x2019: case 0x2024:
    case 0x2027:
      return true;
    default:
      break;
  }
  const auto category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
  return category == UTF8PROC_CATEGORY_MN || category == UTF8PROC_CATEGORY_ME ||
         category == UTF8PROC_CATEGORY_CF || category == UTF8PROC_CATEGORY_LM ||
         category == UTF8PROC_CATEGORY_SK;
}

// Capital sigma lower-cases to the final form at the end of a word: after a
// cased letter and not before one (case-ignorable characters skipped).
bool is_final_sigma(const std::u32string& cps, std::size_t i) {
  bool cased_before = false;
  for (std::size_t j = i; j-- > 0;) {
    if (is_case_ignorable(cps[j])) continue;
    cased_before = is_cased(cps[j]);
    break;
  }
  if (!cased_before) return false;
  for (std::size_t j = i + 1; j < cps.size(); ++j) {
    if (is_case_ignorable(cps[j])) continue;
    return !is_cased(cps[j]);
  }
  return true;
}

}  // namespace

std::string to_lower(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    for (char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
  }
  std::u32string cps;
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp)) cps.push_back(cp);
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (cps[i] == 0x130) {  // capital I with dot above: i followed by a combining dot
      append_utf8(out, U'i');
      append_utf8(out, 0x307);
    } else if (cps[i] == 0x3A3) {
      append_utf8(out, is_final_sigma(cps, i) ? 0x3C2 : 0x3C3);
    } else {
      append_utf8(out, static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(cps[i]))));
    }
  }
  return out;
}

bool is_bidi_control(char32_t cp) {
  return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069);
}

char32_t screen_char(char32_t cp) { return is_control(cp) || is_bidi_control(cp) ? kReplacementChar : cp; }

std::size_t cell_width(char32_t cp) {
  if (cp >= 0x20 && cp < 0x7F) return 1;
  const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(cp));
  return width < 0 ? 1 : static_cast<std::size_t>(width);
}

std::size_t append_screen_text(std::string& out, std::string_view text, std::size_t cells) {
  std::size_t pos = 0;
  std::size_t used = 0;
  char32_t cp;
  while (pos < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[pos]);
    if (b >= 0x20 && b < 0x7F) {  // fast path for printable ASCII
      if (used == cells) break;
      out += static_cast<char>(b);
      ++pos;
      ++used;
      continue;
    }
    std::size_t next = pos;
    next_code_point(text, next, cp);
    const char32_t shown = screen_char(cp);
    const std::size_t width = cell_width(shown);
    if (used + width > cells) break;
    append_utf8(out, shown);
    used += width;
    pos = next;
  }
  return used;
}

std::size_t screen_width(std::string_view text, std::size_t limit) {
  std::size_t cells = 0;
  std::size_t pos = 0;
  char32_t cp;
  while (cells <= limit && next_code_point(text, pos, cp)) cells += cell_width(screen_char(cp));
  return cells;
}

std::string_view first_chars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  char32_t cp;
  for (std::size_t i = 0; i < count && next_code_point(text, pos, cp); ++i) {
  }
  return text.substr(0, pos);
}

std::string screen_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  char32_t cp;
  while (next_code_point(text, pos, cp)) append_utf8(out, screen_char(cp));
  return out;
}

std::vector<std::string_view> path_components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    // Only a "." that begins a relative path counts.
    if (!part.empty() && !(part == "." && (start > 0 || !parts.empty()))) parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

std::string json_string_literal(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 15];
          out += kHex[c & 15];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void pop_last_char(std::string& text) {
  if (text.empty()) return;
  std::size_t end = text.size() - 1;
  while (end > 0 && is_continuation(static_cast<unsigned char>(text[end]))) --end;
  text.erase(end);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

namespace {

// Edits (insert, delete, replace) between two texts, counted in bytes.
// Longer names are not typed by hand; they get no "did you mean" by edits.
constexpr std::size_t kMaxTypedName = 256;

std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> close_names(std::string_view name, const std::vector<std::string>& names) {
  const std::string wanted = to_lower(name);
  const std::size_t slips = std::max<std::size_t>(2, wanted.size() / 4);
  // (kind of closeness, edits, name): lower sorts first.
  std::vector<std::tuple<int, std::size_t, std::string>> ranked;
  for (const auto& candidate : names) {
    // The lengths first: a name far longer or shorter than the typed one
    // is no slip, and a full edit distance against it (a huge name in the
    // downloaded index, a long typo) would take minutes.
    const std::size_t gap = std::max(candidate.size(), wanted.size()) - std::min(candidate.size(), wanted.size());
    const std::string lower = to_lower(candidate);
    if (lower == wanted) {
      ranked.emplace_back(0, 0, candidate);
    } else if (!wanted.empty() && (lower.find(wanted) != std::string::npos || wanted.find(lower) != std::string::npos)) {
      // One holds the other: the edits are the letters around it.
      ranked.emplace_back(1, gap, candidate);
    } else if (gap <= slips && wanted.size() <= kMaxTypedName) {
      if (const std::size_t edits = edit_distance(wanted, lower); edits <= slips) ranked.emplace_back(2, edits, candidate);
    }
  }
  std::sort(ranked.begin(), ranked.end());
  std::vector<std::string> out;
  for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) out.push_back(std::get<2>(ranked[i]));
  return out;
}

}  // namespace sys
