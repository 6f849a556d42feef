#include "platform/timed_receive.h"

#include "platform/clock.h"

namespace platform {
namespace {

// A signal during the wait is not the device's doing: poll again, as for would-block.
bool nothing_yet(const ReceiveResult& r) {
  return r.error == wsa::kWouldBlock || r.error == wsa::kInterrupted;
}

}  // namespace

TimedReceiveResult timed_receive(SocketHandle socket, void* buffer, std::size_t count,
                                 int timeout_ms, DeadlineRule rule) {
  const std::int64_t start = now_ms();
  for (;;) {
    ReceiveResult r = socket_receive(socket, buffer, count);
    if (r.error == wsa::kInterrupted) r.error = wsa::kWouldBlock;
    if (rule == DeadlineRule::DataFirst && !nothing_yet(r)) return {false, r};
    const std::int64_t elapsed = now_ms() - start;
    if (elapsed > timeout_ms) return {true, r};
    if (!nothing_yet(r)) return {false, r};
    // Sleep until something arrives or until just past the limit, where the next
    // receive sees the clock beyond it.
    socket_wait_readable(socket, static_cast<int>(timeout_ms - elapsed + 1));
  }
}

}  // namespace platform
