#include "activation/desktop.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using activation::css_colour_text;
using activation::with_managed_css;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::write_text;

const std::string kBlock = "/* tintwell colors begin */\na { color: red; }\n/* tintwell colors end */";

TEST(CssColourText, CommentedOutRulesStayOff) {
  EXPECT_EQ(css_colour_text("/* old rule\nbutton {\n  color: red;\n}\n*/\nlabel {\n  color: blue; /* was green\n"
                            "  background: black;\n*/}\n"),
            "label {\n  color: blue; \n}\n");
  EXPECT_EQ(css_colour_text("a { content: \"/* not a comment */\"; }\nb {\n"), "b {\n");
  EXPECT_EQ(activation::without_css_comments("x /* 1 */ y\r\n/*\r\n*/z/* a\nb */c"), "x  y\r\n\r\nz\nc");
  // An escaped quote keeps the string open: what looks like a comment in it is text.
  const std::string escaped = "a { content: \"\\\"/* not */\"; }\n";
  EXPECT_EQ(activation::without_css_comments(escaped), escaped);
  // A line end ends a string left open: a comment on the next line is a comment.
  EXPECT_EQ(activation::without_css_comments("a { content: \"open\n/* c */b"), "a { content: \"open\nb");
}

TEST(ManagedCss, ReplacesTheFirstBlockOrAppendsOne) {
  const std::string css = "a { color: red; }\n";
  for (auto c : testing_support::read_cases("managed_css.txt")) {
    std::string& after = c.at("after");
    after.replace(after.find("<block>"), 7, kBlock);
    EXPECT_EQ(with_managed_css(c.at("before"), css).value(), after) << c.at("before");
  }
  for (const char* unfinished : {"/* tintwell colors begin */\nx", "/* tintwell colors begin */\nx /* tintwell colors end */"})
    EXPECT_EQ(with_managed_css(unfinished, css).error_text(), "unfinished tintwell CSS block") << unfinished;
}

TEST(ManagedCss, ALinkBecomesAFileImportingItsTarget) {
  TempDir dir;
  fs::create_directories(dir / "gtk-4.0");
  fs::create_symlink("/usr/share/themes/X \"q\"/gtk.css", dir / "gtk-4.0" / "gtk.css");
  ASSERT_TRUE(activation::install_managed_css(dir / "gtk-4.0" / "gtk.css", "a { color: red; }\n").ok());
  EXPECT_FALSE(fs::is_symlink(dir / "gtk-4.0" / "gtk.css"));
  EXPECT_EQ(read_text(dir / "gtk-4.0" / "gtk.css"),
            "@import url(\"/usr/share/themes/X \\\"q\\\"/gtk.css\");\n\n" + kBlock + "\n");
  // A missing directory is created; an unfinished block leaves the file.
  ASSERT_TRUE(activation::install_managed_css(dir / "new" / "gtk.css", "\n").ok());
  write_text(dir / "broken.css", "/* tintwell colors begin */");
  EXPECT_FALSE(activation::install_managed_css(dir / "broken.css", "\n").ok());
  EXPECT_EQ(read_text(dir / "broken.css"), "/* tintwell colors begin */");
}

TEST(Hyprland, BorderColoursAndTheActiveFile) {
  const std::string lua = "active_border = \"rgba(89b4fa)\",\n  active_border = \"rgba(89B4FAEE)\",\n"
                          "inactive_border = 0xff000000\n";
  EXPECT_EQ(activation::border_colour(lua, "active_border", "fb"), "rgba(89B4FAEE)");
  EXPECT_EQ(activation::border_colour(lua, "inactive_border", "fb"), "fb");
  EXPECT_EQ(activation::border_colour("", "active_border", "fb"), "fb");
  const std::vector<themes::Colour> five{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {0x89, 0xb4, 0xfa}};
  EXPECT_EQ(activation::fallback_border(five, 4), "rgba(89b4faaa)");
  EXPECT_EQ(activation::fallback_border({}, 0), "rgba(808080aa)");
  EXPECT_EQ(activation::lua_quote("/a"), "\"\\047\\097\"");
  EXPECT_EQ(activation::lua_quote("\xff"), "\"\\239\\191\\189\"");  // U+FFFD
  EXPECT_EQ(activation::active_hyprland_lua("/a", "rgba(00000000)", "rgba(11111111)"),
            "dofile(\"\\047\\097\")\nhl.config({ general = { col = { active_border = \"rgba(00000000)\", "
            "inactive_border = \"rgba(11111111)\" } } })\n");
}

}  // namespace
