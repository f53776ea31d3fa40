// Any text the syntax check accepts prints back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "toml/document.hpp"
#include "toml/syntax.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!tomldoc::check_syntax(text).ok()) return 0;
  if (tomldoc::Document::parse(text).print() != text) std::abort();
  return 0;
}
