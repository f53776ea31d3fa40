// The only unit that includes toml++. It is built with NDEBUG: with
// assertions on, toml++ 3.3 aborts on some invalid inputs such as "[{".
#define TOML_HEADER_ONLY 0
#define TOML_ENABLE_UNRELEASED_FEATURES 1
#define TOML_IMPLEMENTATION
#include <toml++/toml.h>

#include <algorithm>
#include <vector>

#include <fmt/format.h>

#include "sys/text.hpp"
#include "toml/document.hpp"
#include "toml/syntax.hpp"

namespace tomldoc {
namespace {

sys::Error error_at(std::string_view what, std::size_t line, std::size_t column) {
  return sys::Error{fmt::format("{} (line {}, column {})", what, line, column)};
}

// The copy of the text that toml++ reads, after checks of our own:
//  - toml++ 3.3 runs into undefined behaviour when it classifies some
//    non-ASCII characters (its white space table is incomplete). No valid
//    TOML has any outside strings and comments or after a backslash, so
//    such input is refused here. Inside a multi-line string, a line-ending
//    backslash makes toml++ classify the next character: the copy holds a
//    harmless stand-in there.
//  - Comment bodies are checked here and left out of the copy: toml++
//    decodes every character it reads, and real theme files are mostly
//    commented-out tables. Lines and columns stay where they were.
struct Edit {
  std::size_t begin, end;
  std::string replacement;
};

sys::Result<std::string> parser_input(std::string_view text) {
  std::vector<Edit> edits;
  std::size_t line = 1, column = 1;
  std::size_t i = 0;
  const auto advance = [&](std::size_t n) {
    for (std::size_t k = 0; k < n && i < text.size(); ++k, ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
        ++column;
      }
    }
  };
  const auto starts = [&](std::string_view s) { return text.substr(i, s.size()) == s; };
  const auto starts_after_bom = [&] { return i == 3 && text.substr(0, 3) == "\xEF\xBB\xBF"; };
  const auto escape_is_ascii = [&] { return i + 1 >= text.size() || static_cast<unsigned char>(text[i + 1]) < 0x80; };
  if (starts("\xEF\xBB\xBF")) advance(3);  // a byte order mark is allowed
  // In valid TOML a string starts only after one of these; a quote right
  // after anything else is read by toml++ as part of a bare value.
  const auto string_may_start = [&] {
    if (i == 0 || starts_after_bom()) return true;
    const char before = text[i - 1];
    return before == ' ' || before == '\t' || before == '\n' || before == '\r' || before == '=' || before == '[' ||
           before == '{' || before == ',' || before == '.';
  };
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool quote = c == '"' || c == '\'';
    if (quote && !string_may_start()) {
      advance(1);
    } else if (c == '#') {
      advance(1);
      const std::size_t body = i;
      while (i < text.size() && text[i] != '\n') {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const bool line_end = b == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if ((b < 0x20 && b != '\t' && !line_end) || b == 0x7f)
          return error_at("control character in a comment", line, column);
        advance(1);
      }
      const std::size_t end = i > body && text[i - 1] == '\r' ? i - 1 : i;
      edits.push_back({body, end, ""});
    } else if (starts(R"(""")") || starts("'''")) {
      const std::string_view delimiter = text.substr(i, 3);
      const bool escapes = delimiter[0] == '"';
      advance(3);
      while (i < text.size() && !starts(delimiter)) {
        if (escapes && text[i] == '\\') {
          if (!escape_is_ascii()) return error_at("invalid escape sequence", line, column);
          advance(1);
          std::size_t next = i;
          while (next < text.size() && (text[next] == ' ' || text[next] == '\t' || text[next] == '\r')) ++next;
          // toml++ classifies what follows the spaces; only a line end may.
          if (next > i && next < text.size() && static_cast<unsigned char>(text[next]) >= 0x80)
            return error_at("invalid escape sequence", line, column - 1);
          if (next < text.size() && text[next] == '\n') {
            // A line-ending backslash: the parser skips white space up to
            // the next character and classifies it.
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t' || text[next] == '\r' ||
                                          text[next] == '\n'))
              ++next;
            if (next < text.size() && static_cast<unsigned char>(text[next]) >= 0x80) {
              std::size_t end = next + 1;
              while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
              edits.push_back({next, end, std::string(end - next, 'x')});
            }
          }
          advance(1);
        } else {
          advance(1);
        }
      }
      advance(3);
    } else if (c == '"' || c == '\'') {
      advance(1);
      while (i < text.size() && text[i] != static_cast<char>(c) && text[i] != '\n') {
        if (c == '"' && text[i] == '\\') {
          if (!escape_is_ascii()) return error_at("invalid escape sequence", line, column);
          advance(i + 1 < text.size() && text[i + 1] == '\n' ? 1 : 2);
        } else {
          advance(1);
        }
      }
      if (i < text.size() && text[i] == static_cast<char>(c)) advance(1);
    } else if (c >= 0x80) {
      return error_at("unexpected character outside a string or comment", line, column);
    } else {
      advance(1);
    }
  }
  std::string copy;
  copy.reserve(text.size());
  std::size_t done = 0;
  for (const auto& edit : edits) {
    copy.append(text.substr(done, edit.begin - done));
    copy += edit.replacement;
    done = edit.end;
  }
  copy.append(text.substr(done));
  return copy;
}

std::string one_line(std::string_view text) {
  std::string out;
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

}  // namespace

sys::Result<Document> parse_document(std::string_view text) {
  if (!sys::is_valid_utf8(text)) return sys::Error{"the document is not valid UTF-8"};
  auto guarded = parser_input(text);
  if (!guarded) return guarded.error();
  try {
    (void)toml::parse(guarded.value(), std::string_view{"theme.toml"});
  } catch (const toml::parse_error& e) {
    return error_at(one_line(e.description()), e.source().begin.line, e.source().begin.column);
  }
  // toml++ also takes some draft syntax that TOML 1.1 left out, such as
  // "+" in bare keys: refuse whatever the editing reader does not know.
  std::optional<std::size_t> surprise;
  Document doc = Document::parse(text, &surprise);
  if (surprise) {
    const std::string_view before = text.substr(0, *surprise);
    const auto line = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
    const auto line_start = before.rfind('\n');
    const std::size_t column =
        sys::char_count(line_start == std::string_view::npos ? before : before.substr(line_start + 1)) + 1;
    const std::string shown = *surprise < text.size() ? sys::screen_text(text.substr(*surprise, 1)) : "end of text";
    return error_at(fmt::format("unexpected '{}'", shown), line, column);
  }
  return doc;
}

sys::Result<void> check_syntax(std::string_view text) {
  auto doc = parse_document(text);
  if (!doc) return doc.error();
  return sys::success();
}

}  // namespace tomldoc
