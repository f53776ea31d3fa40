#include "switcher/picture_colours.hpp"

#include <gtest/gtest.h>

#include "switcher/fake_services.hpp"
#include "switcher/live_preview.hpp"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

themes::Palette flat(std::uint8_t shade) {
  themes::Palette palette;
  palette.colours.assign(16, {shade, 0, 0});
  palette.background = themes::Colour{shade, shade, shade};
  palette.foreground = themes::Colour{255, 255, 255};
  return palette;
}

TEST(PictureColours, WorkedOutAfterARestPreviewedAndAppliedWithTheWallpaperByT) {
  testing_support::FakeServices services;
  services.wallpapers = {{"Sea Side.jpg", "/w/Sea Side.jpg"}, {"b.png", "/w/b.png"}};
  int worked = 0;
  const switcher::PictureColoursFn work = [&](const std::string&) -> sys::Result<wallpaper::PictureColours> {
    ++worked;
    return wallpaper::PictureColours{flat(16), flat(240), wallpaper::Variant::Light};
  };
  auto state = switcher::initial_state(services, "/t", {.kitty = true, .answered_as_kitty = true});
  switcher::handle_key(state, sys::Key::named(sys::KeyCode::Tab), services);
  const auto t0 = Clock::now();
  ASSERT_TRUE(switcher::schedule_picture_colours(state, work, t0));
  ASSERT_TRUE(switcher::schedule_picture_colours(state, work, t0 + 199ms));
  EXPECT_FALSE(state.pictures.channel) << "not before the highlight rests";
  ASSERT_TRUE(switcher::schedule_picture_colours(state, work, t0 + 200ms));
  ASSERT_TRUE(state.pictures.channel);
  state.pictures.channel->wait();
  EXPECT_TRUE(switcher::poll_picture_colours(state));
  ASSERT_TRUE(switcher::schedule_picture_colours(state, work, t0 + 1s));
  EXPECT_EQ(worked, 1) << "worked out once a run";

  // The variant nearer the picture's lightness first, previewed at once; v the other.
  EXPECT_EQ(switcher::shown_variant(state), wallpaper::Variant::Light);
  EXPECT_NE(switcher::step_live_preview(state, t0 + 1s).find("\x1b]11;#f0f0f0\x1b\\"), std::string::npos);
  switcher::handle_key(state, sys::Key::character(U'v'), services);
  EXPECT_NE(switcher::step_live_preview(state, t0 + 1s).find("\x1b]11;#101010\x1b\\"), std::string::npos);

  services.activation = std::string("Activated theme wallpaper-sea-side-dark; wallpaper set");
  services.active_after = "wallpaper-sea-side-dark";
  services.colours_of_active = "D";
  switcher::handle_key(state, sys::Key::character(U't'), services);
  EXPECT_EQ(services.applied_with_theme, std::vector<std::string>{"/w/Sea Side.jpg dark"});
  EXPECT_EQ(state.active_theme, "wallpaper-sea-side-dark");
  EXPECT_EQ(state.status->text, "Activated theme wallpaper-sea-side-dark; wallpaper set");
  EXPECT_EQ(switcher::window_colours_at_end(state.preview), "\x1b]30101\x1b\\D") << "the window ends in it";
  EXPECT_EQ(state.selected, 0u) << "still on the wallpaper";

  switcher::handle_key(state, sys::Key::character(U'j'), services);
  EXPECT_FALSE(state.pictures.flipped) << "another picture starts from its own variant";
  switcher::handle_key(state, sys::Key::character(U't'), services);
  EXPECT_EQ(services.applied_with_theme.back(), "/w/b.png dark") << "not worked out yet: the dark one";
}

}  // namespace
