#pragma once

#include <string>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"

namespace activation {

/// Applies the theme `name` to every supported application. Success
/// carries the outcome line, failure the message line.
sys::Result<std::string> activate_theme(const themes::Environment& env, sys::ProcessRunner& runner,
                                        const std::string& name);

}  // namespace activation
