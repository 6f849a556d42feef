#include "relay/link.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/named_lock.h"
#include "platform/socket.h"
#include "relay/device_table.h"
#include "relay/library.h"
#include "tamr11xc.h"

namespace relay::link {
namespace {

// Under the library lock: the lowest free slot gets a connected, non-blocking socket.
// Every failure after the socket exists closes it again and leaves the table as it was.
int connect_lowest_free_slot(int device_type, const char* host, int port) {
  const platform::LockGuard hold(library::lock());
  const int handle = device_table::lowest_free();
  if (handle < 0) return TAMR_ERR_NO_SLOT;
  const platform::SocketHandle s = platform::socket_create();
  if (s == platform::kNoSocket) return TAMR_ERR_SOCKET;
  int failure = 0;
  platform::Ipv4Address address;
  if (!platform::resolve_ipv4(host, address)) {
    failure = TAMR_ERR_RESOLVE;
  } else if (!platform::socket_connect(s, address, static_cast<std::uint16_t>(port))) {
    failure = TAMR_ERR_CONNECT;
  } else if (!platform::socket_set_nonblocking(s)) {
    failure = TAMR_ERR_NONBLOCKING;
  }
  if (failure != 0) {
    platform::socket_close(s);
    return failure;
  }
  device_table::RelaySlot& slot = *device_table::slot(handle);
  slot.socket = s;
  slot.last_status = 0;
  slot.device_type = device_type;
  return handle;
}

}  // namespace

int open_device(int device_type, const char* host, int port) {
  const int result = connect_lowest_free_slot(device_type, host, port);
  // Controllers need a moment after a connect before they take a command.
  platform::sleep_ms(library::open_timeout_ms());
  return result;
}

int close_device(int handle) {
  device_table::RelaySlot* slot = device_table::slot(handle);
  if (slot == nullptr) return TAMR_ERR_SEND;
  const platform::SocketHandle s = slot->socket.exchange(platform::kNoSocket);
  if (s != platform::kNoSocket) {
    platform::socket_shutdown(s, platform::ShutdownDirection::Receive);
    platform::socket_close(s);
  }
  slot->device_type = device_table::kFreeType;
  return TAMR_OK;
}

}  // namespace relay::link
