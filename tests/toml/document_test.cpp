#include "toml/document.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "toml/syntax.hpp"

namespace {

namespace fs = std::filesystem;
using tomldoc::Document;
using Kind = tomldoc::Document::Kind;

std::string edit(std::string_view text, const std::function<void(Document&)>& change) {
  EXPECT_TRUE(tomldoc::check_syntax(text).ok()) << text;
  Document doc = Document::parse(text);
  change(doc);
  const std::string out = doc.print();
  EXPECT_TRUE(tomldoc::check_syntax(out).ok()) << out;
  return out;
}

std::vector<fs::path> toml_files(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().extension() == ".toml") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(TomlRoundTrip, HandWrittenCornerCases) {
  const char* documents[] = {
      "",
      "\n\n",
      ("\xEF\xBB\xBF" "a = 1\n"),
      "a = 1",
      "# only a comment",
      "a.b . \"c d\" = 'x' # note\r\nb = 1979-05-27 07:32:00Z\n",
      "s = \"\"\"\nmulti \\\"\"\" line\"\"\"\"\" \nt = '''it's'''''\n",
      "arr = [ 1, [2, 3], { a = 1 }, # c\n  \"]\" ,\n]\n",
      "t = {\n  a = 1, # first\n  b = { c = 2 },\n}\n",
      "[ a . b ]  # header\n  k = 1\n[[arr]]\nx = 1\n[[ arr ]]\n",
      "e = \"\\e[0m \\x41\"\ntime = 07:32\n",
      "\t[tabbed]\n\tkey\t=\t\"v\"\t\n",
  };
  for (const char* text : documents) {
    ASSERT_TRUE(tomldoc::check_syntax(text).ok()) << text << tomldoc::check_syntax(text).error_text();
    EXPECT_EQ(Document::parse(text).print(), text);
  }
}

TEST(TomlRoundTrip, DeepNestingUpToWhatTheCheckAllows) {
  const std::string deep = "a = " + std::string(200, '[') + std::string(200, ']') + "\n";
  ASSERT_TRUE(tomldoc::check_syntax(deep).ok());
  EXPECT_EQ(Document::parse(deep).print(), deep);
  std::string braces = "a = 0";
  for (int i = 0; i < 5000; ++i) braces += '{';
  EXPECT_FALSE(tomldoc::check_syntax(braces).ok());  // and no stack overflow on the way
}

TEST(TomlRoundTrip, ValidSuiteAndRealYaziFiles) {
  std::size_t count = 0;
  for (const char* sub : {"toml-test/valid", "yazi", "real-configs/yazi"}) {
    const auto dir = testing_support::data_dir(sub);
    if (!dir) continue;
    for (const auto& file : toml_files(*dir)) {
      const std::string text = testing_support::read_text(file);
      auto valid = tomldoc::check_syntax(text);
      ASSERT_TRUE(valid.ok()) << file << ": " << valid.error_text();
      EXPECT_EQ(Document::parse(text).print(), text) << file;
      ++count;
    }
  }
  if (count == 0) GTEST_SKIP() << "toml-test and Yazi data not found (set TINTWELL_DATA_DIR)";
}

TEST(TomlSyntax, InvalidSuiteIsRefusedWithOneLine) {
  const auto suite = testing_support::data_dir("toml-test/invalid");
  if (!suite) GTEST_SKIP() << "toml-test data not found (set TINTWELL_DATA_DIR)";
  // Invalid in TOML 1.0, valid in the TOML 1.1 that Yazi reads.
  const std::set<std::string> toml_1_1 = {
      "string/basic-byte-escapes.toml", "inline-table/linebreak-01.toml", "inline-table/linebreak-02.toml",
      "inline-table/linebreak-03.toml", "inline-table/linebreak-04.toml", "inline-table/trailing-comma.toml",
      "datetime/no-secs.toml",          "local-time/no-secs.toml",        "local-datetime/no-secs.toml",
  };
  for (const auto& file : toml_files(*suite)) {
    const std::string name = fs::relative(file, *suite).string();
    auto result = tomldoc::check_syntax(testing_support::read_text(file));
    if (toml_1_1.contains(name)) {
      EXPECT_TRUE(result.ok()) << name;
      continue;
    }
    ASSERT_FALSE(result.ok()) << name;
    EXPECT_EQ(result.error_text().find('\n'), std::string::npos) << name;
    EXPECT_FALSE(result.error_text().empty());
  }
}

TEST(TomlSyntax, ErrorTextAndRiskyInputs) {
  auto header = tomldoc::check_syntax("[a\n");
  ASSERT_FALSE(header.ok());
  EXPECT_EQ(header.error_text(), "Error while parsing table header: expected ']', saw '\\n' (line 1, column 3)");
  EXPECT_FALSE(tomldoc::check_syntax("[\n").ok());
  EXPECT_FALSE(tomldoc::check_syntax("[{").ok());
  EXPECT_FALSE(tomldoc::check_syntax("[[[1]]]").ok());
  auto accent = tomldoc::check_syntax("x = 1\né = 1\n");
  ASSERT_FALSE(accent.ok());
  EXPECT_EQ(accent.error_text(), "unexpected character outside a string or comment (line 2, column 1)");
  EXPECT_TRUE(tomldoc::check_syntax("é = \"é\" # é\n").ok() == false);
  EXPECT_TRUE(tomldoc::check_syntax("\"é\" = \"é\" # é\ns = '''\né'''\n").ok());
  EXPECT_FALSE(tomldoc::check_syntax("a = \"\xff\"").ok());
  // Spots where toml++ 3.3 would misbehave on non-ASCII text.
  EXPECT_EQ(tomldoc::check_syntax("a = \"\\é\"\n").error_text(), "invalid escape sequence (line 1, column 6)");
  EXPECT_FALSE(tomldoc::check_syntax("s =8'''\uFEDF'''\n").ok());
  const std::string trimmed = "s = \"\"\"\\\n   été\"\"\"\n";
  ASSERT_TRUE(tomldoc::check_syntax(trimmed).ok());
  EXPECT_EQ(Document::parse(trimmed).print(), trimmed);
  // Draft syntax toml++ takes but TOML 1.1 does not.
  EXPECT_EQ(tomldoc::check_syntax("x+ = 1\n").error_text(), "unexpected '+' (line 1, column 2)");
}

TEST(TomlQuery, TablesInlineTablesAndDottedKeysAlike) {
  const Document doc = Document::parse(
      "top = 1\n"
      "inline = { a = 1, b = { c = 2 } }\n"
      "dotted.x.y = 3\n"
      "[std]\n"
      "k = 'v'\n"
      "[std.sub]\n"
      "[[list]]\n"
      "n = 1\n");
  EXPECT_EQ(doc.kind({"top"}), Kind::Value);
  EXPECT_EQ(doc.kind({"inline"}), Kind::Table);
  EXPECT_EQ(doc.kind({"inline", "b"}), Kind::Table);
  EXPECT_EQ(doc.kind({"inline", "b", "c"}), Kind::Value);
  EXPECT_EQ(doc.kind({"dotted"}), Kind::Table);
  EXPECT_EQ(doc.kind({"dotted", "x"}), Kind::Table);
  EXPECT_EQ(doc.kind({"std"}), Kind::Table);
  EXPECT_EQ(doc.kind({"std", "sub"}), Kind::Table);
  EXPECT_EQ(doc.kind({"list"}), Kind::Value);
  EXPECT_EQ(doc.kind({"missing"}), Kind::Missing);
  EXPECT_EQ(doc.kind({"list", "n"}), Kind::Missing);
  EXPECT_EQ(doc.value_text({"std", "k"}), "'v'");
  EXPECT_EQ(doc.value_text({"inline", "b", "c"}), "2");
  EXPECT_EQ(doc.value_text({"inline"}), std::nullopt);
  EXPECT_EQ(doc.keys({}), (std::vector<std::string>{"top", "inline", "dotted", "std", "list"}));
  EXPECT_EQ(doc.keys({"std"}), (std::vector<std::string>{"k", "sub"}));
  EXPECT_EQ(doc.keys({"inline"}), (std::vector<std::string>{"a", "b"}));
}

TEST(TomlEdit, RemoveTakesTheLineOrTheComma) {
  EXPECT_EQ(edit("[mgr]\ncwd = 1 # gone too\nfind = 2\n", [](Document& d) { d.remove({"mgr", "cwd"}); }),
            "[mgr]\nfind = 2\n");
  EXPECT_EQ(edit("s = { fg = \"a\", bold = true }\n", [](Document& d) { d.remove({"s", "fg"}); }),
            "s = { bold = true }\n");
  EXPECT_EQ(edit("s = { bold = true, fg = \"a\" }\n", [](Document& d) { d.remove({"s", "fg"}); }),
            "s = { bold = true }\n");
  EXPECT_EQ(edit("s = { a = 1, fg = \"a\", b = 2 }\n", [](Document& d) { d.remove({"s", "fg"}); }),
            "s = { a = 1, b = 2 }\n");
  EXPECT_EQ(edit("s = { fg = \"a\" }\n", [](Document& d) { d.remove({"s", "fg"}); }), "s = { }\n");
  EXPECT_EQ(edit("s = {\n  a = 1,\n  fg = 2,\n}\n", [](Document& d) { d.remove({"s", "fg"}); }),
            "s = {\n  a = 1,\n}\n");
  EXPECT_EQ(edit("a.fg = 1\na.bg = 2\n", [](Document& d) { d.remove({"a", "fg"}); }), "a.bg = 2\n");
  Document doc = Document::parse("a = 1\n");
  EXPECT_FALSE(doc.remove({"b"}));
}

TEST(TomlEdit, RemoveTakesTheWholeValueHoweverWritten) {
  const auto remove_fg = [](Document& d) { d.remove({"mgr", "cwd", "fg"}); };
  EXPECT_EQ(edit("[mgr]\ncwd.fg.x = 1\ncwd.bold = true\n", remove_fg), "[mgr]\ncwd.bold = true\n");
  EXPECT_EQ(edit("[mgr.cwd]\nbold = true\n[mgr.cwd.fg]\nx = 1\n[mgr.cwd.fg.deep]\ny = 2\n[[mgr.cwd.fg.list]]\n[other]\n",
                 remove_fg),
            "[mgr.cwd]\nbold = true\n[other]\n");
  EXPECT_EQ(edit("mgr = { cwd = { fg = { x = 1 }, bold = true } }\n", remove_fg),
            "mgr = { cwd = { bold = true } }\n");
}

TEST(TomlEdit, RemovingAnInlineEntryKeepsTheLinesAroundIt) {
  const auto remove_fg = [](Document& d) { d.remove({"s", "fg"}); };
  EXPECT_EQ(edit("s = {\n    bold = true, # keep me bold\n    fg = \"red\", # mine\n    bg = \"blue\"\n}\n", remove_fg),
            "s = {\n    bold = true, # keep me bold\n    bg = \"blue\"\n}\n");
  EXPECT_EQ(edit("s = {\n  bold = true, # keep\n  # about fg\n  fg = 1 # mine\n}\n", remove_fg),
            "s = {\n  bold = true # keep\n  # about fg\n}\n");
  EXPECT_EQ(edit("s = {\r\n  fg = 1, # mine\r\n  a = 2\r\n}\r\n", remove_fg), "s = {\r\n  a = 2\r\n}\r\n");
  // A comment before an entry that shares its line with what follows.
  EXPECT_EQ(edit("s = {a = 1, # c\n fg = 2, b = 3}\n", remove_fg), "s = {a = 1, # c\n  b = 3}\n");
  EXPECT_EQ(edit("s = {a = 1, # c\nfg = 2 }\n", remove_fg), "s = {a = 1 # c\n }\n");
}

TEST(TomlEdit, SetReplacesATableWithTheValue) {
  EXPECT_EQ(edit("[flavor]\nx = 1\n[flavor.dark]\ny = 2\n", [](Document& d) { d.set({"flavor", "dark"}, "\"m\""); }),
            "[flavor]\nx = 1\ndark = \"m\"\n");
  EXPECT_EQ(edit("flavor.light.a = 1\n", [](Document& d) { d.set({"flavor", "light"}, "\"m\""); }),
            "flavor.light = \"m\"\n");
}

TEST(TomlEdit, SetKeepsExistingKeysAndSpacing) {
  EXPECT_EQ(edit("[m]\ncwd   =   { fg=\"old\" }   # c\n", [](Document& d) { d.set({"m", "cwd", "fg"}, "\"new\""); }),
            "[m]\ncwd   =   { fg=\"new\" }   # c\n");
  EXPECT_EQ(edit("[flavor]\ndark  = \"x\" # mine\n", [](Document& d) { d.set({"flavor", "dark"}, "\"y\""); }),
            "[flavor]\ndark  = \"y\" # mine\n");
}

TEST(TomlEdit, NewKeysFollowTheTablesOwnSpacing) {
  EXPECT_EQ(edit("s = { bold = true }\n", [](Document& d) { d.set({"s", "fg"}, "\"#94e2d5\""); }),
            "s = { bold = true, fg = \"#94e2d5\" }\n");
  EXPECT_EQ(edit("s = {bold=true}\n", [](Document& d) { d.set({"s", "fg"}, "1"); }), "s = {bold=true,fg=1}\n");
  EXPECT_EQ(edit("s = { # why\n  a = 1 }\n", [](Document& d) { d.set({"s", "fg"}, "1"); }),
            "s = { # why\n  a = 1,\n  fg = 1 }\n");
  EXPECT_EQ(edit("s = {}\n", [](Document& d) { d.set({"s", "fg"}, "1"); }), "s = { fg = 1 }\n");
  EXPECT_EQ(edit("s = {\n\ta = 1,\n}\n", [](Document& d) { d.set({"s", "fg"}, "1"); }),
            "s = {\n\ta = 1,\n\tfg = 1,\n}\n");
  EXPECT_EQ(edit("[a]\n\tx = 1\n\n# about b\n[b]\n", [](Document& d) { d.set({"a", "y"}, "2"); }),
            "[a]\n\tx = 1\n\ty = 2\n\n# about b\n[b]\n");
  EXPECT_EQ(edit("[a]\n# only a comment\n\n[b]\n", [](Document& d) { d.set({"a", "y"}, "2"); }),
            "[a]\ny = 2\n# only a comment\n\n[b]\n");
  EXPECT_EQ(edit("[a]\r\nx = 1\r\n", [](Document& d) { d.set({"a", "y"}, "2"); }), "[a]\r\nx = 1\r\ny = 2\r\n");
  EXPECT_EQ(edit("[a]\nx = 1", [](Document& d) { d.set({"a", "y"}, "2"); }), "[a]\nx = 1\ny = 2\n");
  EXPECT_EQ(edit("[m]\ncwd.fg = 1\nother = 2\n", [](Document& d) { d.set({"m", "cwd", "bg"}, "3"); }),
            "[m]\ncwd.fg = 1\ncwd.bg = 3\nother = 2\n");
  EXPECT_EQ(edit("m = { cwd.fg = 1 }\n", [](Document& d) { d.set({"m", "cwd", "bg"}, "3"); }),
            "m = { cwd.fg = 1, cwd.bg = 3 }\n");
  EXPECT_EQ(edit("[\"my table\"]\n", [](Document& d) { d.set({"my table", "a b"}, "1"); }),
            "[\"my table\"]\n\"a b\" = 1\n");
}

TEST(TomlEdit, AddedTablesGoAtTheEndAfterABlankLine) {
  const auto add_flavor = [](Document& d) {
    d.add_table({"flavor"});
    d.set({"flavor", "dark"}, "\"morvane\"");
  };
  EXPECT_EQ(edit("", add_flavor), "[flavor]\ndark = \"morvane\"\n");
  EXPECT_EQ(edit("a = 1\n", add_flavor), "a = 1\n\n[flavor]\ndark = \"morvane\"\n");
  EXPECT_EQ(edit("a = 1", add_flavor), "a = 1\n\n[flavor]\ndark = \"morvane\"\n");
  EXPECT_EQ(edit("a = 1\n\n", add_flavor), "a = 1\n\n[flavor]\ndark = \"morvane\"\n");
  EXPECT_EQ(edit("[x]\r\n", add_flavor), "[x]\r\n\r\n[flavor]\r\ndark = \"morvane\"\r\n");
  EXPECT_EQ(edit("# just words\n", add_flavor), "# just words\n\n[flavor]\ndark = \"morvane\"\n");
}

}  // namespace
