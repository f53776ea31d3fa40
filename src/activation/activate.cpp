#include "activation/activate.hpp"

namespace activation {

sys::Result<std::string> activate_theme(const themes::Environment&, sys::ProcessRunner&, const std::string&) {
  return sys::Error{"theme activation is not available in this build"};
}

}  // namespace activation
