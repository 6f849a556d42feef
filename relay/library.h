// Library-wide state of tamr11xc: the device table, the library lock and the open pause,
// set up when the library is loaded and released when it is unloaded.
#pragma once

#include "platform/library_state.h"
#include "relay/device_table.h"

namespace relay::library {

// Shared by every process that loads the library; the terminal library's lock has
// another name, so the two never exclude each other.
inline constexpr const char* kLockName = "Control_block_for_TAMR11X_Devices_Pelu41";
// The year really is written with five digits; applications compare this text.
inline constexpr const char* kSdkVersion = "Version 1.01.03 tamr11xc.dll 14/02/20011";

using State = platform::LibraryState<device_table::RelaySlot, device_table::kSlotCount>;

State& state();

// The library lock, nullptr when it could not be made (commands then run unexcluded).
inline platform::NamedLock* lock() { return state().lock.get(); }

}  // namespace relay::library
