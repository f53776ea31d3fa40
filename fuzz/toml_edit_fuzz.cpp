// Removing values, setting them and adding new keys to existing tables:
// the result is still accepted by the syntax check, and every value not
// touched keeps its text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "toml/document.hpp"
#include "toml/syntax.hpp"

namespace {

using tomldoc::Document;
using tomldoc::Path;

void collect(const Document& doc, Path& path, std::map<Path, std::string>& leaves, std::vector<Path>& tables) {
  for (const auto& key : doc.keys(path)) {
    path.push_back(key);
    const auto kind = doc.kind(path);
    if (kind == Document::Kind::Table) {
      tables.push_back(path);
      collect(doc, path, leaves, tables);
    } else if (auto text = doc.value_text(path)) {
      leaves[path] = *text;
    }
    path.pop_back();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\0');
  const std::string_view text = input.substr(0, split);
  const std::string_view script = split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
  if (!tomldoc::check_syntax(text).ok()) return 0;

  Document doc = Document::parse(text);
  Path path;
  std::map<Path, std::string> before;
  std::vector<Path> tables{Path{}};
  collect(doc, path, before, tables);
  std::vector<Path> leaf_paths;
  for (const auto& [p, _] : before) leaf_paths.push_back(p);

  std::set<Path> touched;
  for (std::size_t i = 0; i + 1 < script.size() && i < 64; i += 2) {
    const unsigned op = static_cast<unsigned char>(script[i]) % 3;
    const unsigned pick = static_cast<unsigned char>(script[i + 1]);
    if (op == 0 && !leaf_paths.empty()) {
      const Path& target = leaf_paths[pick % leaf_paths.size()];
      doc.remove(target);
      touched.insert(target);
    } else if (op == 1 && !leaf_paths.empty()) {
      const Path& target = leaf_paths[pick % leaf_paths.size()];
      doc.set(target, "\"set\"");
      touched.insert(target);
    } else if (op == 2) {
      Path target = tables[pick % tables.size()];
      target.push_back("fuzz-new-" + std::to_string(i));
      if (doc.kind(target) != Document::Kind::Missing) continue;  // only new keys here
      doc.set(target, "42");
    }
  }

  const std::string out = doc.print();
  if (!tomldoc::check_syntax(out).ok()) std::abort();
  const Document reread = Document::parse(out);
  for (const auto& [p, value] : before) {
    if (touched.contains(p)) continue;
    if (reread.value_text(p) != value) std::abort();
  }
  return 0;
}
