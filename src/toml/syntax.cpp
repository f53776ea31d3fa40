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

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct Position {
  std::size_t line = 1;
  std::size_t column = 1;  ///< in characters
};

Position position_of(std::string_view text, std::size_t offset) {
  Position at;
  std::size_t pos = text.starts_with(kBom) ? kBom.size() : 0;
  char32_t cp;
  while (pos < offset && pos < text.size()) {
    if (text[pos] == '\n') {
      ++at.line;
      at.column = 1;
      ++pos;
      continue;
    }
    sys::next_code_point(text, pos, cp);
    ++at.column;
  }
  return at;
}

sys::Error error_at(std::string_view what, Position at) {
  return sys::Error{fmt::format("{} (line {}, column {})", what, at.line, at.column)};
}

bool is_ascii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// The copy of a document that toml++ reads. toml++ 3.3 runs into
// undefined behaviour when it classifies some non-ASCII characters (its
// white space table is incomplete), and it decodes every character of
// every comment, which real theme files are mostly made of. So:
//  - non-ASCII text outside strings and comments, or after a backslash,
//    is never valid TOML and is refused here;
//  - inside strings it is replaced by ASCII: an escape in single-line
//    strings (which may be keys, so different keys stay different), a
//    letter in multi-line ones;
//  - comment bodies are checked here and left out.
// Every line stays where it was; error positions are mapped back.
class ParserInput {
 public:
  explicit ParserInput(std::string_view text) : text_(text) {}

  sys::Result<void> scan();
  std::string copy() const;
  /// The offset in the original text of an offset in the copy.
  std::size_t original_offset(std::size_t copy_offset) const;

 private:
  struct Edit {
    std::size_t begin, end;
    std::string replacement;
  };

