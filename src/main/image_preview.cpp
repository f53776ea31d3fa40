#include "main/image_preview.hpp"

namespace switcher {

// Wallpaper pictures are not shown yet; the Switcher works without them.
sys::Result<void> update_image_preview(SwitcherState&, sys::TermSize) { return sys::success(); }

void clear_image() {}

}  // namespace switcher
