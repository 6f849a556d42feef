// A device stand-in for benchmarks: on loopback, it answers every request of
// `request_bytes` with `reply_bytes` at once, or stays silent. One connection at a time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "tests/support/loopback.h"

namespace bench_support {

class LoopbackResponder {
 public:
  // reply_bytes 0: read requests, never answer.
  LoopbackResponder(std::size_t request_bytes, std::size_t reply_bytes);
  ~LoopbackResponder();
  std::uint16_t port() const { return static_cast<std::uint16_t>(listener_.port()); }
  // A connected client socket (blocking) to this responder.
  int connect();

 private:
  void serve();
  test_support::Listener listener_;
  std::size_t request_bytes_;
  std::size_t reply_bytes_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// CPU time the calling thread has used, in microseconds.
long thread_cpu_us();

}  // namespace bench_support
