#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

constexpr char32_t kReplacementChar = 0xFFFD;

/// Decodes the code point at `pos` and advances `pos` past it. Invalid
/// UTF-8 decodes as U+FFFD, one per maximal invalid subpart (the usual
/// lossy conversion). Returns false at the end of the text.
bool next_code_point(std::string_view text, std::size_t& pos, char32_t& cp);

void append_utf8(std::string& out, char32_t cp);
bool is_valid_utf8(std::string_view text);
/// The text with each invalid sequence replaced by U+FFFD.
std::string lossy_utf8(std::string_view text);
/// Number of Unicode scalar values (after lossy decoding).
std::size_t char_count(std::string_view text);

/// The Unicode White_Space property.
bool is_whitespace(char32_t cp);
/// C0 controls, DEL and C1 controls (U+0000-U+001F, U+007F-U+009F).
bool is_control(char32_t cp);
/// Whether the text holds a control character.
bool has_control(std::string_view text);

std::string_view trim(std::string_view text);
/// Words separated by runs of Unicode white space.
std::vector<std::string_view> split_whitespace(std::string_view text);
/// The first word, or an empty view when there is none.
std::string_view first_word(std::string_view text);

/// The lines of a text: split at line feeds, one carriage return before a
/// line feed dropped, no extra empty line after a final line feed.
std::vector<std::string_view> split_lines(std::string_view text);

/// Full Unicode lower-casing (including the multi-character mapping of
/// U+0130 and the final form of capital sigma).
std::string to_lower(std::string_view text);

/// Bidirectional formatting characters, which reorder what follows them
/// on the row (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069).
bool is_bidi_control(char32_t cp);

/// What the terminal is given for `cp`: U+FFFD for controls and
/// bidirectional formatting characters, so that no text can send escape
/// sequences or reorder the row; `cp` itself otherwise.
char32_t screen_char(char32_t cp);
/// Terminal cells `cp` takes: two for East Asian wide and fullwidth
/// characters, none for combining and other zero-width ones, else one.
std::size_t cell_width(char32_t cp);

/// Text made safe to print on a terminal (`screen_char` of each character,
/// invalid UTF-8 as U+FFFD).
std::string screen_text(std::string_view text);
/// Appends the longest start of `text` that fits in `cells` terminal
/// cells to `out`, made safe as by `screen_text`; returns the cells used.
std::size_t append_screen_text(std::string& out, std::string_view text, std::size_t cells);
/// The cells `text` takes on the terminal, counted up to `limit` (a text
/// wider than that reports more than `limit`, not its full width).
std::size_t screen_width(std::string_view text, std::size_t limit);
/// The first `count` characters of `text` (all of it when shorter).
std::string_view first_chars(std::string_view text, std::size_t count);

/// The components of a path written as text, the way a path reads them:
/// split at "/", with empty parts (repeated or trailing separators) and
/// "." parts other than a leading one dropped. A leading "/" is not one.
std::vector<std::string_view> path_components(std::string_view path);

/// `text` as a JSON string literal: quotes and backslashes escaped, \b \t
/// \n \f \r for those controls, \u00xx for the other characters below
/// U+0020, everything else (UTF-8 included) as it is.
std::string json_string_literal(std::string_view text);

/// Removes the last code point of a valid UTF-8 text; no-op when empty.
void pop_last_char(std::string& text);

/// The value of a hexadecimal digit (either case), or -1.
int hex_digit(char c);

/// Up to three names of `names` that `name` may have been meant as: the
/// same name in another letter case first, then names that contain it or
/// that it contains, then names a couple of typing slips away.
std::vector<std::string> close_names(std::string_view name, const std::vector<std::string>& names);

}  // namespace sys
