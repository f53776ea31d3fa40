#pragma once

#include <string_view>
#include <vector>

namespace templates {

/// A template built into the program, usable as "builtin:NAME".
struct ShippedTemplate {
  std::string_view name;
  std::string_view target;  ///< where it goes unless the manifest says otherwise ("~/" is the home)
  std::string_view text;
};

/// Every shipped template, by name.
const std::vector<ShippedTemplate>& shipped_templates();
const ShippedTemplate* find_shipped(std::string_view name);

}  // namespace templates
