#include "templates/language.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "sys/text.hpp"

namespace templates {
namespace {

// A piece of a tag: a name, a number or a punctuation mark, and where it starts.
struct Token {
  enum Kind { Word, Number, Pipe, Open, Close, Comma, End, Bad } kind;
  std::string_view text;
};

class Tag {
 public:
  explicit Tag(std::string_view body) : body_(body) {}
  Token next() {
    while (pos_ < body_.size() && (body_[pos_] == ' ' || body_[pos_] == '\t')) ++pos_;
    if (pos_ >= body_.size()) return {Token::End, {}};
    const std::size_t start = pos_;
    const char c = body_[pos_];
    const auto single = [&](Token::Kind kind) { return Token{kind, body_.substr(pos_++, 1)}; };
    if (c == '|') return single(Token::Pipe);
    if (c == '(') return single(Token::Open);
    if (c == ')') return single(Token::Close);
    if (c == ',') return single(Token::Comma);
    if ((c >= '0' && c <= '9') || c == '.') {
      while (pos_ < body_.size() && ((body_[pos_] >= '0' && body_[pos_] <= '9') || body_[pos_] == '.')) ++pos_;
      return {Token::Number, body_.substr(start, pos_ - start)};
    }
    if (is_word(c)) {
      while (pos_ < body_.size() && is_word(body_[pos_])) ++pos_;
      return {Token::Word, body_.substr(start, pos_ - start)};
    }
    return single(Token::Bad);
  }

