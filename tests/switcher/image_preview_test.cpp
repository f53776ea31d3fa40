#include "switcher/image_preview.hpp"

#include <gtest/gtest.h>

#include "switcher/kitty_graphics.hpp"

namespace {

TEST(ImageSupport, OnlyInsideKittyAndNotThroughTmux) {
  constexpr auto uid = themes::Uid{4242};
  EXPECT_TRUE(switcher::images_supported({.kitty_window_id = "1", .uid = uid}));
  EXPECT_FALSE(switcher::images_supported({.kitty_window_id = "1", .tmux = "/tmp/tmux-0/default,1,0", .uid = uid}));
  EXPECT_FALSE(switcher::images_supported({.kitty_window_id = "", .uid = uid}));
  EXPECT_FALSE(switcher::images_supported({.uid = uid}));
}

TEST(KittyGraphics, APngIsPlacedByKittyItselfWithItsProportions) {
  const std::string header = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string("\0\0\x07\x80\0\0\x04\x38", 8);
  ASSERT_EQ(switcher::png_size(header), (std::pair<std::uint32_t, std::uint32_t>{1920, 1080}));
  for (const std::string& not_png : {std::string(), std::string("GIF89a") + std::string(18, 'x'), header.substr(0, 23)})
    EXPECT_EQ(switcher::png_size(not_png), std::nullopt);
  // 64 x 11 cells of 10 x 20 pixels: 640 x 220 of room, so a 16:9 picture
  // fills the height (11 rows) and 39 columns, centred.
  EXPECT_EQ(switcher::kitty_png_placement("/w/a.png", {1, 17, 64, 11}, {1920, 1080}, 10, 20),
            "\x1b[18;14H\x1b_Ga=T,f=100,t=f,q=2,C=1,c=39,r=11;L3cvYS5wbmc=\x1b\\");
  // A tall picture in a wide room; a path whose base64 needs no padding.
  EXPECT_EQ(switcher::kitty_png_placement("/w/ab.png", {1, 5, 64, 11}, {100, 1000}, 10, 20),
            "\x1b[6;33H\x1b_Ga=T,f=100,t=f,q=2,C=1,c=2,r=11;L3cvYWIucG5n\x1b\\");
  // A wide one leaves rows free above and below.
  EXPECT_EQ(switcher::kitty_png_placement("/w/a.png", {1, 17, 64, 11}, {6400, 500}, 10, 20),
            "\x1b[22;2H\x1b_Ga=T,f=100,t=f,q=2,C=1,c=64,r=3;L3cvYS5wbmc=\x1b\\");
}

}  // namespace
