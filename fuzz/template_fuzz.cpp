// The template renderer on any text: it never crashes or hangs, an error is
// one line naming the source with a line and a column, and the output is
// never longer than the source times the longest value (so a template
// cannot blow up). The manifest reader gets the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "templates/language.hpp"
#include "templates/manifest.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  templates::TemplateValues values;
  values.name = "a theme with a longer name than any colour";
  for (const auto name : templates::kColourNames) values.colours[std::string(name)] = themes::Colour{1, 2, 3};
  const std::size_t longest = std::max<std::size_t>(values.name.size(), std::string_view("rgba(255, 255, 255, 0.5)").size());
  const auto rendered = templates::render_template("t", text, values);
  if (rendered) {
    if (rendered.value().size() > text.size() * longest + 1) std::abort();
  } else {
    const std::string& error = rendered.error_text();
    if (!error.starts_with("t:") || error.find('\n') != std::string::npos) std::abort();
  }
  const auto manifest = templates::parse_manifest(text, "m");
  if (!manifest && manifest.error_text().find('\n') != std::string::npos) std::abort();
  return 0;
}