 private:
  static bool is_word(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (c >= '0' && c <= '9');
  }
  std::string_view body_;
  std::size_t pos_ = 0;
};

std::vector<std::string> all_names() {
  std::vector<std::string> names(std::begin(kColourNames), std::end(kColourNames));
  names.push_back("name");
  names.push_back("mode");
  return names;
}

const std::vector<std::string> kColourFilters = {"lighten", "darken", "mix"};
const std::vector<std::string> kTextFilters = {"hex", "strip", "rgb", "rgba", "hexa", "ahex", "red", "green", "blue"};

std::string unknown(std::string_view what, std::string_view name, const std::vector<std::string>& known) {
  const auto close = sys::close_names(name, known);
  std::string text = fmt::format("unknown {} '{}'", what, sys::screen_text(name));
  if (!close.empty()) text += fmt::format(" (did you mean {}?)", fmt::join(close, ", "));
  return text;
}

std::string hex2(unsigned value) { return fmt::format("{:02x}", value); }

// "#rrggbb" without a formatting library's cost: most placeholders are this.
std::string hex_of(themes::Colour c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "#000000";
  const std::uint8_t channels[] = {c.red, c.green, c.blue};
  for (int i = 0; i < 3; ++i) {
    out[1 + 2 * i] = kDigits[channels[i] >> 4];
    out[2 + 2 * i] = kDigits[channels[i] & 15];
  }
  return out;
}

// Renders the expression of one `{{ … }}`; an error is its message only.
sys::Result<std::string> expression(std::string_view body, const TemplateValues& values) {
  Tag tag(body);
  Token token = tag.next();
  if (token.kind != Token::Word) return sys::Error{token.kind == Token::End ? "empty placeholder" : "expected a name"};
  const std::string_view name = token.text;
  std::optional<themes::Colour> colour;
  std::string text;
  if (const auto it = values.colours.find(name); it != values.colours.end()) {
    colour = it->second;
  } else if (name == "name") {
    text = values.name;
  } else if (name == "mode") {
    text = values.dark ? "dark" : "light";
  } else {
    return sys::Error{unknown("name", name, all_names())};
  }
  bool text_filtered = false;
  for (token = tag.next(); token.kind != Token::End; token = tag.next()) {
    if (token.kind != Token::Pipe)
      return sys::Error{fmt::format("expected '|' or '}}}}', found '{}'", sys::screen_text(token.text))};
    token = tag.next();
    if (token.kind != Token::Word) return sys::Error{"expected a filter after '|'"};
    const std::string_view filter = token.text;
    const bool known_colour = std::find(kColourFilters.begin(), kColourFilters.end(), filter) != kColourFilters.end();
    const bool known_text = std::find(kTextFilters.begin(), kTextFilters.end(), filter) != kTextFilters.end();
    if (!known_colour && !known_text) {
      std::vector<std::string> filters = kColourFilters;
      filters.insert(filters.end(), kTextFilters.begin(), kTextFilters.end());
      return sys::Error{unknown("filter", filter, filters)};
    }
    if (!colour) return sys::Error{fmt::format("'{}' is text: filters take colours", name)};
    if (text_filtered) return sys::Error{fmt::format("'{}' after a text filter: it must come last", filter)};
    // The arguments, in parentheses.
    std::vector<Token> args;
    args.reserve(2);
    const std::size_t wanted =
        filter == "mix"                                                                                           ? 2
        : (filter == "lighten" || filter == "darken" || filter == "rgba" || filter == "hexa" || filter == "ahex") ? 1
                                                                                                                  : 0;
    Tag lookahead = tag;
    if (lookahead.next().kind == Token::Open) {
      tag.next();
      for (;;) {
        Token arg = tag.next();
        if (arg.kind == Token::Close && args.empty()) break;
        if (arg.kind != Token::Word && arg.kind != Token::Number)
          return sys::Error{fmt::format("expected an argument of {}", filter)};
        args.push_back(arg);
        Token after = tag.next();
        if (after.kind == Token::Close) break;
        if (after.kind != Token::Comma) return sys::Error{fmt::format("expected ',' or ')' in {}", filter)};
      }
    }
    if (args.size() < wanted)
      return sys::Error{fmt::format("{} needs {} argument{}", filter, wanted, wanted == 1 ? "" : "s")};
    if (args.size() > wanted)
      return sys::Error{fmt::format("{} takes {} argument{}", filter, wanted, wanted == 1 ? "" : "s")};
    const auto number = [&](const Token& arg, double low, double high) -> sys::Result<double> {
      double value = 0;
      const auto [end, ec] = std::from_chars(arg.text.data(), arg.text.data() + arg.text.size(), value);
      if (arg.kind != Token::Number || ec != std::errc() || end != arg.text.data() + arg.text.size())
        return sys::Error{fmt::format("{}: '{}' is not a number", filter, sys::screen_text(arg.text))};
      if (value < low || value > high)
        return sys::Error{fmt::format("{}: {} is out of range ({} to {})", filter, arg.text, low, high)};
      return value;
    };
    if (filter == "lighten" || filter == "darken" || filter == "mix") {
      themes::Colour towards = filter == "lighten" ? themes::Colour{255, 255, 255} : themes::Colour{0, 0, 0};
      if (filter == "mix") {
        const auto other = values.colours.find(args[0].text);
        if (args[0].kind != Token::Word || other == values.colours.end())
          return sys::Error{unknown("colour", args[0].text, {std::begin(kColourNames), std::end(kColourNames)})};
        towards = other->second;
      }
      auto percent = number(args.back(), 0, 100);
      if (!percent) return percent.error();
      colour = themes::mix_colour(*colour, towards, static_cast<float>(percent.value() / 100));
      continue;
    }
    text_filtered = true;
    const themes::Colour c = *colour;
    if (filter == "hex") {
      text = hex_of(c);
    } else if (filter == "strip") {
      text = hex_of(c).substr(1);
    } else if (filter == "rgb") {
      text = "rgb(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")";
    } else if (filter == "red" || filter == "green" || filter == "blue") {
      text = std::to_string(filter == "red" ? c.red : filter == "green" ? c.green : c.blue);
    } else {
      auto alpha = number(args[0], 0, 1);
      if (!alpha) return alpha.error();
      const std::string aa = hex2(static_cast<unsigned>(std::lround(alpha.value() * 255)));
      const std::string rgb = hex_of(c).substr(1);
      text = filter == "rgba" ? "rgba(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
                                    std::to_string(c.blue) + ", " + std::string(args[0].text) + ")"
             : filter == "hexa" ? "#" + rgb + aa
                                : "#" + aa + rgb;
    }
  }
  if (colour && !text_filtered) text = hex_of(*colour);
  return text;
}

// The line and column (1-based, in characters) of `offset` in `text`,
// counted on from (`line`, `column`) at `from`.
struct Cursor {
  std::size_t from = 0, line = 1, column = 1;
  void move_to(std::string_view text, std::size_t offset) {
    while (from < offset) {
      if (text[from] == '\n') {
        ++line;
        column = 1;
        ++from;
        continue;
      }
      char32_t cp;
      const std::size_t before = from;
      if (!sys::next_code_point(text, from, cp) || from > offset) from = before + 1;
      ++column;
    }
  }
};

}  // namespace

