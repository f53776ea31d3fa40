#include "sys/text.hpp"

#include <gtest/gtest.h>

namespace {

using sys::lossy_utf8;
using sys::split_whitespace;
using sys::to_lower;
using sys::trim;

TEST(Utf8, LossyConversionReplacesEachInvalidSubpart) {
  EXPECT_EQ(lossy_utf8("plain"), "plain");
  EXPECT_EQ(lossy_utf8("a\xff" "b"), "a\uFFFD" "b");
  // A truncated three-byte sequence counts once; the byte after it is kept.
  EXPECT_EQ(lossy_utf8("\xe2\x94x"), "\uFFFDx");
  // Surrogates and overlong forms are invalid.
  EXPECT_EQ(lossy_utf8("\xed\xa0\x80"), "\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(lossy_utf8("\xc0\xaf"), "\uFFFD\uFFFD");
  EXPECT_TRUE(sys::is_valid_utf8("é ─ \uFFFD 😀"));
  EXPECT_FALSE(sys::is_valid_utf8("\xef\xbf"));
  EXPECT_EQ(sys::char_count("a─é😀"), 4u);
}

TEST(Utf8, TrimAndSplitUseUnicodeWhiteSpace) {
  EXPECT_EQ(trim("\u3000 x y\t\r\n"), "x y");
  EXPECT_EQ(trim(" \t "), "");
  EXPECT_EQ(split_whitespace("  color1\u00a0#ff0000  # red "),
            (std::vector<std::string_view>{"color1", "#ff0000", "#", "red"}));
  EXPECT_EQ(sys::first_word("\t cursor #fff"), "cursor");
  EXPECT_EQ(sys::first_word("   "), "");
}

TEST(Lowercase, FullUnicodeMapping) {
  EXPECT_EQ(to_lower("NORD Light"), "nord light");
  EXPECT_EQ(to_lower("ÉTÉ"), "été");
  EXPECT_EQ(to_lower("\u0130"), "i\u0307");
  EXPECT_EQ(to_lower("ΟΔΟΣ"), "οδος");
  EXPECT_EQ(to_lower("ΣΑ"), "σα");
  // Format characters and modifier letters do not end a word.
  EXPECT_EQ(to_lower("ΑΣ\u200bΑ ΑΣ\u02b0Α"), "ασ\u200bα ασ\u02b0α");
}

TEST(ScreenText, ControlCharactersBecomeReplacementCharacters) {
  EXPECT_EQ(sys::screen_text("ok \x1b[31mred\x07"), "ok \uFFFD[31mred\uFFFD");
  EXPECT_EQ(sys::screen_text("\x7f\xc2\x9b\xff"), "\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(sys::screen_text("tab\there"), "tab\uFFFDhere");
  // The edges of the C0 and C1 controls, and the marks that reorder a row.
  EXPECT_EQ(sys::screen_text("\x1f \x7e\u009f\u00a0"), "\uFFFD \x7e\uFFFD\u00a0");
  EXPECT_EQ(sys::screen_text("\u2029a\u202a\u202e\u202f\u2066\u2069\u206a"),
            "\u2029a\uFFFD\uFFFD\u202f\uFFFD\uFFFD\u206a");
  EXPECT_EQ(sys::trim("\u2029 name \u2028"), "name") << "paragraph and line separators are white space";
}

}  // namespace
