// The table of open controller connections: 64 slots, a handle is a slot's index.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/socket.h"

namespace relay::device_table {

inline constexpr int kSlotCount = 64;
inline constexpr std::int32_t kFreeType = 0;

// One connection. A handle is used by one thread at a time, so only deviceType is
// atomic: an open on another thread reads it, under the library lock, to find a free
// slot while a close (which takes no lock) frees one.
struct RelaySlot {
  platform::SocketHandle socket = platform::kNoSocket;
  std::atomic<std::int32_t> deviceType{kFreeType};  // 0 marks a free slot
  // The outcome of the last exchange of the commands that keep one: 0, -2, a byte count,
  // a socket error code or the time-out marker.
  std::int32_t lastStatus = 0;

  bool is_free() const { return deviceType.load(std::memory_order_acquire) == kFreeType; }
  void reset() {
    socket = platform::kNoSocket;
    lastStatus = 0;
    deviceType.store(kFreeType, std::memory_order_release);
  }
};

// The slot of a handle, nullptr outside 0..63.
RelaySlot* slot(int handle);

// The slot of a handle that holds a connection, nullptr otherwise.
RelaySlot* open_slot(int handle);

}  // namespace relay::device_table
