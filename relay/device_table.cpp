#include "relay/device_table.h"

#include <array>

#include "platform/socket.h"

namespace relay::device_table {
namespace {

constinit std::array<RelaySlot, kSlotCount> slots;

}  // namespace

void reset_all() {
  for (RelaySlot& s : slots) {
    s.socket = platform::kNoSocket;
    s.device_type = kFreeType;
    s.last_status = 0;
  }
}

RelaySlot* slot(int handle) {
  if (handle < 0 || handle >= kSlotCount) return nullptr;
  return &slots[static_cast<std::size_t>(handle)];
}

RelaySlot* open_slot(int handle) {
  RelaySlot* s = slot(handle);
  return s != nullptr && s->socket != platform::kNoSocket ? s : nullptr;
}

int lowest_free() {
  for (int i = 0; i < kSlotCount; ++i) {
    if (slots[static_cast<std::size_t>(i)].device_type == kFreeType) return i;
  }
  return -1;
}

}  // namespace relay::device_table
