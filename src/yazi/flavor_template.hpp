#pragma once

#include <string_view>

namespace yazi {

/// The 110-line flavor template with its "@role@" placeholders.
extern const std::string_view kFlavorTemplate;

}  // namespace yazi
