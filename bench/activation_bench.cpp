// Activation's own work: a built-in theme whose profile exists, every
// external program answering at once (a runner that starts nothing).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "activation/activate.hpp"
#include "bench_support.hpp"

namespace {

using bench_support::InstantRunner;

void BM_ActivateBuiltinTheme(benchmark::State& state) {
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return;
  const std::filesystem::path home = dir;
  const themes::Environment env{.home = home.string(),
                                .xdg_config_home = (home / ".config").string(),
                                .xdg_cache_home = (home / ".cache").string(),
                                .xdg_runtime_dir = home.string(),
                                .uid = themes::Uid{4242}};
  InstantRunner runner;
  // Nothing running: the terminals of whoever runs the benchmark stay as they are.
  const sys::SystemRoots empty{.proc = home / "proc", .pts = home / "pts", .run_user = home / "run"};
  for (const auto& made : {empty.proc, empty.pts, empty.run_user}) std::filesystem::create_directories(made);
  const themes::Locations where = themes::locations(env, empty);
  if (!activation::activate_theme(env, where, runner, "nord")) state.SkipWithError("activation failed");
  for (auto _ : state) benchmark::DoNotOptimize(activation::activate_theme(env, where, runner, "nord"));
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_ActivateBuiltinTheme)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// What a `kitty @` run costs on Debian's kitty (a Python start-up): any
// kitty command of the activation's waits this long.
class KittyCostRunner final : public sys::ProcessRunner {
 public:
  sys::Result<std::optional<sys::Output>> run_for(const sys::Command& command, std::chrono::milliseconds) override {
    if (command.program == "kitty") std::this_thread::sleep_for(std::chrono::milliseconds(90));
    return std::optional<sys::Output>{
        sys::Output{sys::ExitStatus(0), command.program == "btop" ? "btop version: 1.4.0\n" : "1000\n", ""}};
  }
  sys::Result<void> start_detached(const sys::Command&) override { return sys::success(); }
};

// A kitty's remote-control socket answering every command at once.
class KittySocket {
 public:
  explicit KittySocket(const std::filesystem::path& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    (void)::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 16);
    thread_ = std::thread([this] {
      for (;;) {
        const int peer = ::accept(fd_, nullptr, nullptr);
        if (peer < 0) return;
        char buffer[8192];
        while (::read(peer, buffer, sizeof buffer) > 0) {
        }
        constexpr std::string_view kOk = "\x1bP@kitty-cmd{\"ok\": true}\x1b\\";
        (void)!::write(peer, kOk.data(), kOk.size());
        ::close(peer);
      }
    });
  }
  ~KittySocket() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }

 private:
  int fd_;
  std::thread thread_;
};

// Twenty kitty processes of the user, each listening on a socket (a fake
// process table; no terminal of the machine is reached), and every
// `kitty @` costing what it costs.
void BM_ActivateWithTwentyKittyProcesses(benchmark::State& state) {
  namespace fs = std::filesystem;
  char dir[] = "/tmp/tintwell-bench-XXXXXX";
  if (!mkdtemp(dir)) return;
  const fs::path home = dir;
  const unsigned uid = ::geteuid() == 0 ? 4242 : ::geteuid();
  const themes::Environment env{.home = home.string(),
                                .xdg_config_home = (home / ".config").string(),
                                .xdg_cache_home = (home / ".cache").string(),
                                .xdg_runtime_dir = home.string(),
                                .uid = themes::Uid{uid}};
  const sys::SystemRoots system{.proc = home / "proc", .pts = home / "pts", .run_user = home / "run"};
  for (const auto& made : {system.proc, system.pts, system.run_user}) fs::create_directories(made);
  std::ofstream(system.pts / "ptmx");
  std::string unix_table = "Num RefCount Protocol Flags Type St Inode Path\n";
  std::vector<std::unique_ptr<KittySocket>> sockets;
  for (int k = 0; k < 20; ++k) {
    const fs::path process = system.proc / std::to_string(100 + k);
    fs::create_directories(process / "fd");
    fs::create_directories(process / "fdinfo");
    std::ofstream(process / "comm") << "kitty\n";
    fs::create_symlink(system.pts / "ptmx", process / "fd" / "3");
    std::ofstream(process / "fdinfo" / "3") << "tty-index:\t" << k << "\n";
    fs::create_symlink("socket:[" + std::to_string(9000 + k) + "]", process / "fd" / "4");
    if (::chown(process.c_str(), uid, static_cast<gid_t>(-1)) != 0) return state.SkipWithError("chown failed");
    const fs::path socket = home / ("kitty-" + std::to_string(k) + ".sock");
    sockets.push_back(std::make_unique<KittySocket>(socket));
    unix_table += "0: 00000002 00000000 00010000 0001 01 " + std::to_string(9000 + k) + " " + socket.string() + "\n";
  }
  fs::create_directories(system.proc / "net");
  std::ofstream(system.proc / "net" / "unix") << unix_table;
  KittyCostRunner runner;
  const themes::Locations where = themes::locations(env, system);
  if (!activation::activate_theme(env, where, runner, "nord")) state.SkipWithError("activation failed");
  for (auto _ : state) benchmark::DoNotOptimize(activation::activate_theme(env, where, runner, "nord"));
  sockets.clear();
  fs::remove_all(home);
}
BENCHMARK(BM_ActivateWithTwentyKittyProcesses)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
