// Library-wide state of tamr11xc: the library lock, the open pause and the socket layer,
// set up when the library is loaded and released when it is unloaded.
#pragma once

#include <string>

#include "platform/named_lock.h"

namespace relay::library {

// Shared by every process that loads the library; the terminal library's lock has
// another name, so the two never exclude each other.
inline constexpr const char* kLockName = "Control_block_for_TAMR11X_Devices_Pelu41";
// The year really is written with five digits; applications compare this text.
inline constexpr const char* kSdkVersion = "Version 1.01.03 tamr11xc.dll 14/02/20011";
inline constexpr int kDefaultOpenTimeoutMs = 1000;

// What the load and unload hooks do.
void load();
void unload();

// The library lock, nullptr when it could not be made (commands then run unexcluded).
platform::NamedLock* lock();
// Replaces the library lock by one of another name (load uses kLockName).
void open_lock(const std::string& name);

int open_timeout_ms();
void set_open_timeout_ms(int milliseconds);

bool socket_layer_started();

}  // namespace relay::library
