#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sys/result.hpp"

namespace sys {

/// One request to a program listening on a Unix socket: a path, or an
/// abstract name starting with '@'.
struct SocketRequest {
  std::string socket;
  std::string bytes;
};

/// Sends each request over a connection of its own, all at once, closes the
/// sending side and reads what comes back until the peer closes, within
/// `limit` for all together. One result per request, in order: the answer,
/// or why there is none ("no answer within N ms", a connection error).
std::vector<Result<std::string>> exchange_over_sockets(const std::vector<SocketRequest>& requests,
                                                       std::chrono::milliseconds limit);

}  // namespace sys
