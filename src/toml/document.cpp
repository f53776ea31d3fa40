#include "toml/document.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <type_traits>

namespace tomldoc {
namespace {

using PathView = std::span<const std::string>;
/// A full path while visiting: views into the keys, so visiting allocates nothing.
using FullPath = std::span<const std::string_view>;

template <class A, class B>
bool starts_with(const A& path, const B& prefix) {
  return path.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), path.begin(),
                    [](const auto& x, const auto& y) { return std::string_view(x) == std::string_view(y); });
}

template <class A, class B>
bool equals(const A& a, const B& b) {
  return a.size() == b.size() && starts_with(a, b);
}

void print_value(std::string& out, const Value& v);

void print_entries(std::string& out, const Value& v) {
  out += '{';
  for (const auto& entry : v.entries) {
    out += entry.before;
    out += entry.key.raw;
    out += entry.eq;
    print_value(out, entry.value);
    out += entry.after;
    if (entry.comma) out += ',';
  }
  out += v.trailing;
  out += '}';
}

void print_value(std::string& out, const Value& v) {
  if (v.is_table) {
    print_entries(out, v);
  } else {
    out += v.raw;
  }
}

/// Where a pair lives: a line of a section, or an entry of an inline table.
/// `S` and `V` are `Section` and `Value`, const when only reading.
template <class S, class V>
struct BasicLocation {
  S* section = nullptr;
  std::size_t index = 0;
  V* table = nullptr;
  /// How many parts of the pair's full path name its container.
  std::size_t container_depth = 0;
};
using Location = BasicLocation<Section, Value>;

/// Calls `f(full path, value, location)` for every pair, inline entries
/// included, outside arrays of tables. Stops when `f` returns true.
template <class S, class V, class F>
bool visit_value(std::vector<std::string_view>& path, V& value, const BasicLocation<S, V>& where, F& f) {
  if (f(FullPath(path), value, where)) return true;
  if (!value.is_table) return false;
  const std::size_t depth = path.size();
  for (std::size_t k = 0; k < value.entries.size(); ++k) {
    auto& entry = value.entries[k];
    path.insert(path.end(), entry.key.parts.begin(), entry.key.parts.end());
    const bool stop = visit_value(path, entry.value, BasicLocation<S, V>{nullptr, k, &value, depth}, f);
    path.resize(depth);
    if (stop) return true;
  }
  return false;
}

/// Visits the pairs of one section; returns true when `f` asked to stop.
template <class S, class F>
bool visit_section(S& section, std::vector<std::string_view>& path, F& f) {
  using V = std::conditional_t<std::is_const_v<S>, const Value, Value>;
  if (section.is_array) return false;
  for (std::size_t j = 0; j < section.items.size(); ++j) {
    auto& item = section.items[j];
    if (!item.is_pair) continue;
    path.assign(section.path.begin(), section.path.end());
    path.insert(path.end(), item.key.parts.begin(), item.key.parts.end());
    if (visit_value(path, item.value, BasicLocation<S, V>{&section, j, nullptr, section.path.size()}, f)) return true;
  }
  return false;
}

bool on_the_way(const Section& section, PathView focus) {
  return starts_with(section.path, focus) || starts_with(focus, section.path);
}

/// Only sections on the way to or below `focus` are visited. `Sections`
/// may be const, and then so are the values handed to `f`.
template <class Sections, class F>
void visit_pairs(Sections& sections, PathView focus, F&& f) {
  std::vector<std::string_view> path;
  path.reserve(16);
  for (auto& section : sections)
    if (on_the_way(section, focus) && visit_section(section, path, f)) return;
}

std::string key_text(PathView parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '.';
    out += render_key_part(part);
  }
  return out;
}

bool ends_with_newline(const std::string& text) { return !text.empty() && text.back() == '\n'; }

std::string newline_like(const std::string& sample) {
  return sample.size() >= 2 && sample.ends_with("\r\n") ? "\r\n" : "\n";
}

