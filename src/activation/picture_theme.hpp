#pragma once

#include <string>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/palette.hpp"
#include "themes/paths.hpp"
#include "wallpaper/picture_palette.hpp"
#include "wallpaper/wallpaper.hpp"

namespace activation {

/// Saves a picture's palette as the profile `name`, generated as an index
/// theme's is. A theme made from a picture is tintwell's own: made again
/// (the same file name, another picture), its files are replaced by the
/// new ones, each only when it changed and each whole or not at all.
sys::Result<void> save_picture_theme(const themes::Locations& where, const std::string& name,
                                     const themes::Palette& palette, wallpaper::Variant variant);

/// The wallpaper and the theme its picture gives, in one step: the
/// picture's colours are read first (a picture that cannot be read changes
/// nothing), the theme is saved and activated, then the wallpaper set. The
/// text is the activation's outcome and the wallpaper's together; a failure
/// after the theme was applied says that too. `known` spares reading the
/// picture again when its colours were worked out already.
sys::Result<std::string> apply_wallpaper_with_theme(const themes::Environment& env, const themes::Locations& where,
                                                    sys::ProcessRunner& runner, const wallpaper::Wallpaper& chosen,
                                                    wallpaper::Variant variant,
                                                    const wallpaper::PictureColours* known = nullptr);

}  // namespace activation
