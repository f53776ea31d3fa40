// Reading a TOML document into the lossless tree. The input is known to
// be valid, so the reader only has to find where each piece ends; every
// byte lands in exactly one piece of the tree.
#include <optional>

#include "sys/text.hpp"
#include "toml/document.hpp"

namespace tomldoc {
namespace {

bool is_bare_key_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The content of a basic string with its escapes resolved.
std::string decode_basic(std::string_view body) {
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\' || i + 1 >= body.size()) {
      out += body[i];
      continue;
    }
    const char e = body[++i];
    int digits = 0;
    switch (e) {
      case 'b': out += '\b'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'f': out += '\f'; break;
      case 'r': out += '\r'; break;
      case 'e': out += '\x1b'; break;
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'x': digits = 2; break;
      case 'u': digits = 4; break;
      case 'U': digits = 8; break;
      default: out += e; break;
    }
    if (digits > 0) {
      char32_t cp = 0;
      for (int k = 0; k < digits && i + 1 < body.size() && sys::hex_digit(body[i + 1]) >= 0; ++k)
        cp = cp * 16 + static_cast<char32_t>(sys::hex_digit(body[++i]));
      sys::append_utf8(out, cp);
    }
  }
  return out;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  /// Where the text first did not have the expected shape, if anywhere.
  std::optional<std::size_t> surprise() const { return surprise_; }
  void expect(bool shape_ok) {
    if (!shape_ok && !surprise_) surprise_ = i_;
  }

  bool at_end() const { return i_ >= s_.size(); }
  char peek(std::size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }
  bool starts(std::string_view prefix) const { return s_.substr(i_, prefix.size()) == prefix; }
  std::size_t pos() const { return i_; }
  std::string slice(std::size_t from) const { return std::string(s_.substr(from, i_ - from)); }
  void skip(std::size_t n) { i_ = std::min(s_.size(), i_ + n); }

  std::string spaces() {
    const std::size_t from = i_;
    while (peek() == ' ' || peek() == '\t') ++i_;
    return slice(from);
  }

  bool newline_here() const { return peek() == '\n' || (peek() == '\r' && peek(1) == '\n'); }

  // Spacing, a comment and the line end (or the end of the text).
  std::string line_tail() {
    const std::size_t from = i_;
    spaces();
    if (peek() == '#')
      while (!at_end() && !newline_here()) ++i_;
    expect(at_end() || newline_here());
    if (peek() == '\r') ++i_;
    if (peek() == '\n') ++i_;
    return slice(from);
  }

  // Spacing, line ends and comments, as allowed inside arrays and (since
  // TOML 1.1) inline tables.
  std::string gap() {
    const std::size_t from = i_;
    for (;;) {
      if (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r') {
        ++i_;
      } else if (peek() == '#') {
        while (!at_end() && peek() != '\n') ++i_;
      } else {
        break;
      }
    }
    return slice(from);
  }

  std::string simple_key() {
    if (peek() == '"') {
      const std::size_t from = ++i_;
      while (!at_end() && peek() != '"') i_ += peek() == '\\' ? 2 : 1;
      std::string decoded = decode_basic(s_.substr(from, std::min(i_, s_.size()) - from));
      skip(1);
      return decoded;
    }
    if (peek() == '\'') {
      const std::size_t from = ++i_;
      while (!at_end() && peek() != '\'') ++i_;
      std::string literal(s_.substr(from, i_ - from));
      skip(1);
      return literal;
    }
    const std::size_t from = i_;
    while (!at_end() && is_bare_key_char(peek())) ++i_;
    expect(i_ > from);
    return slice(from);
  }

  Key key() {
    Key key;
    const std::size_t from = i_;
    key.parts.push_back(simple_key());
    for (;;) {
      const std::size_t before_dot = i_;
      spaces();
      if (peek() != '.') {
        i_ = before_dot;
        break;
      }
      ++i_;
      spaces();
      key.parts.push_back(simple_key());
    }
    key.raw = slice(from);
    return key;
  }

  // "=" with the spacing around it.
  std::string equals() {
    const std::size_t from = i_;
    spaces();
    expect(peek() == '=');
    if (peek() == '=') ++i_;
    spaces();
    return slice(from);
  }

