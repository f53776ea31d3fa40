#include "wallpaper/picture.hpp"

#include <fmt/format.h>

#include "sys/files.hpp"
#include "sys/text.hpp"

namespace wallpaper {

std::optional<PictureKind> picture_kind_of_name(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;  // ".png" has no extension
  const std::string_view extension = name.substr(dot + 1);
  if (extension.size() > 4) return std::nullopt;
  std::string lower(extension);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "png") return PictureKind::Png;
  if (lower == "jpg" || lower == "jpeg") return PictureKind::Jpeg;
  if (lower == "webp") return PictureKind::Webp;
  if (lower == "bmp") return PictureKind::Bmp;
  return std::nullopt;
}

bool starts_like(PictureKind kind, std::string_view b) {
  switch (kind) {
    case PictureKind::Png:
      return b.starts_with(std::string_view("\x89PNG\r\n\x1a\n", 8));
    case PictureKind::Jpeg:
      return b.starts_with("\xff\xd8\xff");
    case PictureKind::Webp:
      return b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "WEBP";
    case PictureKind::Bmp:
      return b.starts_with("BM");
  }
  return false;
}

std::string_view kind_name(PictureKind kind) {
  switch (kind) {
    case PictureKind::Png: return "PNG";
    case PictureKind::Jpeg: return "JPEG";
    case PictureKind::Webp: return "WebP";
    case PictureKind::Bmp: return "BMP";
  }
  return "";
}

sys::Result<PictureKind> check_picture(const std::filesystem::path& path, std::string_view name) {
  const std::string shown = sys::lossy_utf8(path.native());
  const auto kind = picture_kind_of_name(name);
  if (!kind) return sys::Error{fmt::format("{}: not a picture (png, jpg, jpeg, webp or bmp)", shown)};
  auto start = sys::read_file_start(path, 16);
  if (!start) return start.error();
  if (!starts_like(*kind, start.value()))
    return sys::Error{fmt::format("{}: not a {} picture (its content says otherwise)", shown, kind_name(*kind))};
  return *kind;
}

}  // namespace wallpaper
