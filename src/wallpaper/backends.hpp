#pragma once

#include <string>

#include "sys/result.hpp"
#include "wallpaper/wallpaper.hpp"

namespace wallpaper {

/// Puts `wallpaper` on the screen through the running wallpaper daemon and
/// saves the choice. Success and failure both carry one line of text.
sys::Result<std::string> apply_wallpaper(const Wallpaper& wallpaper);

/// Re-applies the saved wallpaper (the login path). Prints nothing.
void reapply_saved_wallpaper();

}  // namespace wallpaper
