// Each test here guards a fault that was mended once; its name says which,
// and its first line what went wrong before. A cut of the suite by what its
// tests catch never removes one of these.

#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "activation/activate.hpp"
#include "activation/kitty.hpp"
#include "regression/regression.hpp"
#include "switcher/fake_services.hpp"
#include "sys/files.hpp"
#include "themes/paths.hpp"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::kTestUid;
using testing_support::write_text;

TEST_F(Regression, LoginHookEndsWithinAMinuteWhenEveryProgramHangs) {
  // Before: a hyprctl that never answered held the login hook (and the login) for ever.
  reapply();
  EXPECT_TRUE(runner_.commands.empty()) << "nothing saved: nothing to do";
  save_a_wallpaper();
  for (const char* client : {"hyprctl", "awww", "swww"}) runner_.on(client, Outcome{.hangs = true});
  reapply();
  EXPECT_LT(elapsed, 60s);
  EXPECT_GT(pauses, 1) << "it keeps trying while there is time";
  EXPECT_LT(pauses, 19) << "the time bound ends it before the attempts run out";
}

TEST_F(Regression, LoginHookRetriesUntilADaemonAnswersAndStopsAfterTwentyAttempts) {
  // Before: one attempt at login, made before the daemon was up, lost the wallpaper.
  save_a_wallpaper();
  int queries = 0;
  runner_.on("swww", [&](const sys::Command& command) {
    if (command.args[0] == "query") ++queries;
    return queries >= 3 ? Outcome{} : Outcome{.exit_code = 1};
  });
  reapply();
  EXPECT_EQ(pauses, 2);
  EXPECT_EQ(runner_.lines().back(), "swww\timg\t" + fs::canonical(dir_ / "w" / "a.png").string() +
                                        "\t--transition-type\tfade");
  runner_.forget("swww");  // nothing runs at all: twenty quick attempts, nineteen pauses
  pauses = 0;
  slept = 0ms;
  reapply();
  EXPECT_EQ(pauses, 19);
}

TEST_F(Regression, ActivationLockWaitsForItsHolderThenRefuses) {
  // Before: two activations at once left a mix of both themes.
  const fs::path path = dir_ / ".activation.lock";
  auto held = sys::lock_file(path, 0ms, [](auto) {});
  ASSERT_TRUE(held.ok());
  std::chrono::milliseconds waited{0};
  auto refused = sys::lock_file(path, 200ms, [&](std::chrono::milliseconds pause) { waited += pause; });
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error_text(), path.string() + ": timed out waiting for the lock");
  EXPECT_EQ(waited, 200ms) << "it waited its whole limit first";
  // A holder that lets go while the other waits: the waiter gets the lock.
  std::optional<sys::FileLock> holder(std::move(held).value());
  int pauses = 0;
  auto taken = sys::lock_file(path, 1000ms, [&](auto) {
    if (++pauses == 3) holder.reset();
  });
  EXPECT_TRUE(taken.ok());
  EXPECT_EQ(pauses, 3);
}

