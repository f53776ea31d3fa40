#include "main/image_preview.hpp"

#include <gtest/gtest.h>

#include "main/fake_services.hpp"

namespace {

using switcher::ImagePlacement;

switcher::SwitcherState wallpapers_state() {
  switcher::SwitcherState state;
  state.section = switcher::Section::Wallpapers;
  state.wallpapers = {{"a.png", "/w/a.png"}, {"b.png", "/w/b.png"}};
  return state;
}

TEST(ImagePlacement, Geometry) {
  auto state = wallpapers_state();
  EXPECT_EQ(switcher::image_placement(state, {100, 30}), (ImagePlacement{1, 17, 64, 11}));
  EXPECT_EQ(switcher::image_placement(state, {50, 30}), (ImagePlacement{1, 17, 48, 11}));
  state.status = switcher::StatusLine{"wallpaper applied with swww", false};
  EXPECT_EQ(switcher::image_placement(state, {100, 30}), (ImagePlacement{1, 16, 64, 11}));
}

TEST(ImagePreview, PlacedOnlyWhenThePictureMustChange) {
  testing_support::FakeServices services;
  auto state = wallpapers_state();
  const auto update = [&](sys::TermSize size) { switcher::update_image_preview(state, size, services); };
  update({100, 30});
  update({100, 30});  // the same picture in the same place: nothing to do
  state.selected = 1;
  update({100, 30});
  state.status = switcher::StatusLine{"wallpaper applied with swww", false};
  update({100, 30});
  update({100, 23});  // too short
  update({100, 24});
  state.section = switcher::Section::Themes;
  update({100, 24});
  update({100, 24});
  EXPECT_EQ(services.pictures, (std::vector<std::string>{"/w/a.png@1,17,64,11", "/w/b.png@1,17,64,11",
                                                         "/w/b.png@1,16,64,11", "clear", "/w/b.png@1,10,64,11",
                                                         "clear"}));
  EXPECT_FALSE(state.shown_image.has_value());
}

TEST(ImagePreview, OnlyInsideKittyAndNotThroughTmux) {
  EXPECT_TRUE(switcher::images_supported({.kitty_window_id = "1"}));
  EXPECT_FALSE(switcher::images_supported({.kitty_window_id = "1", .tmux = "/tmp/tmux-0/default,1,0"}));
  EXPECT_FALSE(switcher::images_supported({.kitty_window_id = ""}));
  EXPECT_FALSE(switcher::images_supported({}));
}

}  // namespace
