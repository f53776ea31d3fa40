#pragma once

#include <string>

#include "sys/result.hpp"

namespace activation {

/// Applies the theme `name` to every supported application. Success
/// carries the outcome line, failure the message line.
sys::Result<std::string> activate_theme(const std::string& name);

}  // namespace activation