// Inserts `key = raw` into a section body after item `after` (or right
// after the header when `after` is npos), indented like the pair before.
void insert_pair(Section& section, std::size_t after, PathView parts, std::string_view raw) {
  Item pair;
  pair.is_pair = true;
  pair.key = Key{key_text(parts), Path(parts.begin(), parts.end())};
  pair.eq = " = ";
  pair.value.raw = std::string(raw);
  std::string* previous_end = &section.header_tail;
  if (after != std::string::npos) {
    const Item& before = section.items[after];
    pair.lead = before.lead;
    previous_end = &section.items[after].tail;
  }
  pair.tail = newline_like(*previous_end);
  if (!ends_with_newline(*previous_end)) *previous_end += pair.tail;  // it was the last line of the file
  const std::size_t at = after == std::string::npos ? 0 : after + 1;
  section.items.insert(section.items.begin() + static_cast<std::ptrdiff_t>(at), std::move(pair));
}

// Appends `key = raw` to an inline table, spaced like its other entries.
void append_entry(Value& table, PathView parts, std::string_view raw) {
  InlineEntry entry;
  entry.key = Key{key_text(parts), Path(parts.begin(), parts.end())};
  entry.value.raw = std::string(raw);
  if (table.entries.empty()) {
    entry.before = " ";
    entry.eq = " = ";
    if (table.trailing.empty()) table.trailing = " ";
  } else {
    InlineEntry& last = table.entries.back();
    // The separation the last entry has, without any comment in it.
    const auto line_break = last.before.rfind('\n');
    if (line_break == std::string::npos) {
      entry.before = last.before;
    } else {
      const bool crlf = line_break > 0 && last.before[line_break - 1] == '\r';
      entry.before = (crlf ? "\r\n" : "\n") + last.before.substr(line_break + 1);
    }
    entry.eq = last.eq;
    // A trailing comma stays trailing; otherwise the old last entry gets one.
    entry.comma = last.comma;
    last.comma = true;
  }
  table.entries.push_back(std::move(entry));
}

// What stays of the text around a removed inline entry: `before` is the
// separator in front of it, `rest` all that follows its value (and comma)
// up to the next entry or the closing brace. The entry's own line goes:
// its indentation, the entry, and the spacing and comment after it. The
// lines before it (such as a comment ending the previous line) stay, and
// are still ended by a line break.
std::string around_removed_entry(std::string_view before, std::string_view rest) {
  const auto last_break = before.rfind('\n');
  const auto next_break = rest.find('\n');
  if (next_break == std::string_view::npos) {
    // The entry shares its line with what follows: only it goes.
    return std::string(last_break == std::string_view::npos ? std::string_view{} : before) + std::string(rest);
  }
  std::string_view kept = last_break == std::string_view::npos ? std::string_view{} : before.substr(0, last_break);
  if (kept.ends_with('\r')) kept.remove_suffix(1);
  const bool crlf = next_break > 0 && rest[next_break - 1] == '\r';
  return std::string(kept) + std::string(rest.substr(crlf ? next_break - 1 : next_break));
}

// Removes entry `k` with its own line; everything around it keeps its bytes.
void remove_entry(Value& table, std::size_t k) {
  auto& entries = table.entries;
  const InlineEntry& entry = entries[k];
  if (entry.comma) {
    std::string& following = k + 1 < entries.size() ? entries[k + 1].before : table.trailing;
    following = around_removed_entry(entry.before, following);
  } else {
    // The last entry goes with the comma before it.
    if (k > 0) entries[k - 1].comma = false;
    table.trailing = around_removed_entry(entry.before, entry.after + table.trailing);
  }
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(k));
}

