#include "sys/sockets.hpp"

#include <errno.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "sys/os_error.hpp"

namespace sys {
namespace {

struct Connection {
  int fd = -1;
  std::string_view left;  ///< still to send
  std::string answer;
  bool done = false;
  std::optional<Error> error{};
};

// A non-blocking connection to `socket`, started; an abstract name ('@')
// has a NUL byte where the '@' stands.
Result<int> connect_to(const std::string& socket) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket.empty() || socket.size() >= sizeof address.sun_path) return Error{"socket name too long"};
  std::memcpy(address.sun_path, socket.data(), socket.size());
  if (socket[0] == '@') address.sun_path[0] = '\0';
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return os_error(errno);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket.size());
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 && errno != EINPROGRESS &&
      errno != EAGAIN) {
    const int err = errno;
    ::close(fd);
    return os_error(err);
  }
  return fd;
}

// Moves one connection on as far as it goes without blocking.
void step(Connection& c) {
  while (!c.left.empty()) {
    const ssize_t n = ::send(c.fd, c.left.data(), c.left.size(), MSG_NOSIGNAL);
    if (n > 0) {
      c.left.remove_prefix(static_cast<std::size_t>(n));
      if (c.left.empty()) ::shutdown(c.fd, SHUT_WR);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == ENOTCONN)) return;  // not connected yet, or full
    c.error = os_error(errno);
    c.done = true;
    return;
  }
  for (;;) {
    char buffer[4096];
    const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      c.answer.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) {
      c.done = true;
    } else if (errno != EAGAIN && errno != EINTR) {
      c.error = os_error(errno);
      c.done = true;
    }
    return;
  }
}

}  // namespace

std::vector<Result<std::string>> exchange_over_sockets(const std::vector<SocketRequest>& requests,
                                                       std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  std::vector<Connection> connections(requests.size());
  for (std::size_t i = 0; i < requests.size(); ++i) {
    auto fd = connect_to(requests[i].socket);
    if (!fd) {
      connections[i].error = fd.error();
      connections[i].done = true;
      continue;
    }
    connections[i].fd = fd.value();
    connections[i].left = requests[i].bytes;
    if (connections[i].left.empty()) ::shutdown(fd.value(), SHUT_WR);
  }
  for (;;) {
    std::vector<pollfd> waiting;
    for (auto& c : connections) {
      if (c.done) continue;
      step(c);
      if (!c.done) waiting.push_back({c.fd, static_cast<short>(POLLIN | (c.left.empty() ? 0 : POLLOUT)), 0});
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (waiting.empty() || left <= 0) break;
    ::poll(waiting.data(), waiting.size(), static_cast<int>(left));
  }
  std::vector<Result<std::string>> results;
  for (auto& c : connections) {
    if (c.fd >= 0) ::close(c.fd);
    if (c.error) {
      results.emplace_back(*c.error);
    } else if (!c.done) {
      results.emplace_back(Error{fmt::format("no answer within {} ms", limit.count())});
    } else {
      results.emplace_back(std::move(c.answer));
    }
  }
  return results;
}

}  // namespace sys
