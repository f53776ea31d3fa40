#pragma once

#include <functional>
#include <future>
#include <system_error>
#include <thread>

#include "sys/result.hpp"

namespace switcher {

/// Runs `work` on a short-lived, detached thread and returns the receiving
/// end of a fresh channel for its one result. The worker is never waited
/// for; a result nobody takes any more is dropped with the channel, and a
/// worker that ends without one leaves the channel ready with an error.
/// Fails only when no thread can be made ("failed to spawn thread").
template <class T>
sys::Result<std::future<T>> start_worker(std::function<T()> work) {
  std::promise<T> sender;
  std::future<T> receiver = sender.get_future();
  try {
    std::thread([work = std::move(work), sender = std::move(sender)]() mutable { sender.set_value(work()); })
        .detach();
  } catch (const std::system_error&) {
    return sys::Error{"failed to spawn thread"};
  }
  return receiver;
}

/// Whether the worker behind `channel` has ended (with or without a result).
template <class T>
bool has_ended(const std::future<T>& channel) {
  return channel.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace switcher
