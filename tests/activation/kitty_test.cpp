#include "activation/kitty.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::write_text;

class KittyShell : public testing_support::SandboxTest {};

TEST_F(KittyShell, IncludeIsWrittenOnce) {
  ASSERT_TRUE(activation::ensure_kitty_include(config_dir()).ok());
  const fs::path conf = config_dir() / "kitty" / "kitty.conf";
  EXPECT_EQ(read_text(conf), "\n# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n");
  write_text(conf, "font_size 11\ninclude ../morvane/themes/current/kitty.conf\n");
  ASSERT_TRUE(activation::ensure_kitty_include(config_dir()).ok());
  EXPECT_EQ(read_text(conf), "font_size 11\ninclude ../morvane/themes/current/kitty.conf\n");
}

}  // namespace
