#pragma once

#include <string_view>

#include "sys/result.hpp"
#include "toml/document.hpp"

namespace tomldoc {

/// Checks that `text` is a TOML document (TOML 1.1, as Yazi reads it).
/// The error is one line: the parser's description followed by
/// " (line L, column C)".
sys::Result<void> check_syntax(std::string_view text);

/// `check_syntax`, then the document read for editing.
sys::Result<Document> parse_document(std::string_view text);

}  // namespace tomldoc
