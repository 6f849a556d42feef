// What a client library keeps for its whole life in a process: its device table, the
// library lock it shares by name with every process that loads it, and the open pause.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/named_lock.h"

namespace platform {

inline constexpr std::int32_t kDefaultOpenTimeoutMs = 1000;

template <typename Slot, std::size_t SlotCount>
struct LibraryState {
  std::array<Slot, SlotCount> slots;
  // Null when the lock could not be made at load: the library still works, and its
  // locked steps run without exclusion.
  std::unique_ptr<NamedLock> lock;
  // The devices need a moment after a connection before they take commands.
  std::atomic<std::int32_t> openTimeoutMs{kDefaultOpenTimeoutMs};

  // At load every slot is free and the lock is opened. Connections a previous load
  // left open are the system's to close.
  void load(const std::string& lock_name) {
    for (Slot& slot : slots) slot.reset();
    open_lock(lock_name);
  }
  void unload() { lock.reset(); }
  void open_lock(const std::string& name) { lock = NamedLock::open(name); }

  // The slot of a handle, null outside the table.
  Slot* slot(std::int32_t handle) {
    if (handle < 0 || static_cast<std::size_t>(handle) >= SlotCount) return nullptr;
    return &slots[static_cast<std::size_t>(handle)];
  }

  // The lowest free slot's index, -1 when all are taken. Call under the library lock.
  std::int32_t lowest_free() const {
    for (std::size_t i = 0; i < SlotCount; ++i) {
      if (slots[i].is_free()) return static_cast<std::int32_t>(i);
    }
    return -1;
  }
};

}  // namespace platform