// Removes the first pair (or inline entry) at or below `path`; false when
// there is none.
bool remove_one_pair(std::vector<Section>& sections, PathView path) {
  std::optional<Location> found;
  visit_pairs(sections, path, [&](FullPath full, Value&, const Location& where) {
    if (!starts_with(full, path)) return false;
    found = where;
    return true;
  });
  if (!found) return false;
  if (found->section) {
    auto& items = found->section->items;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(found->index));
  } else {
    remove_entry(*found->table, found->index);
  }
  return true;
}


// Gives an existing pair at `path` the value `raw`; it keeps its key and
// spacing. False when there is no such pair.
bool replace_value(std::vector<Section>& sections, PathView path, std::string_view raw) {
  bool replaced = false;
  visit_pairs(sections, path, [&](FullPath full, Value& v, const Location&) {
    if (!equals(full, path)) return false;
    v = Value{};
    v.raw = std::string(raw);
    replaced = true;
    return true;
  });
  return replaced;
}

Value* find_inline_table(std::vector<Section>& sections, PathView table) {
  Value* found = nullptr;
  visit_pairs(sections, table, [&](FullPath full, Value& v, const Location&) {
    if (!equals(full, table) || !v.is_table) return false;
    found = &v;
    return true;
  });
  return found;
}

Section* find_section(std::vector<Section>& sections, PathView table) {
  for (auto& section : sections)
    if (!section.is_array && equals(section.path, table)) return &section;
  return nullptr;
}

std::size_t last_pair(const Section& section) {
  std::size_t last = std::string::npos;
  for (std::size_t j = 0; j < section.items.size(); ++j)
    if (section.items[j].is_pair) last = j;
  return last;
}

// The last pair whose dotted key makes up part of `table`.
std::optional<Location> last_dotted_member(std::vector<Section>& sections, PathView table) {
  std::optional<Location> container;
  visit_pairs(sections, table, [&](FullPath full, Value&, const Location& where) {
    if (full.size() > table.size() && starts_with(full, table) && where.container_depth <= table.size())
      container = where;
    return false;
  });
  return container;
}

// Whether `table` exists only through the headers of its sub-tables.
bool is_implied_table(const std::vector<Section>& sections, PathView table) {
  return std::any_of(sections.begin(), sections.end(), [&](const Section& section) {
    return section.has_header && section.path.size() > table.size() && starts_with(section.path, table);
  });
}

// Appends an empty `[path]` table at the end, after a blank line.
void append_table(std::vector<Section>& sections, PathView path) {
  // The text so far must end with a line end and, unless empty, a blank line.
  std::string* last_piece = nullptr;
  bool blank_before = false;
  bool empty = true;
  for (auto& section : sections) {
    if (section.has_header) {
      last_piece = &section.header_tail;
      blank_before = false;
      empty = false;
    }
    for (auto& item : section.items) {
      last_piece = item.is_pair ? &item.tail : &item.lead;
      blank_before = !item.is_pair && item.lead.find_first_not_of(" \t\r\n") == std::string::npos;
      empty = false;
    }
  }
  const std::string newline = last_piece ? newline_like(*last_piece) : "\n";
  Section section;
  section.has_header = true;
  section.header_raw = "[" + key_text(path) + "]";
  section.path = Path(path.begin(), path.end());
  section.header_tail = newline;
  if (!empty) {
    if (!ends_with_newline(*last_piece)) *last_piece += newline;
    if (!blank_before) section.header_lead = newline;
  }
  sections.push_back(std::move(section));
}

// Adds the pair `path` = `raw` to the table named by the first `depth`
// parts of `path`, if that table exists in any form. The rest of the path
// becomes the new pair's (dotted) key.
bool insert_below(std::vector<Section>& sections, PathView path, std::size_t depth, std::string_view raw) {
  const PathView table = path.first(depth);
  const PathView rest = path.subspan(depth);
  if (Value* inline_table = find_inline_table(sections, table)) {
    append_entry(*inline_table, rest, raw);
    return true;
  }
  if (Section* section = find_section(sections, table)) {
    insert_pair(*section, last_pair(*section), rest, raw);
    return true;
  }
  if (const auto member = last_dotted_member(sections, table)) {
    const PathView relative = path.subspan(member->container_depth);
    if (member->section) {
      insert_pair(*member->section, member->index, relative, raw);
    } else {
      append_entry(*member->table, relative, raw);
    }
    return true;
  }
  if (is_implied_table(sections, table)) {
    append_table(sections, table);
    insert_pair(sections.back(), std::string::npos, rest, raw);
    return true;
  }
  return false;
}

}  // namespace

