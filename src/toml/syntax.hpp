#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sys/result.hpp"
#include "toml/document.hpp"

namespace tomldoc {

/// Checks that `text` is a TOML document (TOML 1.1, as Yazi reads it).
/// The error is one line: the parser's description followed by
/// " (line L, column C)".
sys::Result<void> check_syntax(std::string_view text);

/// `check_syntax`, then the document read for editing.
sys::Result<Document> parse_document(std::string_view text);

/// A value of a plain configuration file, and where it stands (1-based;
/// the column in characters).
struct PlainValue {
  enum class Kind { String, StringList, Other };
  Kind kind = Kind::Other;
  std::string text;                ///< a string
  std::vector<std::string> items;  ///< a list of strings
  std::size_t line = 0, column = 0;
};
struct PlainEntry {
  std::string key;
  PlainValue value;
};
struct PlainTable {
  std::vector<PlainEntry> entries;
  std::size_t line = 0, column = 0;
};
/// The tables of the array of tables `key` ([[key]]) of a document, read
/// by toml++ after the checks of `check_syntax`; a top-level key that is
/// not `key`, or a `key` that is not an array of tables, is an error. An
/// error is one line, "SOURCE:LINE:COLUMN: message".
sys::Result<std::vector<PlainTable>> read_table_array(std::string_view text, std::string_view source,
                                                      std::string_view key);

}  // namespace tomldoc
