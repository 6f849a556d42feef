#include "relay/device_table.h"

#include "relay/library.h"

namespace relay::device_table {

RelaySlot* slot(int handle) { return library::state().slot(handle); }

RelaySlot* open_slot(int handle) {
  RelaySlot* s = slot(handle);
  return s != nullptr && s->socket != platform::kNoSocket ? s : nullptr;
}

}  // namespace relay::device_table
