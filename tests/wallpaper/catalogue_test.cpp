#include "wallpaper/catalogue.hpp"

#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.hpp"

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

TEST(WallpaperScan, NamesLinksAndDepth) {
  TempDir dir;
  const fs::path root = dir / "root";
  for (const char* name : {"Sunset.JPG", "a.tar.PNG", "b.WebP", "c.jpeg", "d.gif", "e.svg", "notes.txt", ".png", "f.",
                           "1/2/3/4/deep.png", "1/2/3/4/5/too-deep.png", ".old/x.png"})
    write_text(root / name, "x");
  write_text(dir / "outside" / "linked.png", "x");
  fs::create_symlink(dir / "outside" / "linked.png", root / "link.png");
  fs::create_directory_symlink(dir / "outside", root / "linked-dir");
  mkfifo((root / "fifo.png").c_str(), 0644);
  const auto list = wallpaper::scan_wallpaper_roots({root});
  EXPECT_EQ(relative_paths(list, root), (std::vector<std::string>{".old/x.png", "1/2/3/4/deep.png", "Sunset.JPG",
                                                                  "a.tar.PNG", "b.WebP", "c.jpeg"}));
  EXPECT_EQ(list[2].name, "Sunset.JPG");
  EXPECT_EQ(list[2].path, root / "Sunset.JPG");
}

TEST(WallpaperScan, RootThatIsALinkIsFollowed) {
  TempDir dir;
  write_text(dir / "real" / "a.png", "x");
  fs::create_directory_symlink(dir / "real", dir / "root");
  const auto list = wallpaper::scan_wallpaper_roots({dir / "root"});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].path, dir / "root" / "a.png");  // as built, not resolved
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
}

TEST(WallpaperCatalogue, RootsFromTheEnvironment) {
  TempDir dir;
  write_text(dir / "home" / "Wallpapers" / "w.png", "x");
  write_text(dir / "home" / "Pictures" / "wallpapers" / "p.png", "x");
  write_text(dir / "home" / "Pictures" / "Wallpapers" / "z.png", "x");
  write_text(dir / "cfg" / "morvane" / "wallpapers" / "c.png", "x");
  const themes::Environment env{.home = (dir / "home").string(), .xdg_config_home = (dir / "cfg").string()};
  EXPECT_EQ(relative_paths(wallpaper::list_wallpapers(env), dir.path()),
            (std::vector<std::string>{"cfg/morvane/wallpapers/c.png", "home/Pictures/Wallpapers/z.png",
                                      "home/Pictures/wallpapers/p.png", "home/Wallpapers/w.png"}));
}

}  // namespace
