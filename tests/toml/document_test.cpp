#include "toml/document.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "toml/syntax.hpp"

namespace {

namespace fs = std::filesystem;
using tomldoc::Document;
using Kind = tomldoc::Document::Kind;

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
      "\"caf\\u00e9\\tx\" = 2\n"
      "\"CAF\\u00C9\" = 4\n"
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
  EXPECT_EQ(doc.keys({}), (std::vector<std::string>{"top", "caf\u00e9\tx", "CAF\u00c9", "inline", "dotted", "std", "list"}));
  EXPECT_EQ(doc.keys({"std"}), (std::vector<std::string>{"k", "sub"}));
  EXPECT_EQ(doc.keys({"inline"}), (std::vector<std::string>{"a", "b"}));
}

// Remove takes the line, or the comma, and the whole value however written;
// set replaces a table standing there and new keys follow the table's own
// spacing; added tables go at the end after a blank line.
TEST(TomlEdit, EveryOtherByteStays) {
  for (const auto& c : testing_support::read_cases("toml_edits.txt")) {
    SCOPED_TRACE(c.at("before") + " | " + c.at("op"));
    ASSERT_TRUE(tomldoc::check_syntax(c.at("before")).ok());
    Document doc = Document::parse(c.at("before"));
    const std::string op = c.at("op").substr(0, c.at("op").find(' '));
    tomldoc::Path path;
    for (std::size_t start = op.size() + 1; start <= c.at("op").size();) {
      const auto end = std::min(c.at("op").find('|', start), c.at("op").size());
      path.push_back(c.at("op").substr(start, end - start));
      start = end + 1;
    }
    if (op == "remove") {
      EXPECT_EQ(doc.remove(path), c.at("before") != c.at("after"));
    } else if (op == "set") {
      doc.set(path, "1");
    } else {
      doc.add_table({"flavor"});
      doc.set({"flavor", "dark"}, "1");
    }
    EXPECT_EQ(doc.print(), c.at("after"));
    EXPECT_TRUE(tomldoc::check_syntax(doc.print()).ok());
  }
}

}  // namespace
