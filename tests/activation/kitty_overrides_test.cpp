#include "activation/kitty_overrides.hpp"

#include <map>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kInclude = "# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n";

TEST(KittyColourOverride, ANoteExactlyWhereKittyWouldNotShowTheTheme) {
  const struct {
    const char* what;
    std::string kitty_conf;
    std::map<std::string, std::string> files;  ///< beside kitty.conf unless absolute
    std::optional<std::string> note;
  } cases[] = {
      {"a colour below the include, on the first line", "include ../morvane/themes/current/kitty.conf\n\nbackground #000000\n",
       {}, "new kitty windows keep the colours set at kitty.conf line 3"},
      {"a colour above it", "background #000000\n" + std::string(kInclude), {}, std::nullopt},
      {"a colour commented out below it", std::string(kInclude) + "  # background #000000\n", {}, std::nullopt},
      {"settings that are no colours", std::string(kInclude) + "background_opacity 0.9\ncursor_shape beam\n", {},
       std::nullopt},
      {"kitty's own theme picker after us",
       std::string(kInclude) + "# BEGIN_KITTY_THEME\n# Nord\ninclude current-theme.conf\n# END_KITTY_THEME\n",
       {{"current-theme.conf", "## name: Nord\nforeground #d8dee9\n"}},
       "new kitty windows keep the colours set in current-theme.conf line 2 (included at kitty.conf line 5)"},
      {"an included file without colours", std::string(kInclude) + "include fonts.conf\n",
       {{"fonts.conf", "font_family Fira Code\n"}}, std::nullopt},
      {"a missing include target", std::string(kInclude) + "include gone.conf\n", {}, std::nullopt},
      {"a file that includes itself", std::string(kInclude) + "include loop.conf\n",
       {{"loop.conf", "include loop.conf\ninclude kitty.conf\nfont_size 3\n"}}, std::nullopt},
      {"two levels of includes", std::string(kInclude) + "include a.conf\n",
       {{"a.conf", "include sub/b.conf\n"}, {"sub/b.conf", "include c.conf\n"}, {"sub/c.conf", "\ncolor4 #123456\n"}},
       "new kitty windows keep the colours set in sub/c.conf line 2 (included at kitty.conf line 3)"},
      {"an include through the home directory", std::string(kInclude) + "include ~/themes/x.conf\n",
       {{"/home/u/themes/x.conf", "cursor #ffffff\n"}},
       "new kitty windows keep the colours set in /home/u/themes/x.conf line 1 (included at kitty.conf line 3)"},
      {"includes naming the environment are not followed", std::string(kInclude) + "include ${HOME}/x.conf\n",
       {{"/home/u/x.conf", "cursor #ffffff\n"}}, std::nullopt},
      {"no include of ours at all", "background #000000\n", {}, std::nullopt},
      {"the dark automatic theme", std::string(kInclude), {{"dark-theme.auto.conf", "background #000000\n"}},
       "new kitty windows take the colours of dark-theme.auto.conf (kitty prefers it to kitty.conf)"},
      {"the light automatic theme", std::string(kInclude), {{"light-theme.auto.conf", "color1 #ff0000\n"}},
       "new kitty windows take the colours of light-theme.auto.conf (kitty prefers it to kitty.conf)"},
      {"the automatic theme without preference", std::string(kInclude),
       {{"no-preference-theme.auto.conf", "foreground #ffffff\n"}},
       "new kitty windows take the colours of no-preference-theme.auto.conf (kitty prefers it to kitty.conf)"},
      {"an automatic theme's name elsewhere", std::string(kInclude) + "include themes/dark-theme.auto.conf\n",
       {{"themes/dark-theme.auto.conf", "font_size 3\n"}, {"/elsewhere/dark-theme.auto.conf", "background #000000\n"}},
       std::nullopt},
      {"an automatic theme file without colours", std::string(kInclude), {{"dark-theme.auto.conf", "font_size 3\n"}},
       std::nullopt},
  };
  const fs::path kitty_dir = "/home/u/.config/kitty";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<fs::path> asked;
    const activation::ReadFileFn read = [&](const fs::path& path) -> std::optional<std::string> {
      asked.push_back(path);
      for (const auto& [name, text] : c.files)
        if ((name.starts_with('/') ? fs::path(name) : kitty_dir / name) == path.lexically_normal()) return text;
      return std::nullopt;
    };
    EXPECT_EQ(activation::kitty_colour_override(kitty_dir, c.kitty_conf, fs::path("/home/u"), read), c.note);
    EXPECT_LT(asked.size(), 12u) << "each file read once";
  }
}

}  // namespace
