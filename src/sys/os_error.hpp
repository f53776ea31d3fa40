#pragma once

#include <string>

#include "sys/result.hpp"

namespace sys {

/// The system's description of `errnum` followed by " (os error N)",
/// for example "No such file or directory (os error 2)".
std::string os_error_text(int errnum);

/// `os_error_text` wrapped as an `Error`.
inline Error os_error(int errnum) { return Error{os_error_text(errnum)}; }

}  // namespace sys
