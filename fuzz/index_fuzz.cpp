// The kitty themes index parser over any bytes: it never crashes, and it
// yields either nothing or entries whose fields are the strings it read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "themes/kitty_index.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto entries = themes::parse_index(text);
  if (entries.empty()) return 0;
  // A usable index is a JSON array whose elements carry these very fields.
  const auto document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_array() || document.size() != entries.size()) std::abort();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& element = document[i];
    if (element.at("name").get<std::string>() != entries[i].name) std::abort();
    if (element.at("file").get<std::string>() != entries[i].file) std::abort();
    if (entries[i].is_dark != element.value("is_dark", false)) std::abort();
  }
  return 0;
}
