#include "relay/library.h"

#include <atomic>

#include "relay/device_table.h"

namespace relay::library {
namespace {

// Trivially destructible: the unload hook, not a static destructor, releases the lock,
// and the two would otherwise both run at exit.
struct State {
  platform::NamedLock* lock = nullptr;
  std::atomic<int> open_timeout_ms{kDefaultOpenTimeoutMs};
  // POSIX sockets need no start-up; the flag keeps the load and unload symmetric.
  bool socket_layer_started = false;
};

constinit State state;

}  // namespace

void load() {
  device_table::reset_all();
  open_lock(kLockName);
  // When the lock cannot be made the socket layer is not marked started either; the
  // library still loads, and its commands run without exclusion.
  state.socket_layer_started = state.lock != nullptr;
}

void unload() {
  delete state.lock;
  state.lock = nullptr;
  state.socket_layer_started = false;
}

platform::NamedLock* lock() { return state.lock; }

void open_lock(const std::string& name) {
  delete state.lock;
  state.lock = platform::NamedLock::open(name).release();
}

int open_timeout_ms() { return state.open_timeout_ms; }

void set_open_timeout_ms(int milliseconds) { state.open_timeout_ms = milliseconds; }

bool socket_layer_started() { return state.socket_layer_started; }

}  // namespace relay::library

// The library's load and unload hooks. Open connections are left to the system.
__attribute__((constructor)) static void tamr11xc_loaded() { relay::library::load(); }
__attribute__((destructor)) static void tamr11xc_unloaded() { relay::library::unload(); }
