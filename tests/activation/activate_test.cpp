#include "activation/activate.hpp"

#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;

/// A sandboxed desktop where every program answers as a working one would:
/// btop 1.4 running for user 1000, ya, kitty and hyprctl succeeding.
class Activation : public testing_support::SandboxTest {
 protected:
  Activation() {
    runner_.on("id", Outcome{.out = "1000\n"});
    runner_.on("btop", Outcome{.out = "btop version: 1.4.0\n"});
    for (const char* program : {"pkill", "ya", "kitty", "hyprctl", "code"}) runner_.on(program, Outcome{});
    env_.xdg_runtime_dir = (dir_ / "run").string();
  }
  sys::Result<std::string> activate(const std::string& name) {
    return activation::activate_theme(env_, where(), runner_, name);
  }
  fs::path active() const { return themes_dir() / ".active"; }
};

TEST_F(Activation, AppliesEveryStepInOrder) {
  env_.hyprland_instance_signature = "sig";
  env_.kitty_window_id = "1";
  env_.term = "xterm-kitty";
  write_text(dir_ / "bin" / "code", "");
  env_.path = (dir_ / "bin").string();
  write_text(config_dir() / "waybar" / "style.css", "* { font-size: 12px; }\n");
  fs::create_directories(config_dir() / "Code" / "User");

  EXPECT_EQ(activate("catppuccin-mocha").value(), "Activated theme: catppuccin-mocha · installing 2 VS Code extension(s)");
  const std::string colors = (active() / "colors.conf").string();
  EXPECT_EQ(runner_.lines(), (std::vector<std::string>{
                                 "gsettings\twritable\torg.gnome.desktop.interface\tcolor-scheme",
                                 "hyprctl\treload",
                                 "kitty\t@\tset-colors\t--all\t--configured\t" + colors,
                                 "id\t-u",
                                 "btop\t--version",
                                 "pkill\t-USR2\t-u\t1000\t-x\tbtop",
                                 "ya\temit-to\t0\tapp:theme",
                                 "code\t--install-extension\tCatppuccin.catppuccin-vsc\t--force",
                                 "code\t--install-extension\tCatppuccin.catppuccin-vsc-icons\t--force",
                             }));
  EXPECT_EQ(fs::read_symlink(themes_dir() / "current"), fs::path(".active"));
  EXPECT_EQ(read_text(active() / "theme-name"), "catppuccin-mocha");
  EXPECT_EQ(read_text(active() / "vscode.json"), "{\n  \"workbench.colorTheme\": \"Catppuccin Mocha\"\n}");
  for (const char* css : {"gtk-3.0/gtk.css", "gtk-4.0/gtk.css", "waybar/style.css"})
    EXPECT_NE(read_text(config_dir() / css).find("/* tintwell colors begin */"), std::string::npos) << css;
  EXPECT_TRUE(read_text(config_dir() / "waybar" / "style.css").starts_with("* { font-size: 12px; }\n"));
  EXPECT_NE(read_text(config_dir() / "Code" / "User" / "settings.json").find("Catppuccin Mocha"), std::string::npos);
  EXPECT_NE(read_text(config_dir() / "kitty" / "kitty.conf").find("include ../morvane/themes/current/kitty.conf"),
            std::string::npos);
}

TEST_F(Activation, ALinkLeftByAnEarlierRunOfThisProcessIdIsNoObstacle) {
  fs::create_directories(themes_dir());
  fs::create_symlink("elsewhere", themes_dir() / (".current-" + std::to_string(::getpid())));
  ASSERT_TRUE(activate("nord").ok());
  EXPECT_EQ(fs::read_symlink(themes_dir() / "current"), fs::path(".active"));
}

