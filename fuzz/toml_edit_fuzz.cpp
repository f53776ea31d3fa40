// Removing values or whole tables, setting them and adding new keys to
// existing tables: the result is still accepted by the syntax check, and
// every value not at or below a touched path keeps its text.
#include <algorithm>
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

// Whether a step of the way to `path` is a value: nothing can be set below
// it (an earlier step may have put a value there).
bool below_a_value(const Document& doc, const Path& path) {
  for (std::size_t n = 1; n < path.size(); ++n)
    if (doc.kind(Path(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n))) == Document::Kind::Value)
      return true;
  return false;
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
  std::vector<Path> targets(tables.begin() + 1, tables.end());
  for (const auto& [p, _] : before) targets.push_back(p);

  std::set<Path> touched;
  for (std::size_t i = 0; i + 1 < script.size() && i < 64; i += 2) {
    const unsigned op = static_cast<unsigned char>(script[i]) % 3;
    const unsigned pick = static_cast<unsigned char>(script[i + 1]);
    if (op == 0 && !targets.empty()) {
      const Path& target = targets[pick % targets.size()];
      doc.remove(target);
      touched.insert(target);
    } else if (op == 1 && !targets.empty()) {
      const Path& target = targets[pick % targets.size()];
      if (below_a_value(doc, target)) continue;
      doc.set(target, "\"set\"");
      touched.insert(target);
    } else if (op == 2) {
      Path target = tables[pick % tables.size()];
      // Only below what is still a table (an earlier step may have replaced it).
      target.push_back("fuzz-new-" + std::to_string(i));
      if (below_a_value(doc, target)) continue;
      if (doc.kind(target) != Document::Kind::Missing) continue;  // only new keys here
      doc.set(target, "42");
    }
  }

  const std::string out = doc.print();
  if (!tomldoc::check_syntax(out).ok()) std::abort();
  const Document reread = Document::parse(out);
  const auto under_a_touched_path = [&](const Path& p) {
    for (const auto& t : touched)
      if (p.size() >= t.size() && std::equal(t.begin(), t.end(), p.begin())) return true;
    return false;
  };
  for (const auto& [p, value] : before) {
    if (under_a_touched_path(p)) continue;
    if (reread.value_text(p) != value) std::abort();
  }
  return 0;
}
