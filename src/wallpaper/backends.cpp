#include "wallpaper/backends.hpp"

namespace wallpaper {

sys::Result<std::string> apply_wallpaper(const Wallpaper&) {
  return sys::Error{"wallpaper backends are not available in this build"};
}

void reapply_saved_wallpaper() {}

}  // namespace wallpaper
