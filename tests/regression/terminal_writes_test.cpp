#include <fcntl.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "activation/recolour.hpp"
#include "regression/regression.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::FakeRunner;
using testing_support::Outcome;
using testing_support::write_text;

/// A kitty's remote-control socket: each connection's request is kept and
/// answered with `reply`.
class KittySocket {
 public:
  KittySocket(const fs::path& path, std::string reply) : reply_(std::move(reply)) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::listen(fd_, 4);
    thread_ = std::thread([this] {
      const int peer = ::accept(fd_, nullptr, nullptr);
      if (peer < 0) return;
      char buffer[8192];
      for (ssize_t n; (n = ::read(peer, buffer, sizeof buffer)) > 0;) request_.append(buffer, static_cast<std::size_t>(n));
      (void)!::write(peer, reply_.data(), reply_.size());
      ::close(peer);
    });
  }
  ~KittySocket() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  const std::string& request() const { return request_; }

 private:
  int fd_;
  std::string reply_;
  std::string request_;
  std::thread thread_;
};

constexpr const char* kOk = "\x1bP@kitty-cmd{\"ok\": true}\x1b\\";
constexpr const char* kRefused = "\x1bP@kitty-cmd{\"ok\": false, \"error\": \"Remote control is disabled\"}\x1b\\";

TEST_F(Regression, AWindowKittyRecolouredItselfGetsNoEscapeSequences) {
  // Before: CAN ST went to every window and cut what another program was sending it (an OSC 52 copy).
  if (::geteuid() != 0) GTEST_SKIP() << "fake /proc entries of another user and pty device nodes need root";
  const testing_support::TempDir dir;
  // The windows are ptys the test opens itself, given to a user of its own;
  // the processes holding them are a fake process table's.
  auto roots = testing_support::empty_system(dir.path());
  roots.pts = "/dev/pts";
  const auto uid = testing_support::kTestUid;
  std::vector<unsigned> ptys;
  std::vector<int> masters;
  for (int i = 0; i < 5; ++i) {
    int master, slave;
    char name[64];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(::chown(name, uid, static_cast<gid_t>(-1)), 0);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    masters.push_back(master);
    ptys.push_back(static_cast<unsigned>(std::stoul(fs::path(name).filename().string())));
    ::close(slave);
  }
  // kitty 10 answers its socket, 11 refuses it (a password is wanted), 12
  // and 13 listen nowhere; foot 14 takes escape sequences only.
  for (int i = 0; i < 5; ++i)
    testing_support::fake_process(roots, 10 + i, i < 4 ? "kitty" : "foot", {ptys[i]}, uid, "/dev/ptmx");
  const KittySocket answers(dir / "a.sock", kOk), refuses(dir / "b.sock", kRefused);
  write_text(roots.proc / "net" / "unix",
             "Num RefCount Protocol Flags Type St Inode Path\n"
             "0: 00000002 00000000 00010000 0001 01 7710 " + (dir / "a.sock").string() + "\n" +
             "0: 00000002 00000000 00010000 0001 01 7711 " + (dir / "b.sock").string() + "\n");
  const themes::Environment env{.skip = "color-scheme", .uid = uid};
  FakeRunner runner;
  runner.on("kitty", Outcome{});  // kitty's own client gets through with the password
  const auto notes = activation::recolour_running_programs(env, themes::locations(env, roots), runner,
                                                           "background #102030\ncolor0 #000000\ncolor1 #ff0000\n", roots, {});
  EXPECT_EQ(notes, (std::vector<std::string>{"recoloured 5 terminal windows",
                                             "2 kitty processes without remote control: new tabs keep the old colours "
                                             "until restarted"}));
  EXPECT_NE(answers.request().find("\"cmd\":\"set-colors\""), std::string::npos);
  EXPECT_NE(answers.request().find("\"colors\":{\"background\":1056816,\"color0\":0,\"color1\":16711680}"),
            std::string::npos);
  ASSERT_EQ(runner.lines().size(), 1u);
  EXPECT_TRUE(runner.lines()[0].starts_with("kitty\t@\t--to=unix:" + (dir / "b.sock").string() + "\tset-colors"));
  // The window kitty recoloured itself gets nothing; the others the
  // sequences, after CAN and ST.
  for (std::size_t i = 0; i < masters.size(); ++i) {
    char got[256];
    const ssize_t size = ::read(masters[i], got, sizeof got);
    EXPECT_EQ(std::string(got, size > 0 ? size : 0),
              i == 0 ? "" : "\x18\x1b\\\x1b]4;0;#000000\x1b\\\x1b]4;1;#ff0000\x1b\\\x1b]11;#102030\x1b\\")
        << "window " << i;
    ::close(masters[i]);
  }
}

}  // namespace
