// OS layer: waiting for a device's reply on a non-blocking socket.
//
// The devices answer a command with a reply of a known length, and the libraries wait
// for it with a bounded poll: receive once for the whole reply; nothing yet (would-block)
// means try again; anything else ends the wait, and that single receive is the reply.
// Split replies are never reassembled: the first read that returns data decides, and
// the rest stays in the socket for the next exchange. The devices' firmware and every
// installed application were tuned against exactly this behaviour.
//
// The original loop spun on the socket; this one sleeps in poll() until the socket is
// readable or the time is up, so a waiting call costs no CPU. The outcomes are the same.
#pragma once

#include <cstddef>

#include "platform/socket.h"

namespace platform {

// What wins when a receive returns at or after the time limit.
enum class DeadlineRule {
  // The clock is read after every receive; a receive that ends past the limit is a
  // time-out even if it brought data.
  ClockFirst,
  // Any result other than would-block ends the wait before the clock is read, so a
  // reply that the last receive obtains is used even past the limit.
  DataFirst,
};

struct TimedReceiveResult {
  bool timed_out = false;
  ReceiveResult last;  // the last receive call of the wait
};

// Waits up to timeout_ms (measured from the call) for one receive of up to `count`
// bytes into `buffer`. The limit is exceeded once more than timeout_ms have passed.
TimedReceiveResult timed_receive(SocketHandle socket, void* buffer, std::size_t count,
                                 int timeout_ms, DeadlineRule rule);

}  // namespace platform
