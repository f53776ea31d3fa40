#include "sys/os_error.hpp"

#include <string.h>

#include <fmt/format.h>

namespace sys {

std::string os_error_text(int errnum) {
  char buffer[256];
  // GNU strerror_r returns a pointer that may or may not be `buffer`.
  const char* description = strerror_r(errnum, buffer, sizeof buffer);
  return fmt::format("{} (os error {})", description, errnum);
}

}  // namespace sys
