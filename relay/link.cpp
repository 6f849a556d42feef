#include "relay/link.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/named_lock.h"
#include "platform/socket.h"
#include "relay/device_table.h"
#include "relay/library.h"
#include "tamr11xc.h"
#include "wire/enum_table.h"

namespace relay::link {
namespace {

using platform::ConnectStage;

// The open's result for the stage a connect stopped at. Indexed by ConnectStage.
struct StageResult {
  ConnectStage stage;
  int result;
};
constexpr StageResult kStageResults[] = {
    {ConnectStage::Connected, TAMR_OK},
    {ConnectStage::Socket, TAMR_ERR_SOCKET},
    {ConnectStage::Resolve, TAMR_ERR_RESOLVE},
    {ConnectStage::Connect, TAMR_ERR_CONNECT},
    {ConnectStage::NonBlocking, TAMR_ERR_NONBLOCKING},
};
static_assert(wire::indexed_by(kStageResults, &StageResult::stage, ConnectStage::NonBlocking));

// Under the library lock: the lowest free slot gets a connected, non-blocking socket.
// A failed connect leaves the table as it was.
int connect_lowest_free_slot(int device_type, const char* host, int port) {
  library::State& state = library::state();
  const platform::LockGuard hold(state.lock.get());
  const int handle = state.lowest_free();
  if (handle < 0) return TAMR_ERR_NO_SLOT;
  const platform::Connection c = platform::connect_ipv4(host, static_cast<std::uint16_t>(port));
  if (c.stage != ConnectStage::Connected) {
    return kStageResults[static_cast<std::size_t>(c.stage)].result;
  }
  device_table::RelaySlot& slot = *state.slot(handle);
  slot.socket = c.socket;
  slot.lastStatus = 0;
  slot.deviceType.store(device_type, std::memory_order_release);
  return handle;
}

}  // namespace

int open_device(int device_type, const char* host, int port) {
  const int result = connect_lowest_free_slot(device_type, host, port);
  // Controllers need a moment after a connect before they take a command.
  platform::sleep_ms(library::state().openTimeoutMs);
  return result;
}

int close_device(int handle) {
  device_table::RelaySlot* slot = device_table::slot(handle);
  if (slot == nullptr) return TAMR_ERR_SEND;
  if (slot->socket != platform::kNoSocket) {
    platform::socket_shutdown(slot->socket, platform::ShutdownDirection::Receive);
    platform::socket_close(slot->socket);
  }
  slot->socket = platform::kNoSocket;
  slot->deviceType.store(device_table::kFreeType, std::memory_order_release);
  return TAMR_OK;
}

}  // namespace relay::link
