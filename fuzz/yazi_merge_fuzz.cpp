// Merging the flavor into any theme.toml that passes the syntax check:
// either a shape error, or a text that passes the check itself (the guard
// against writing invalid TOML never has to act) and reads back as the
// merge: the flavor selected, and its colours in every style it set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "themes/builtin_themes.hpp"
#include "toml/document.hpp"
#include "toml/syntax.hpp"
#include "yazi/yazi.hpp"

using tomldoc::Document;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view user(reinterpret_cast<const char*>(data), size);
  if (!tomldoc::check_syntax(user).ok()) return 0;
  static const std::string flavor_text =
      yazi::yazi_flavor_text(themes::find_builtin_theme("catppuccin-mocha")->definition());
  static const Document flavor = Document::parse(flavor_text);

  auto merged = yazi::merge_theme_toml(user, flavor_text);
  if (!merged) {
    if (merged.error_text().starts_with("the merged theme.toml")) std::abort();
    return 0;
  }
  if (!tomldoc::check_syntax(merged.value()).ok()) std::abort();
  const Document before = Document::parse(user);
  const Document after = Document::parse(merged.value());
  if (after.value_text({"flavor", "dark"}) != "\"morvane\"" || after.value_text({"flavor", "light"}) != "\"morvane\"")
    std::abort();
  for (const auto& section : flavor.keys({})) {
    if (section == "filetype" || before.kind({section}) != Document::Kind::Table) continue;
    for (const auto& style : flavor.keys({section})) {
      if (before.kind({section, style}) != Document::Kind::Table) continue;
      for (const char* attribute : {"fg", "bg", "reversed"}) {
        const auto wanted = flavor.value_text({section, style, attribute});
        if (wanted && after.value_text({section, style, attribute}) != wanted) std::abort();
      }
    }
  }
  return 0;
}
