#include "relay/library.h"

namespace relay::library {

State& state() {
  // Never destroyed: the unload hook runs after static destructors and still needs it.
  static State* const instance = new State;
  return *instance;
}

}  // namespace relay::library

// The library's load and unload hooks. Open connections are left to the system.
__attribute__((constructor)) static void tamr11xc_loaded() {
  relay::library::state().load(relay::library::kLockName);
}
__attribute__((destructor)) static void tamr11xc_unloaded() { relay::library::state().unload(); }