TEST_F(Activation, BaselinesAreTakenOnceThroughTheOldCurrentLink) {
  write_text(themes_dir() / "mine" / "kitty.conf", "font_size 11\nbackground #000000\n");
  write_text(themes_dir() / "mine" / "gtk.css", "@import 'x.css';\n");
  fs::create_directory_symlink("mine", themes_dir() / "current");
  ASSERT_TRUE(activate("nord").ok());
  EXPECT_EQ(read_text(active() / "baseline-kitty.conf"), "font_size 11\nbackground #000000\n");
  EXPECT_TRUE(read_text(active() / "kitty.conf").starts_with("font_size 11\n"));
  EXPECT_TRUE(read_text(active() / "gtk.css").starts_with("@import 'x.css';\n\n@define-color"));
  EXPECT_EQ(read_text(active() / "baseline-hyprland.lua"), "");

  const std::string second_kitty = read_text(active() / "kitty.conf");
  ASSERT_TRUE(activate("dracula").ok());
  EXPECT_EQ(read_text(active() / "baseline-kitty.conf"), "font_size 11\nbackground #000000\n");
  EXPECT_EQ(read_text(active() / "theme-name"), "dracula");
  EXPECT_NE(read_text(active() / "kitty.conf"), second_kitty);
  const std::string gtk = read_text(config_dir() / "gtk-3.0" / "gtk.css");
  EXPECT_EQ(gtk.find("/* tintwell colors begin */"), gtk.rfind("/* tintwell colors begin */"));  // replaced, not added
  EXPECT_NE(gtk.find("#282a36"), std::string::npos);
}

TEST_F(Activation, ProblemsKnownInAdvanceStopItBeforeAnyFileChanges) {
  fs::create_directories(config_dir() / "Code" / "User");
  const struct {
    const char* what;
    const char* path;  ///< what is put in the way, below the configuration directory
    const char* content;  ///< nullptr: a directory
    std::string error;  ///< after "could not apply theme: " and the path it names
    const char* named;  ///< the path the error names, when not `path`
    const char* link = nullptr;  ///< a symbolic link to this instead of `content`
    bool read_only = false;
  } cases[] = {
      {"a real directory where the current link goes", "morvane/themes/current", nullptr,
       "in the way of the current link (a link is kept there; move it away)", nullptr},
      {"a begin marker without an end", "waybar/style.css", "/* tintwell colors begin */\n", "unfinished tintwell CSS block",
       nullptr},
      {"a byte that is not UTF-8", "gtk-4.0/gtk.css", "a { color: red; } /* caf\xe9 */\n", "stream did not contain valid UTF-8",
       nullptr},
      {"settings that are no object", "Code/User/settings.json", "[1]", "editor settings must be an object", nullptr},
      {"a settings.json with a BOM is fine, but not one cut short", "Code/User/settings.json", "\xEF\xBB\xBF{\"a\": \"",
       "unclosed settings string", nullptr},
      {"a file where btop's directory goes", "btop", "x", "Not a directory (os error 20)", "btop/btop.conf"},
      {"a file where Yazi's flavors go", "yazi/flavors", "x", "Not a directory (os error 20)", nullptr},
      {"a file where kitty's directory goes", "kitty", "x", "Not a directory (os error 20)", "kitty/kitty.conf"},
      {"a dotfile link whose repository is not cloned yet", "kitty/kitty.conf", nullptr,
       "a link to /nonexistent/dotfiles/kitty.conf, which does not exist", nullptr, "/nonexistent/dotfiles/kitty.conf"},
      {"a directory link that leads nowhere", "gtk-4.0", nullptr, "a link to /nonexistent/gtk-4.0, which does not exist",
       nullptr, "/nonexistent/gtk-4.0"},
      {"a read-only btop.conf", "btop/btop.conf", "color_theme = \"x\"\n",
       "read-only: make it writable to let tintwell edit it", nullptr, nullptr, true},
  };
  const std::string gtk3 = "button { color: red; }\n";
  write_text(config_dir() / "gtk-3.0" / "gtk.css", gtk3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path in_the_way = config_dir() / c.path;
    if (c.link) {
      fs::remove_all(in_the_way);
      fs::create_directories(in_the_way.parent_path());
      fs::create_symlink(c.link, in_the_way);
    } else if (c.content) {
      write_text(in_the_way, c.content);
      if (c.read_only) fs::permissions(in_the_way, fs::perms::owner_write, fs::perm_options::remove);
    } else {
      fs::create_directories(in_the_way);
    }
    EXPECT_EQ(activate("nord").error_text(),
              "could not apply theme: " + (config_dir() / (c.named ? c.named : c.path)).string() + ": " + c.error);
    EXPECT_FALSE(fs::exists(active())) << "nothing of the desktop was changed";
    EXPECT_EQ(read_text(config_dir() / "gtk-3.0" / "gtk.css"), gtk3);
    fs::remove_all(in_the_way);
  }
  ASSERT_TRUE(activate("nord").ok()) << "each was the only problem";
}

