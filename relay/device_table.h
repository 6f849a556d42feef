// The table of open controller connections: 64 slots, a handle is a slot's index.
#pragma once

#include <atomic>

namespace relay::device_table {

inline constexpr int kSlotCount = 64;
inline constexpr int kFreeType = 0;

// One connection. The fields are atomic because opens, closes and commands on other
// handles run on any thread; one slot is used by one thread at a time.
struct RelaySlot {
  std::atomic<int> socket{-1};
  std::atomic<int> device_type{kFreeType};  // 0 marks a free slot
  // The outcome of the last exchange of the commands that keep one: 0, -2, a byte count,
  // a socket error code or the time-out marker.
  std::atomic<int> last_status{0};
};

// Puts every slot into its free state.
void reset_all();

// The slot of a handle, nullptr outside 0..63.
RelaySlot* slot(int handle);

// The slot of a handle that holds a connection, nullptr otherwise.
RelaySlot* open_slot(int handle);

// The lowest free slot's index, -1 when all are taken. Call under the library lock.
int lowest_free();

}  // namespace relay::device_table
