#include "main/image_preview.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using switcher::ImagePlacement;
using testing_support::ScopedEnv;

switcher::SwitcherState wallpapers_state() {
  switcher::SwitcherState state;
  state.section = switcher::Section::Wallpapers;
  state.wallpapers = {{"a.png", "/w/a.png"}, {"b.png", "/w/b.png"}};
  return state;
}

TEST(ImagePlacement, Geometry) {
  EXPECT_EQ(switcher::image_placement({100, 30}, false), (ImagePlacement{1, 17, 64, 11}));
  EXPECT_EQ(switcher::image_placement({50, 30}, false), (ImagePlacement{1, 17, 48, 11}));
  EXPECT_EQ(switcher::image_placement({100, 30}, true), (ImagePlacement{1, 16, 64, 11}));
}

TEST(ImagePreview, KeepsTrackOfThePictureEvenWhereItCannotBeShown) {
  ScopedEnv kitty("KITTY_WINDOW_ID", std::nullopt);
  auto state = wallpapers_state();
  ASSERT_TRUE(switcher::update_image_preview(state, {100, 30}).ok());
  ASSERT_TRUE(state.shown_image.has_value());
  EXPECT_EQ(state.shown_image->path, "/w/a.png");
  EXPECT_EQ(state.shown_image->placement, (ImagePlacement{1, 17, 64, 11}));
  state.selected = 1;
  state.status = switcher::StatusLine{"wallpaper applied with swww", false};
  ASSERT_TRUE(switcher::update_image_preview(state, {100, 30}).ok());
  EXPECT_EQ(state.shown_image->path, "/w/b.png");
  EXPECT_EQ(state.shown_image->placement.row, 16);
  ASSERT_TRUE(switcher::update_image_preview(state, {100, 23}).ok());
  EXPECT_FALSE(state.shown_image.has_value());
  ASSERT_TRUE(switcher::update_image_preview(state, {100, 24}).ok());
  state.section = switcher::Section::Themes;
  ASSERT_TRUE(switcher::update_image_preview(state, {100, 24}).ok());
  EXPECT_FALSE(state.shown_image.has_value());
}

TEST(ImagePreview, OnlyInsideKittyAndNotThroughTmux) {
  {
    ScopedEnv kitty("KITTY_WINDOW_ID", "1");
    ScopedEnv tmux("TMUX", std::nullopt);
    EXPECT_TRUE(switcher::images_supported());
  }
  {
    ScopedEnv kitty("KITTY_WINDOW_ID", "1");
    ScopedEnv tmux("TMUX", "/tmp/tmux-0/default,1,0");
    EXPECT_FALSE(switcher::images_supported());
  }
  ScopedEnv kitty("KITTY_WINDOW_ID", std::nullopt);
  EXPECT_FALSE(switcher::images_supported());
}

}  // namespace