TEST_F(Regression, AFailedAtomicWriteKeepsTheOldFileAndLeavesNoTemporary) {
  // Before: a write cut short (a full disk) left the user's file half written.
  const TempDir dir;
  write_text(dir / "kitty.conf", "old\n");
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  struct rlimit small = before;
  small.rlim_cur = 16;  // the disk is full after 16 bytes
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto written = sys::write_atomic(dir / "kitty.conf", std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &before);
  ::signal(SIGXFSZ, old_handler);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(read_text(dir / "kitty.conf"), "old\n");
  // The rename itself failing (a directory in the way) removes the temporary file too.
  write_text(dir / "taken" / "inside", "kept");
  EXPECT_FALSE(sys::write_atomic(dir / "taken", "new").ok());
  EXPECT_EQ(read_text(dir / "taken" / "inside"), "kept");
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(Regression, EmptyOrRelativeXdgValuesCountAsUnset) {
  // Before: XDG_CONFIG_HOME="" put the themes in the working directory.
  const struct {
    std::optional<std::string> config, cache, runtime, yazi;
    std::string themes, index, socket, yazi_dir;
  } cases[] = {
      {"", "", "", "", "/h/.config/morvane/themes", "/h/.cache/morvane/kitty-themes", "/tmp/app-launcher-kitty.sock",
       "/h/.config/yazi"},
      {"rel", "rel", "rel", "rel", "/h/.config/morvane/themes", "/h/.cache/morvane/kitty-themes",
       "/tmp/app-launcher-kitty.sock", "/h/.config/yazi"},
      {"/c", "/k", "/r", "/y", "/c/morvane/themes", "/k/morvane/kitty-themes", "/r/app-launcher-kitty.sock", "/y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.themes + " " + c.socket);
    const themes::Environment env{.home = "/h",
                                  .xdg_config_home = c.config,
                                  .xdg_cache_home = c.cache,
                                  .xdg_runtime_dir = c.runtime,
                                  .yazi_config_home = c.yazi,
                                  .uid = testing_support::kTestUid};
    const auto where = themes::locations(env, system_);
    EXPECT_EQ(where.themes_dir, c.themes);
    EXPECT_EQ(where.cache_dir, c.index);
    EXPECT_EQ(where.launcher_socket, c.socket);
    EXPECT_EQ(where.yazi_dir, fs::path(c.yazi_dir));
    EXPECT_TRUE(themes::check_locations(env).ok());
  }
  // Without an absolute HOME, relative values do not stand in for it.
  EXPECT_FALSE(themes::check_locations({.home = "", .xdg_config_home = "c", .xdg_cache_home = "/k",
                                        .uid = testing_support::kTestUid}).ok());
}

TEST_F(Regression, ReadOnlyFilesThatWouldNotChangeAreNeitherWrittenNorRefused) {
  // Before: a read-only btop.conf or theme.toml already saying color_theme = "morvane" blocked every activation.
  runner_.on("kitty", Outcome{});
  write_text(config_dir() / "yazi" / "theme.toml", "[mgr]\ncwd = { fg = \"red\" }\n");
  fs::create_directories(config_dir() / "Code" / "User");
  ASSERT_TRUE(activation::activate_theme(env_, where(), runner_, "nord").ok());
  const char* kept[] = {"btop/btop.conf", "yazi/theme.toml", "gtk-3.0/gtk.css", "Code/User/settings.json"};
  std::vector<std::string> before;
  for (const char* file : kept) {
    before.push_back(read_text(config_dir() / file));
    fs::permissions(config_dir() / file, fs::perms::owner_write, fs::perm_options::remove);
  }
  EXPECT_TRUE(activation::activate_theme(env_, where(), runner_, "nord").ok());
  for (std::size_t i = 0; i < std::size(kept); ++i) EXPECT_EQ(read_text(config_dir() / kept[i]), before[i]) << kept[i];
  // One that would change is still refused, before anything is written.
  const auto refused = activation::activate_theme(env_, where(), runner_, "dracula");
  EXPECT_EQ(refused.error_text(), "could not apply theme: " + (config_dir() / "gtk-3.0/gtk.css").string() +
                                      ": read-only: make it writable to let tintwell edit it");
  EXPECT_EQ(read_text(themes_dir() / ".active" / "theme-name"), "nord");
}

TEST_F(Regression, OnlyKittyItselfIsPreviewedOrAskedOverItsTerminal) {
  // Before: an xterm started from a kitty shell inherited KITTY_WINDOW_ID: previewed and never given back,
  // and kitty @ waited on it for a kitty that was not there.
  const struct {
    std::optional<std::string> term, window, tmux;
    bool kitty;
  } cases[] = {
      {"xterm-kitty", "1", std::nullopt, true},
      {"xterm-256color", "1", std::nullopt, false},
      {"xterm-kitty", "1", "/tmp/tmux-0/default,1,0", false},
      {"xterm-kitty", std::nullopt, std::nullopt, false},
  };
  for (const auto& c : cases) {
    const themes::Environment env{.kitty_window_id = c.window, .tmux = c.tmux, .term = c.term, .uid = kTestUid};
    EXPECT_EQ(activation::runs_in_kitty(env), c.kitty) << c.term.value_or("-");
    EXPECT_EQ(activation::own_window_command(env, "/c").has_value(), c.kitty);
  }
  // A socket kitty told us of reaches it from anywhere; only a Unix one is used.
  const themes::Environment xterm{.kitty_listen_on = "unix:/tmp/k", .term = "xterm-256color", .uid = kTestUid};
  EXPECT_TRUE(activation::can_recolour_own_window(xterm));
  EXPECT_FALSE(activation::can_recolour_own_window({.kitty_listen_on = "tcp:localhost:5", .uid = kTestUid}));
}

TEST_F(Regression, TerminalsOfAnotherPtyInstanceAreNotOurs) {
  // Before: /dev/pts/N of a sandboxed terminal's number went to another program's pty.
  // A fake process table: the user may be whoever runs the test.
  const uid_t user = ::geteuid() == 0 ? kTestUid.value : ::geteuid();
  testing_support::fake_process(system_, 10, "kitty", {3}, user, dir_ / "flatpak" / "pts" / "ptmx");
  testing_support::fake_process(system_, 11, "foot", {4}, user);
  const auto holders = sys::find_terminal_emulators(system_, user);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(holders[0].name, "foot");
}

TEST_F(Regression, AThemeChangedWhileInTheWallpapersSectionKeepsItsHighlight) {
  // Before: the theme list taken again clamped the wallpaper's row to the number of themes.
  testing_support::FakeServices services;
  services.themes = {{.name = "a"}, {.name = "b"}};
  for (int i = 0; i < 5; ++i) services.wallpapers.push_back({std::to_string(i) + ".png", "/w/" + std::to_string(i)});
  auto state = switcher::initial_state(services, "/t");
  switcher::handle_key(state, sys::Key::named(sys::KeyCode::Tab), services);
  switcher::handle_key(state, sys::Key::named(sys::KeyCode::End), services);
  services.active = "b";
  ASSERT_TRUE(switcher::notice_theme_changed_elsewhere(state, services, std::chrono::steady_clock::now()));
  EXPECT_EQ(state.selected, 4u);
}

}  // namespace
