#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "sys/result.hpp"

namespace wallpaper {

/// The kinds of picture the wallpapers list takes.
enum class PictureKind { Png, Jpeg, Webp, Bmp };

/// The kind a file name's extension says (jpg, jpeg, png, webp, bmp; ASCII
/// case ignored), or nothing.
std::optional<PictureKind> picture_kind_of_name(std::string_view name);

/// Whether the first bytes of a file are those of a picture of `kind`.
bool starts_like(PictureKind kind, std::string_view first_bytes);

/// "PNG", "JPEG", "WebP", "BMP".
std::string_view kind_name(PictureKind kind);

/// The kind of the picture at `path` (named `name`), when its name is one the
/// wallpapers list takes and its first bytes agree; else one line saying why
/// not, naming the file.
sys::Result<PictureKind> check_picture(const std::filesystem::path& path, std::string_view name);

}  // namespace wallpaper
