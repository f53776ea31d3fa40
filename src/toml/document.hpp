#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tomldoc {

/// A dotted key path, each part decoded ("a"."b c" is {"a", "b c"}).
using Path = std::vector<std::string>;

struct Key {
  std::string raw;  ///< as written, with quotes, dots and inner spacing
  Path parts;
};

struct InlineEntry;

/// A value as written. Inline tables are kept as entries so they can be
/// edited; every other value (strings, numbers, arrays...) is its text.
struct Value {
  std::string raw;
  bool is_table = false;
  std::vector<InlineEntry> entries;  ///< inline table entries, in order
  std::string trailing;              ///< between the last entry (or its comma) and "}"
};

/// One `key = value` inside an inline table, with the text around it.
struct InlineEntry {
  std::string before;  ///< after "{" or the previous comma, up to the key
  Key key;
  std::string eq;  ///< the "=" with its spacing
  Value value;
  std::string after;  ///< after the value, up to the comma or the end
  bool comma = false;
};

/// A line of a table body: a key/value pair, or a blank or comment line.
struct Item {
  bool is_pair = false;
  std::string lead;  ///< indentation; for a blank or comment line, the whole line
  Key key;
  std::string eq;
  Value value;
  std::string tail;  ///< spacing, comment and line end after the value
};

/// A `[table]` or `[[array]]` header with its body; the first section of a
/// document is the root and has no header.
struct Section {
  bool has_header = false;
  bool is_array = false;
  std::string header_lead;
  std::string header_raw;  ///< from "[" to "]" inclusive
  Path path;
  std::string header_tail;
  std::vector<Item> items;
};

/// A TOML document that remembers how it was written: printing an
/// unedited document gives back its input byte for byte, and edits touch
/// only what they change. Parsing assumes valid TOML (check it first with
/// `check_syntax`).
///
/// Standard tables, inline tables and dotted keys are treated alike:
/// `[a] b = 1`, `a = { b = 1 }` and `a.b = 1` all put 1 at path {a, b}.
struct Reading;

class Document {
 public:
  static Document parse(std::string_view text);
  /// `parse`, also telling where, if anywhere, the text first left the
  /// shapes this reader knows; the syntax check refuses such text, so that
  /// every document it accepts is one this reader keeps exactly.
  static Reading read(std::string_view text);
  std::string print() const;

  enum class Kind { Missing, Table, Value };
  Kind kind(const Path& path) const;
  /// The text of the value at `path`, when it is not a table.
  std::optional<std::string> value_text(const Path& path) const;
  /// The names directly below table `path`, in document order.
  std::vector<std::string> keys(const Path& path) const;

  /// Removes the value at `path` however it is written: its pair (in a
  /// table body with its own line and comment, in an inline table with its
  /// comma and the rest of its line), the dotted keys beneath it, its own
  /// [table] header and those of its sub-tables, with their bodies.
  /// Everything else keeps its bytes. False when there is nothing there.
  bool remove(const Path& path);
  /// Sets the value at `path` to the TOML text `raw`. An existing pair
  /// keeps its key and spacing; a table there is removed first. A new pair
  /// goes after the last pair of its table (or at the end of an inline
  /// table, in its spacing).
  void set(const Path& path, std::string_view raw);
  /// Appends an empty `[path]` table at the end, after a blank line.
  void add_table(const Path& path);

 private:
  std::string bom_;
  std::vector<Section> sections_;
};

struct Reading {
  Document document;
  /// The offset of the first text this reader does not know, if any.
  std::optional<std::size_t> surprise;
};

/// A key part written as a bare key when it can be, else as a quoted one.
std::string render_key_part(std::string_view part);

}  // namespace tomldoc
