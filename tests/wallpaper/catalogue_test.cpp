#include "wallpaper/catalogue.hpp"

#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "wallpaper/picture.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::write_text;

std::vector<std::string> relative_paths(const std::vector<wallpaper::Wallpaper>& list, const fs::path& base) {
  std::vector<std::string> out;
  for (const auto& w : list) out.push_back(fs::relative(w.path, base).string());
  return out;
}

TEST(WallpaperNames, ImageExtensions) {
  for (const char* yes : {"Sunset.JPG", "a.tar.PNG", "b.WebP", "c.jpeg", "d.bmp", ".hidden.png", "..png"})
    EXPECT_TRUE(wallpaper::is_image_name(yes)) << yes;
  for (const char* no : {"d.gif", "e.svg", "notes.txt", ".png", "f.", "png", "g.pngx", "h.jpg\xff"})
    EXPECT_FALSE(wallpaper::is_image_name(no)) << no;
}

TEST(PictureCheck, TheNameAndTheFirstBytesMustAgree) {
  using wallpaper::PictureKind;
  const struct {
    const char* bytes;
    std::size_t size;
    PictureKind kind;
    bool taken;
  } cases[] = {
      {"\x89PNG\r\n", 6, PictureKind::Png, false},          {"\xff\xd8\xff\xdb", 4, PictureKind::Jpeg, true},
      {"RIFF\0\0\0\0WEBPVP8 ", 16, PictureKind::Webp, true}, {"RIFF\0\0\0\0WAVEfmt ", 16, PictureKind::Webp, false},
      {"BM\0\0", 4, PictureKind::Bmp, true},                   {"\x89PNG\r\n\x1a\n", 8, PictureKind::Bmp, false},
  };
  for (const auto& c : cases) EXPECT_EQ(wallpaper::starts_like(c.kind, {c.bytes, c.size}), c.taken) << c.bytes;
  EXPECT_EQ(wallpaper::picture_kind_of_name("a.JPEG"), PictureKind::Jpeg);
}

TEST(WallpaperScan, ComponentOrderAcrossRootsAndDuplicates) {
  TempDir dir;
  write_text(dir / "a" / "b.png", "x");
  write_text(dir / "a-b.png", "x");
  write_text(dir / "z" / "x.png", "x");
  write_text(dir / "m" / "\xff.png", "x");
  // The same directory named twice, and roots given out of order.
  const auto list = wallpaper::scan_wallpaper_roots({dir / "z", dir.path(), dir.path() / ""});
  EXPECT_EQ(relative_paths(list, dir.path()), (std::vector<std::string>{"a/b.png", "a-b.png", "m/\xff.png", "z/x.png"}));
  EXPECT_EQ(list[2].name, "\uFFFD.png");
  // Four levels below a root are scanned, not five.
  const TempDir deep;
  write_text(deep / "1" / "2" / "3" / "4" / "x.png", "x");
  write_text(deep / "1" / "2" / "3" / "4" / "5" / "y.png", "x");
  EXPECT_EQ(relative_paths(wallpaper::scan_wallpaper_roots({deep.path()}), deep.path()),
            std::vector<std::string>{"1/2/3/4/x.png"});
}

}  // namespace
