#include "themes/profile_store.hpp"

#include <gtest/gtest.h>

namespace {

TEST(ThemeNames, ValidityRule) {
  for (const char* ok : {"nord", "Tokyo Night", "é", "x.y", "current-theme"})
    EXPECT_TRUE(themes::is_valid_theme_name(ok)) << ok;
  // A separator anywhere would let the name alias another profile or the current link.
  for (const char* bad : {"", "/x", "a/b", ".", "..", "../x", "./a", ".hidden", "current", "tab\there", "\tfirst", "nul\x7f",
                          "c1\xc2\x85", "/", "a/..", "a/", "nord/", "current/", "current/.", "x/."})
    EXPECT_FALSE(themes::is_valid_theme_name(bad)) << bad;
}

}  // namespace
