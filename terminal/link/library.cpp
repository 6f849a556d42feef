// Load and unload of libvornc.so.
#include "terminal/link/device_table.h"

namespace vornc {
namespace {

constexpr const char* kLockName = "Control_block_for_KVT_Devices_Pelu41";

__attribute__((constructor)) void on_load() {
  Library& lib = library();
  for (auto& slot : lib.slots) reset_slot(slot);
  if (!lib.lock) {
    lib.lock = platform::NamedLock::open(kLockName);
    if (!lib.lock) return;  // the opens then run without it
  }
  // POSIX sockets need no start-up; the flag keeps the unload symmetrical.
  lib.socketLayerStarted = true;
}

__attribute__((destructor)) void on_unload() {
  Library& lib = library();
  lib.lock.reset();
  lib.socketLayerStarted = false;
}

}  // namespace
}  // namespace vornc