std::string render_key_part(std::string_view part) {
  const bool bare = !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
  if (bare) return std::string(part);
  std::string out = "\"";
  for (unsigned char c : part) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Document::print() const {
  std::string out = bom_;
  for (const auto& section : sections_) {
    if (section.has_header) {
      out += section.header_lead;
      out += section.header_raw;
      out += section.header_tail;
    }
    for (const auto& item : section.items) {
      out += item.lead;
      if (!item.is_pair) continue;
      out += item.key.raw;
      out += item.eq;
      print_value(out, item.value);
      out += item.tail;
    }
  }
  return out;
}

Document::Kind Document::kind(const Path& path) const {
  bool table = false, value = false;
  for (const auto& section : sections_) {
    if (!section.has_header) continue;
    if (equals(section.path, path)) (section.is_array ? value : table) = true;
    if (section.path.size() > path.size() && starts_with(section.path, path)) table = true;
  }
  visit_pairs(sections_, path, [&](FullPath full, const Value& v, const auto&) {
    if (equals(full, path)) (v.is_table ? table : value) = true;
    if (full.size() > path.size() && starts_with(full, path)) table = true;
    return false;
  });
  if (value) return Kind::Value;
  return table ? Kind::Table : Kind::Missing;
}

std::optional<std::string> Document::value_text(const Path& path) const {
  std::optional<std::string> text;
  visit_pairs(sections_, path, [&](FullPath full, const Value& v, const auto&) {
    if (!equals(full, path) || v.is_table) return false;
    text = v.raw;
    return true;
  });
  return text;
}

std::vector<std::string> Document::keys(const Path& path) const {
  std::vector<std::string> names;
  const auto add = [&](const auto& full) {
    if (full.size() <= path.size() || !starts_with(full, path)) return;
    const std::string_view name = full[path.size()];
    if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
  };
  const auto add_pair = [&](FullPath full, const Value&, const auto&) {
    add(full);
    return false;
  };
  std::vector<std::string_view> stack;
  for (const auto& section : sections_) {
    if (!on_the_way(section, path)) continue;
    if (section.has_header) add(section.path);
    visit_section(section, stack, add_pair);
  }
  return names;
}

bool Document::remove(const Path& path) {
  if (path.empty()) return false;
  // Its own [table] or [[array]] headers and those of its sub-tables, with
  // their bodies (the root, with no header, is never one of them)...
  const auto first_removed = std::remove_if(sections_.begin() + 1, sections_.end(),
                                            [&](const Section& section) { return starts_with(section.path, path); });
  bool removed = first_removed != sections_.end();
  sections_.erase(first_removed, sections_.end());
  // ...then the pair itself and the dotted keys beneath it.
  while (remove_one_pair(sections_, path)) removed = true;
  return removed;
}

void Document::set(const Path& path, std::string_view raw) {
  if (path.empty()) return;
  if (replace_value(sections_, path, raw)) return;
  // A table at the path gives way to the value.
  remove(path);
  // A new pair goes into the nearest table on its path that exists, with
  // the rest of the path as a dotted key; usually that is its own table.
  // The root always exists, so the search ends there at the latest.
  for (std::size_t depth = path.size() - 1; depth > 0; --depth)
    if (insert_below(sections_, path, depth, raw)) return;
  insert_pair(sections_.front(), last_pair(sections_.front()), path, raw);
}

void Document::add_table(const Path& path) { append_table(sections_, path); }

}  // namespace tomldoc
