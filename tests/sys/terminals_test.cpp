#include "sys/terminals.hpp"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::write_text;

constexpr uid_t kUser = 1000, kOther = 1001;

TEST(Terminals, OnlyTheUsersTerminalEmulatorWindows) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving fake /proc entries other owners needs root";
  TempDir dir;
  const auto roots = testing_support::empty_system(dir.path());
  const fs::path &proc = roots.proc, &pts = roots.pts;
  testing_support::fake_process(roots, 10, "kitty", {3, 7}, kUser);
  testing_support::fake_process(roots, 11, "foot", {5, 2}, kUser);
  testing_support::fake_process(roots, 12, "tmux: server", {8}, kUser);  // panes are left alone
  testing_support::fake_process(roots, 13, "python3", {9}, kUser);       // a harness, not a terminal
  testing_support::fake_process(roots, 14, "xterm", {4}, kOther);
  fs::create_directories(proc / "self" / "fd");
  fs::create_symlink("/dev/pts/5", proc / "self" / "fd" / "1");
  for (const unsigned n : {2u, 3u, 4u, 5u, 7u, 8u, 9u}) {
    write_text(pts / std::to_string(n), "");
    ASSERT_EQ(::chown((pts / std::to_string(n)).c_str(), n == 7 ? kOther : kUser, 0), 0);
  }
  const auto holders = sys::find_terminal_emulators(roots, kUser);
  ASSERT_EQ(holders.size(), 2u);
  EXPECT_EQ(holders[0].name, "kitty");
  EXPECT_EQ(holders[0].ptys, (std::vector<unsigned>{3, 7}));
  EXPECT_EQ(holders[0].sockets, std::vector<unsigned long>{7710});
  EXPECT_EQ(sys::own_pty(proc), 5u);
  // Our own window first, then in number order; pty 7 belongs to someone else.
  EXPECT_EQ(sys::terminal_windows(holders, pts, kUser, 5u), (std::vector<fs::path>{pts / "5", pts / "2", pts / "3"}));
  EXPECT_TRUE(sys::find_terminal_emulators(roots, 0).empty());
  EXPECT_TRUE(sys::terminal_windows(holders, pts, 0, 5u).empty());
}

TEST(Terminals, ListeningSocketsOfProcNetUnix) {
  const std::string table =
      "Num       RefCount Protocol Flags    Type St Inode Path\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 7710 /tmp/kitty sock-10\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 7711 @kitty-abstract\n"
      "0000000000000000: 00000003 00000000 00000000 0001 03 7712 /run/user/1000/bus\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 7713\n";
  EXPECT_EQ(sys::parse_listening_sockets(table),
            (std::map<unsigned long, std::string>{{7710, "/tmp/kitty sock-10"}, {7711, "@kitty-abstract"}}));
  EXPECT_EQ(sys::parse_tty_index("pos:\t0\ntty-index:\t12\n"), 12u);
  EXPECT_EQ(sys::parse_tty_index("pos:\t0\n"), std::nullopt);
}

TEST(Terminals, WritesNeverWaitForATerminalNobodyReads) {
  int master, slave;
  char name[64];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  const uid_t me = ::geteuid();
  ASSERT_EQ(::chown(name, me, static_cast<gid_t>(-1)), 0);
  // A free terminal takes the whole text; a missing device is skipped.
  auto done = sys::write_to_terminals({name, "/nonexistent/pts/1"}, "\x1b]11;#101010\x1b\\", me,
                                      std::chrono::milliseconds(50));
  EXPECT_EQ(done.written, 1u);
  EXPECT_EQ(done.skipped, 1u);
  char got[64];
  EXPECT_EQ(::read(master, got, sizeof got), 14);
  // Filled up by a program whose output nobody reads: given up at the limit.
  ::fcntl(slave, F_SETFL, O_NONBLOCK);
  const std::string block(4096, 'x');
  while (::write(slave, block.data(), block.size()) > 0) {
  }
  const auto start = std::chrono::steady_clock::now();
  done = sys::write_to_terminals({name}, std::string(8192, 'y'), me, std::chrono::milliseconds(50));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(done.written, 0u);
  EXPECT_EQ(done.skipped, 1u);
  struct sigaction after {};
  ::sigaction(SIGTTOU, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL) << "SIGTTOU is ignored only while writing";
  ::close(master);
  ::close(slave);
}

}  // namespace