  Value value() {
    Value v;
    const std::size_t from = i_;
    // toml++ refuses deeper nesting than this, so only text it refused
    // could get here; stop before the stack does.
    if (depth_ > kMaxNesting) {
      expect(false);
      while (!at_end() && !newline_here()) ++i_;
      v.raw = slice(from);
      return v;
    }
    ++depth_;
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{depth_};
    if (starts("\"\"\"") || starts("'''")) {
      const std::string delimiter(s_.substr(i_, 3));
      const bool escapes = delimiter[0] == '"';
      i_ += 3;
      while (!at_end() && !starts(delimiter)) i_ += escapes && peek() == '\\' ? 2 : 1;
      skip(3);
      // Up to two quotes right before the delimiter belong to the content.
      for (int extra = 0; extra < 2 && peek() == delimiter[0]; ++extra) ++i_;
    } else if (peek() == '"' || peek() == '\'') {
      simple_key();
    } else if (peek() == '[') {
      ++i_;
      for (;;) {
        const std::size_t round = i_;
        gap();
        if (at_end() || peek() == ']') break;
        value();
        gap();
        expect(peek() == ',' || peek() == ']');
        if (peek() == ',') ++i_;
        if (i_ == round) ++i_;  // only on invalid input: always make progress
      }
      skip(1);
    } else if (peek() == '{') {
      return inline_table();
    } else {
      bare_value();
    }
    v.raw = slice(from);
    return v;
  }

  Value inline_table() {
    Value v;
    v.is_table = true;
    ++i_;  // "{"
    for (;;) {
      const std::size_t round = i_;
      std::string before = gap();
      if (at_end() || peek() == '}') {
        v.trailing = std::move(before);
        break;
      }
      InlineEntry entry;
      entry.before = std::move(before);
      entry.key = key();
      entry.eq = equals();
      entry.value = value();
      std::string after = gap();
      expect(peek() == ',' || peek() == '}');
      if (peek() == ',') {
        entry.comma = true;
        entry.after = std::move(after);
        ++i_;
      }
      const bool last = !entry.comma || i_ == round;
      v.entries.push_back(std::move(entry));
      if (last) {
        // Spacing before "}" belongs to the table, not to its last entry.
        v.trailing = after + gap();
        break;
      }
    }
    skip(1);  // "}"
    return v;
  }

  // Numbers, booleans, dates and times. A date may be followed by a space
  // and a time: "1979-05-27 07:32:00Z" is one value.
  void bare_value() {
    const std::size_t from = i_;
    const auto scan = [&] {
      while (!at_end()) {
        const char c = peek();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ']' || c == '}' || c == '#') break;
        ++i_;
      }
    };
    scan();
    expect(i_ > from);
    const std::string_view token = s_.substr(from, i_ - from);
    const bool is_date = token.size() == 10 && token[4] == '-' && token[7] == '-';
    if (is_date && peek() == ' ' && is_digit(peek(1)) && is_digit(peek(2)) && peek(3) == ':') {
      ++i_;
      scan();
    }
  }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
  std::optional<std::size_t> surprise_;
  static constexpr int kMaxNesting = 300;
  int depth_ = 0;
};

}  // namespace

Document Document::parse(std::string_view text) { return read(text).document; }

Reading Document::read(std::string_view text) {
  Document doc;
  Reader in(text);
  if (in.starts("\xEF\xBB\xBF")) {
    doc.bom_ = "\xEF\xBB\xBF";
    in.skip(3);
  }
  doc.sections_.emplace_back();  // the root
  while (!in.at_end()) {
    const std::size_t line_start = in.pos();
    std::string lead = in.spaces();
    if (in.at_end() || in.peek() == '#' || in.newline_here()) {
      in.line_tail();
      Item trivia;
      trivia.lead = in.slice(line_start);
      doc.sections_.back().items.push_back(std::move(trivia));
      continue;
    }
    if (in.peek() == '[') {
      Section section;
      section.has_header = true;
      section.header_lead = std::move(lead);
      const std::size_t header_start = in.pos();
      section.is_array = in.starts("[[");
      in.skip(section.is_array ? 2 : 1);
      in.spaces();
      section.path = in.key().parts;
      in.spaces();
      in.expect(in.starts(section.is_array ? "]]" : "]"));
      in.skip(section.is_array ? 2 : 1);
      section.header_raw = in.slice(header_start);
      section.header_tail = in.line_tail();
      doc.sections_.push_back(std::move(section));
      continue;
    }
    Item pair;
    pair.is_pair = true;
    pair.lead = std::move(lead);
    pair.key = in.key();
    pair.eq = in.equals();
    pair.value = in.value();
    pair.tail = in.line_tail();
    doc.sections_.back().items.push_back(std::move(pair));
    if (in.pos() == line_start) {  // only on invalid input: never loop forever
      in.expect(false);
      break;
    }
  }
  return Reading{std::move(doc), in.surprise()};
}

}  // namespace tomldoc