  char at(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
  bool starts(std::string_view s) const { return text_.substr(i_, s.size()) == s; }
  // After these a string may start; a quote right after anything else is
  // read by toml++ as part of a bare value.
  bool string_may_start() const {
    if (i_ == 0 || (i_ == kBom.size() && text_.starts_with(kBom))) return true;
    const char before = text_[i_ - 1];
    return before == ' ' || before == '\t' || before == '\n' || before == '\r' || before == '=' || before == '[' ||
           before == '{' || before == ',' || before == '.';
  }
  sys::Result<void> comment();
  sys::Result<void> multi_line_string();
  sys::Result<void> single_line_string();
  // Replaces the code point at i_ and moves past it.
  void replace_code_point(bool as_escape);

  std::string_view text_;
  std::size_t i_ = 0;
  std::vector<Edit> edits_;
};

sys::Result<void> ParserInput::scan() {
  if (text_.starts_with(kBom)) i_ = kBom.size();
  while (i_ < text_.size()) {
    const char c = text_[i_];
    if ((c == '"' || c == '\'') && !string_may_start()) {
      ++i_;
    } else if (c == '#') {
      if (auto ok = comment(); !ok) return ok;
    } else if (starts(R"(""")") || starts("'''")) {
      if (auto ok = multi_line_string(); !ok) return ok;
    } else if (c == '"' || c == '\'') {
      if (auto ok = single_line_string(); !ok) return ok;
    } else if (!is_ascii(c)) {
      return error_at("unexpected character outside a string or comment", position_of(text_, i_));
    } else {
      ++i_;
    }
  }
  return sys::success();
}

sys::Result<void> ParserInput::comment() {
  const std::size_t body = ++i_;
  while (i_ < text_.size() && text_[i_] != '\n') {
    const unsigned char b = static_cast<unsigned char>(text_[i_]);
    const bool line_end = b == '\r' && at(i_ + 1) == '\n';
    if ((b < 0x20 && b != '\t' && !line_end) || b == 0x7f)
      return error_at("control character in a comment", position_of(text_, i_));
    ++i_;
  }
  const std::size_t end = i_ > body && text_[i_ - 1] == '\r' ? i_ - 1 : i_;
  edits_.push_back({body, end, ""});
  return sys::success();
}

sys::Result<void> ParserInput::multi_line_string() {
  const std::string_view delimiter = text_.substr(i_, 3);
  const bool escapes = delimiter[0] == '"';
  i_ += 3;
  while (i_ < text_.size() && !starts(delimiter)) {
    if (escapes && text_[i_] == '\\') {
      std::size_t next = i_ + 1;
      while (at(next) == ' ' || at(next) == '\t' || at(next) == '\r') ++next;
      if (next < text_.size() && !is_ascii(text_[next]))
        return error_at("invalid escape sequence", position_of(text_, i_));
      i_ += 2;
    } else if (!is_ascii(text_[i_])) {
      replace_code_point(false);
    } else {
      ++i_;
    }
  }
  i_ += 3;
  return sys::success();
}

sys::Result<void> ParserInput::single_line_string() {
  const char quote = text_[i_];
  const std::size_t open = i_++;
  std::size_t close = i_;
  bool non_ascii = false;
  while (close < text_.size() && text_[close] != quote && text_[close] != '\n') {
    if (quote == '"' && text_[close] == '\\') {
      if (close + 1 < text_.size() && !is_ascii(text_[close + 1]))
        return error_at("invalid escape sequence", position_of(text_, close));
      close += 2;
      continue;
    }
    non_ascii = non_ascii || !is_ascii(text_[close]);
    ++close;
  }
  if (!non_ascii) {
    i_ = std::min(close + 1, text_.size());
    return sys::success();
  }
  if (quote == '\'' && at(close) == quote) {
    // A literal string cannot escape: it becomes a basic one.
    std::string basic = "\"";
    std::size_t pos = open + 1;
    char32_t cp;
    while (pos < close) {
      const char c = text_[pos];
      if (c == '"' || c == '\\') {
        basic += '\\';
        basic += c;
        ++pos;
      } else if (is_ascii(c)) {
        basic += c;
        ++pos;
      } else {
        sys::next_code_point(text_, pos, cp);
        basic += cp > 0xFFFF ? fmt::format("\\U{:08X}", static_cast<unsigned>(cp))
                             : fmt::format("\\u{:04X}", static_cast<unsigned>(cp));
      }
    }
    basic += '"';
    edits_.push_back({open, close + 1, std::move(basic)});
    i_ = close + 1;
    return sys::success();
  }
  while (i_ < close) {
    if (quote == '"' && text_[i_] == '\\') {
      i_ += 2;
    } else if (!is_ascii(text_[i_])) {
      replace_code_point(quote == '"');
    } else {
      ++i_;
    }
  }
  i_ = std::min(close + 1, text_.size());
  return sys::success();
}

void ParserInput::replace_code_point(bool as_escape) {
  const std::size_t begin = i_;
  char32_t cp;
  sys::next_code_point(text_, i_, cp);
  std::string replacement = "x";
  if (as_escape)
    replacement = cp > 0xFFFF ? fmt::format("\\U{:08X}", static_cast<unsigned>(cp))
                              : fmt::format("\\u{:04X}", static_cast<unsigned>(cp));
  edits_.push_back({begin, i_, std::move(replacement)});
}

std::string ParserInput::copy() const {
  std::string out;
  out.reserve(text_.size());
  std::size_t done = 0;
  for (const auto& edit : edits_) {
    out.append(text_.substr(done, edit.begin - done));
    out += edit.replacement;
    done = edit.end;
  }
  out.append(text_.substr(done));
  return out;
}

std::size_t ParserInput::original_offset(std::size_t copy_offset) const {
  std::size_t original = 0, copied = 0;  // matching offsets so far
  for (const auto& edit : edits_) {
    const std::size_t before = edit.begin - original;
    if (copy_offset < copied + before) break;
    copied += before;
    original = edit.begin;
    if (copy_offset < copied + edit.replacement.size()) return edit.begin;  // inside a replacement
    copied += edit.replacement.size();
    original = edit.end;
  }
  return original + (copy_offset - copied);
}

// The byte offset of a toml++ position in the copy, which is ASCII but for
// a leading byte order mark.
std::size_t copy_offset(std::string_view copy, std::size_t line, std::size_t column) {
  std::size_t offset = copy.starts_with(kBom) ? kBom.size() : 0;
  for (std::size_t l = 1; l < line; ++l) {
    const auto newline = copy.find('\n', offset);
    if (newline == std::string_view::npos) return copy.size();
    offset = newline + 1;
  }
  return std::min(copy.size(), offset + (column > 0 ? column - 1 : 0));
}

std::string one_line(std::string_view text) {
  std::string out;
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

}  // namespace

sys::Result<Document> parse_document(std::string_view text) {
  if (!sys::is_valid_utf8(text)) return sys::Error{"the document is not valid UTF-8"};
  ParserInput input(text);
  if (auto scanned = input.scan(); !scanned) return scanned.error();
  const std::string copy = input.copy();
  try {
    (void)toml::parse(copy, std::string_view{"theme.toml"});
  } catch (const toml::parse_error& e) {
    const std::size_t offset = copy_offset(copy, e.source().begin.line, e.source().begin.column);
    return error_at(one_line(e.description()), position_of(text, input.original_offset(offset)));
  }
  // toml++ also takes some draft syntax that TOML 1.1 left out, such as
  // "+" in bare keys: refuse whatever the editing reader does not know.
  auto [doc, surprise] = Document::read(text);
  if (surprise) {
    const std::string shown = *surprise < text.size() ? sys::screen_text(text.substr(*surprise, 1)) : "end of text";
    return error_at(fmt::format("unexpected '{}'", shown), position_of(text, *surprise));
  }
  return std::move(doc);
}

sys::Result<std::vector<PlainTable>> read_table_array(std::string_view text, std::string_view source,
                                                      std::string_view key) {
  const auto fail = [&](Position at, std::string_view what) {
    return sys::Error{fmt::format("{}:{}:{}: {}", source, at.line, at.column, one_line(what))};
  };
  if (!sys::is_valid_utf8(text)) return sys::Error{fmt::format("{}: not valid UTF-8", source)};
  ParserInput input(text);
  if (auto scanned = input.scan(); !scanned) return sys::Error{fmt::format("{}: {}", source, scanned.error_text())};
  // Single-line strings keep their meaning in the copy (their non-ASCII
  // characters become escapes).
  const std::string copy = input.copy();
  // Where each line starts, so that a position costs its own line only.
  std::vector<std::size_t> line_starts{text.starts_with(kBom) ? kBom.size() : 0};
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') line_starts.push_back(i + 1);
  const auto where = [&](const toml::source_region& region) {
    const std::size_t offset = input.original_offset(copy_offset(copy, region.begin.line, region.begin.column));
    const auto line = std::upper_bound(line_starts.begin(), line_starts.end(), offset) - line_starts.begin();
    Position at{static_cast<std::size_t>(line), 1};
    for (std::size_t pos = line_starts[line - 1]; pos < offset && pos < text.size(); ++at.column) {
      char32_t cp;
      sys::next_code_point(text, pos, cp);
    }
    return at;
  };
  toml::table root;
  try {
    root = toml::parse(copy, std::string_view{source});
  } catch (const toml::parse_error& e) {
    return fail(where(e.source()), e.description());
  }
  std::vector<PlainTable> tables;
  for (const auto& [name, node] : root) {
    if (name.str() != key) return fail(where(name.source()), fmt::format("unknown key '{}'", sys::screen_text(name.str())));
    const auto* array = node.as_array();
    if (!array || !array->is_array_of_tables())
      return fail(where(node.source()), fmt::format("'{}' must be a list of tables ([[{}]])", key, key));
    for (const auto& element : *array) {
      const auto& table = *element.as_table();
      const Position at = where(table.source());
      PlainTable plain{.entries = {}, .line = at.line, .column = at.column};
      for (const auto& [entry_key, value] : table) {
        const Position value_at = where(value.source());
        PlainValue out{.kind = PlainValue::Kind::Other, .text = {}, .items = {}, .line = value_at.line,
                       .column = value_at.column};
        if (const auto* string = value.as_string()) {
          out.kind = PlainValue::Kind::String;
          out.text = string->get();
        } else if (const auto* list = value.as_array(); list && list->is_homogeneous(toml::node_type::string)) {
          out.kind = PlainValue::Kind::StringList;
          for (const auto& item : *list) out.items.push_back(item.as_string()->get());
        }
        const Position key_at = where(entry_key.source());
        out.line = key_at.line;
        out.column = key_at.column;
        plain.entries.push_back({std::string(entry_key.str()), std::move(out)});
      }
      tables.push_back(std::move(plain));
    }
  }
  return tables;
}

sys::Result<void> check_syntax(std::string_view text) {
  auto doc = parse_document(text);
  if (!doc) return doc.error();
  return sys::success();
}

}  // namespace tomldoc