TEST_F(Activation, AProfileHoldingOnlyKittyConfThemesTheWholeDesktop) {
  write_text(themes_dir() / "mine" / "kitty.conf", testing_support::complete_kitty_conf());
  fs::create_directories(config_dir() / "Code" / "User");
  ASSERT_TRUE(activate("mine").ok());
  // GTK gets the theme's colours, the editors a dark theme for a dark palette.
  EXPECT_NE(read_text(config_dir() / "gtk-3.0" / "gtk.css").find("@define-color"), std::string::npos);
  EXPECT_NE(read_text(config_dir() / "Code" / "User" / "settings.json").find("Default Dark Modern"), std::string::npos);
  EXPECT_NE(read_text(active() / "hyprland.lua").find("active_border = \"rgba("), std::string::npos);
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(themes_dir() / "mine")) kept.push_back(entry.path().filename());
  EXPECT_EQ(kept, std::vector<std::string>{"kitty.conf"}) << "the profile directory is never written";
}

TEST_F(Activation, SaysWhereNewKittyWindowsWouldKeepOtherColours) {
  // kitty's own theme picker, used after us, appends its block below ours.
  const std::string conf =
      "font_size 11\n\n# Theme colors managed by tintwell\ninclude ../morvane/themes/current/kitty.conf\n"
      "# BEGIN_KITTY_THEME\n# Nord\ninclude current-theme.conf\n# END_KITTY_THEME\n";
  write_text(config_dir() / "kitty" / "kitty.conf", conf);
  write_text(config_dir() / "kitty" / "current-theme.conf", "background #2e3440\n");
  runner_.forget("btop");
  EXPECT_EQ(activate("dracula").value(),
            "Activated theme: dracula · new kitty windows keep the colours set in current-theme.conf line 1 (included at "
            "kitty.conf line 7) · btop theme saved; reopen btop to load it");
  EXPECT_EQ(read_text(config_dir() / "kitty" / "kitty.conf"), conf) << "the user's file is theirs";
  EXPECT_EQ(read_text(config_dir() / "kitty" / "current-theme.conf"), "background #2e3440\n");
}

TEST_F(Activation, LinkedAndPrivateUserFilesStaySo) {
  const fs::path dotfiles = dir_ / "dotfiles";
  for (const char* name : {"kitty.conf", "btop.conf", "theme.toml"}) write_text(dotfiles / name, "");
  write_text(dotfiles / "kitty.conf", "remote_control_password secret\n");
  fs::permissions(dotfiles / "kitty.conf", fs::perms::owner_read | fs::perms::owner_write);
  const std::pair<const char*, const char*> links[] = {
      {"kitty/kitty.conf", "kitty.conf"}, {"btop/btop.conf", "btop.conf"}, {"yazi/theme.toml", "theme.toml"}};
  fs::create_directories(config_dir() / "waybar");
  for (const auto& [link, target] : links) {
    fs::create_directories((config_dir() / link).parent_path());
    fs::create_symlink(dotfiles / target, config_dir() / link);
  }
  // A linked stylesheet is replaced by an import of it, never read: its text is no obstacle.
  write_text(dotfiles / "style.css", "/* tintwell colors begin */\n");
  fs::create_symlink(dotfiles / "style.css", config_dir() / "waybar" / "style.css");
  ASSERT_TRUE(activate("nord").ok());
  EXPECT_EQ(read_text(dotfiles / "style.css"), "/* tintwell colors begin */\n");
  for (const auto& [link, target] : links) EXPECT_TRUE(fs::is_symlink(config_dir() / link)) << link;
  EXPECT_NE(read_text(dotfiles / "kitty.conf").find("include ../morvane/themes/current/kitty.conf"), std::string::npos);
  EXPECT_EQ(fs::status(dotfiles / "kitty.conf").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(read_text(dotfiles / "btop.conf").find("color_theme = \"morvane\""), std::string::npos);
  EXPECT_NE(read_text(dotfiles / "theme.toml").find("morvane"), std::string::npos);
}

}  // namespace
