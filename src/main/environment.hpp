#pragma once

#include "themes/paths.hpp"

namespace cli {

/// Reads the variables the program uses from the process environment.
/// Called once, by the entry points; everything else gets the value.
themes::Environment read_environment();

}  // namespace cli
