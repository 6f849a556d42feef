// Load and unload of libvornc.so.
#include "terminal/link/device_table.h"

namespace vornc {
namespace {

// Shared by every process that loads the library; the relay library's lock has another
// name, so the two never exclude each other.
constexpr const char* kLockName = "Control_block_for_KVT_Devices_Pelu41";

__attribute__((constructor)) void on_load() { library().load(kLockName); }

// Open connections are left to the system.
__attribute__((destructor)) void on_unload() { library().unload(); }

}  // namespace
}  // namespace vornc