sys::Result<std::string> render_template(std::string_view source, std::string_view text, const TemplateValues& values) {
  std::string out;
  out.reserve(text.size());
  Cursor cursor;
  const auto fail = [&](std::size_t at, std::string_view message) {
    cursor.move_to(text, at);
    return sys::Error{fmt::format("{}:{}:{}: {}", source, cursor.line, cursor.column, message)};
  };
  // Each open `if`: where it stands, and whether its branch now is written.
  struct Open {
    std::size_t at;
    bool condition;
    bool in_else;
  };
  std::vector<Open> open;
  const auto writing = [&] {
    for (const auto& o : open)
      if (o.condition == o.in_else) return false;
    return true;
  };
  bool write = true;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t next = text.find('{', i);
    const std::size_t stop = next == std::string_view::npos ? text.size() : next;
    // A backslash before "{{" or "{%" writes the braces themselves.
    const bool escaped = stop < text.size() && stop > i && text[stop - 1] == '\\' && stop + 1 < text.size() &&
                         (text[stop + 1] == '{' || text[stop + 1] == '%');
    if (write) out.append(text.substr(i, escaped ? stop - 1 - i : stop - i));
    if (stop == text.size()) break;
    if (stop + 1 >= text.size() || (text[stop + 1] != '{' && text[stop + 1] != '%')) {
      if (write) out += '{';
      i = stop + 1;
      continue;
    }
    if (escaped) {
      if (write) out.append(text.substr(stop, 2));
      i = stop + 2;
      continue;
    }
    const bool is_value = text[stop + 1] == '{';
    const std::string_view closer = is_value ? "}}" : "%}";
    const std::size_t end = text.find(closer, stop + 2);
    if (end == std::string_view::npos) return fail(stop, is_value ? "unclosed '{{'" : "unclosed '{%'");
    const std::string_view body = text.substr(stop + 2, end - stop - 2);
    i = end + 2;
    if (is_value) {
      auto rendered = expression(body, values);
      if (!rendered) return fail(stop, rendered.error_text());
      if (write) out += rendered.value();
      continue;
    }
    const auto words = sys::split_whitespace(body);
    if (words.empty()) return fail(stop, "empty tag");
    if (words[0] == "if") {
      if (words.size() != 2 || (words[1] != "dark" && words[1] != "light"))
        return fail(stop, "expected 'if dark' or 'if light'");
      if (static_cast<int>(open.size()) == kMaxNesting)
        return fail(stop, fmt::format("more than {} nested ifs", kMaxNesting));
      open.push_back({stop, (words[1] == "dark") == values.dark, false});
    } else if (words[0] == "else" && words.size() == 1) {
      if (open.empty() || open.back().in_else) return fail(stop, "'else' without 'if'");
      open.back().in_else = true;
    } else if (words[0] == "endif" && words.size() == 1) {
      if (open.empty()) return fail(stop, "'endif' without 'if'");
      open.pop_back();
    } else {
      return fail(stop, unknown("tag", body, {"if dark", "if light", "else", "endif"}));
    }
    write = writing();
  }
  if (!open.empty()) return fail(open.back().at, "'if' without 'endif'");
  return out;
}

}  // namespace templates
