#include "terminal/link/connection.h"

#include <array>
#include <cstring>
#include <new>
#include <utility>

#include "platform/clock.h"
#include "terminal/link/exchange.h"
#include "terminal/link/identity.h"
#include "terminal/link/outputs.h"
#include "vornc.h"

namespace vornc::connection {
namespace {

using exchange::Rule;
using platform::sleep_ms;

constexpr int kNoFreeSlot = -1;

// First slot whose device type is 0; call with the library lock held.
int find_free_slot() {
  auto& slots = library().slots;
  for (int i = 0; i < kSlotCount; ++i) {
    if (slots[static_cast<std::size_t>(i)].is_free()) return i;
  }
  return kNoFreeSlot;
}

// A slot record being made by an open. It owns what the open created until it is
// installed in the table; a failed open leaves the table as it was.
struct PreparedSlot {
  platform::SocketHandle socket = platform::kNoSocket;
  bool closeSocketOnFailure = false;  // only for a connection the library made
  std::int32_t deviceType = 0;
  DeviceGeometry geometry{};
  std::unique_ptr<std::uint8_t[]> imageBuffer;
  std::unique_ptr<std::uint8_t[]> receiveBuffer;
  std::array<char, kHostNameField> hostName{};
  Origin origin = Origin::None;

  PreparedSlot() = default;
  PreparedSlot(const PreparedSlot&) = delete;
  PreparedSlot& operator=(const PreparedSlot&) = delete;
  ~PreparedSlot() {
    if (closeSocketOnFailure) platform::socket_close(socket);
  }

  void set_type(std::int32_t type) {
    deviceType = type;
    geometry = geometry_of(type);
  }

  // The slot's buffers: VORN_OK, or the open's code for the one that failed.
  std::int32_t allocate_buffers() {
    imageBuffer.reset(new (std::nothrow) std::uint8_t[image_buffer_bytes(geometry)]());
    if (!imageBuffer) return VORN_NO_IMAGE_BUFFER;
    if (geometry.hasReceiveBuffer) {
      receiveBuffer.reset(new (std::nothrow) std::uint8_t[kReceiveBufferBytes]());
      if (!receiveBuffer) return VORN_NO_RECEIVE_BUFFER;
    }
    return VORN_OK;
  }

  // Moves the record into the table slot; the slot counts as open from here on.
  void install(TerminalSlot& slot) {
    slot.socket = socket;
    closeSocketOnFailure = false;
    slot.imageHeight = geometry.imageHeight;
    slot.imageWidth = geometry.imageWidth;
    slot.imageSize = geometry.imageHeight * geometry.imageWidth;
    slot.rawImageFlag = 0;
    slot.imageBuffer = std::move(imageBuffer);
    slot.receiveBuffer = std::move(receiveBuffer);
    slot.hostName = hostName;
    slot.origin = origin;
    slot.lastStatus = 0;
    slot.configLoaded = -1;
    slot.configBlock.fill(0);
    slot.deviceType.store(deviceType, std::memory_order_release);
  }
};

// Connects the record's socket to host:port; VORN_OK or the open's failure code.
std::int32_t connect(PreparedSlot& prepared, const char* host, std::int32_t port) {
  prepared.socket = platform::socket_create();
  if (prepared.socket == platform::kNoSocket) return VORN_NO_SOCKET;
  prepared.closeSocketOnFailure = true;
  platform::Ipv4Address address;
  if (!platform::resolve_ipv4(host, address)) return VORN_HOST_NOT_FOUND;
  if (!platform::socket_connect(prepared.socket, address, static_cast<std::uint16_t>(port))) {
    return VORN_CONNECT_FAILED;
  }
  if (!platform::socket_set_nonblocking(prepared.socket)) return VORN_NONBLOCKING_FAILED;
  platform::socket_set_no_delay(prepared.socket);
  return prepared.allocate_buffers();
}

void copy_host_name(const char* host, std::array<char, kHostNameField>& field) {
  field.fill(0);
  if (host != nullptr) std::strncpy(field.data(), host, field.size() - 1);
}

// The series-120 models keep their image transfer mode in byte 40 of the block.
void read_raw_image_flag(TerminalSlot& slot) {
  std::array<std::uint8_t, identity::kParamBytes> block{};
  identity::get_param(slot, block.data());
  slot.rawImageFlag = block[40];
}

bool reads_block_at_open(std::int32_t deviceType) {
  return deviceType != 320 && deviceType != 321 && deviceType != 1000;
}

}  // namespace

std::int32_t open_device(std::int32_t deviceType, const char* host, std::int32_t port) {
  if (deviceType == 0) return VORN_NOT_SUPPORTED;
  Library& lib = library();
  int handle = kNoFreeSlot;
  std::int32_t result = VORN_OK;
  {
    platform::LockGuard lock(lib.lock.get());
    handle = find_free_slot();
    if (handle == kNoFreeSlot) {
      result = VORN_NO_REPLY;
    } else {
      PreparedSlot prepared;
      prepared.set_type(deviceType);
      copy_host_name(host, prepared.hostName);
      prepared.origin = Origin::Connected;
      result = connect(prepared, host, port);
      if (result == VORN_OK) prepared.install(*slot_of(handle));
    }
  }
  // The terminals need a moment after a connection before they take commands.
  sleep_ms(lib.openTimeout.load());
  if (result != VORN_OK) return result;
  TerminalSlot& slot = *slot_of(handle);
  if (deviceType == 1000) return handle;
  if (reads_block_at_open(deviceType)) read_raw_image_flag(slot);
  if (!lib.yellowLedDisabled) outputs::led_on(slot, outputs::kYellowOn);
  return handle;
}

std::int32_t open_device_by_socket(std::int32_t deviceType, platform::SocketHandle socket) {
  if (deviceType == 0) return VORN_NOT_SUPPORTED;
  platform::LockGuard lock(library().lock.get());
  const int handle = find_free_slot();
  if (handle == kNoFreeSlot) return VORN_NO_REPLY;
  PreparedSlot prepared;
  prepared.set_type(deviceType);
  prepared.origin = Origin::CallerSocket;
  prepared.socket = socket;
  if (!platform::socket_set_nonblocking(socket)) return VORN_NONBLOCKING_FAILED;
  platform::socket_set_no_delay(socket);
  if (const std::int32_t r = prepared.allocate_buffers(); r != VORN_OK) return r;
  TerminalSlot& slot = *slot_of(handle);
  prepared.install(slot);
  if (reads_block_at_open(deviceType)) read_raw_image_flag(slot);
  return handle;
}

std::int32_t open_device_by_socket_querying_type(platform::SocketHandle socket) {
  int handle = kNoFreeSlot;
  std::int32_t answer = 0;
  {
    platform::LockGuard lock(library().lock.get());
    handle = find_free_slot();
    if (handle == kNoFreeSlot) return VORN_NO_REPLY;
    if (!platform::socket_set_nonblocking(socket)) return VORN_NONBLOCKING_FAILED;
    platform::socket_set_no_delay(socket);
    // The slot stays free while the terminal is asked, but the query needs its socket.
    TerminalSlot& slot = *slot_of(handle);
    slot.socket = socket;
    answer = get_device_type(slot);
    slot.socket = platform::kNoSocket;
    if (answer < 0) return VORN_TYPE_UNKNOWN;
    PreparedSlot prepared;
    // The three early series-120 models are driven alike.
    prepared.set_type(answer == 120 || answer == 122 ? 121 : answer);
    prepared.origin = Origin::CallerSocket;
    prepared.socket = socket;
    if (const std::int32_t r = prepared.allocate_buffers(); r != VORN_OK) return r;
    prepared.install(slot);
  }
  if (answer != 320 && answer != 321) read_raw_image_flag(*slot_of(handle));
  return handle;
}

std::int32_t close_device(TerminalSlot& slot) {
  slot.imageBuffer.reset();
  slot.receiveBuffer.reset();
  const std::int32_t type = slot.type();
  if (type != 1000) {
    if (!library().yellowLedDisabled) outputs::led_off(slot, outputs::kYellowOff);
    if (slot.origin == Origin::CallerSocket && type == 321) {
      // A 321 in client mode must drop the connection itself, or it will not call again.
      sleep_ms(50);
      close_socket_by_device(slot);
      sleep_ms(210);
    }
  }
  platform::socket_shutdown(slot.socket, platform::ShutdownDirection::Send);
  sleep_ms(100);
  platform::socket_close(slot.socket);
  slot.socket = platform::kNoSocket;
  slot.deviceType.store(0, std::memory_order_release);
  return VORN_OK;
}

std::int32_t close_socket_by_device(TerminalSlot& slot) {
  if (!exchange::send_recording_failure(slot, {'*'})) return VORN_SEND_FAILED;
  slot.lastStatus = 0;
  return VORN_OK;
}

std::int32_t close_socket_by_device_acknowledged(TerminalSlot& slot) {
  if (!exchange::send_recording_failure(slot, {'*', '*'})) return VORN_SEND_FAILED;
  std::uint8_t ack = 0;
  return exchange::receive_recorded(slot, &ack, 1, 2000) ? VORN_OK : VORN_NO_REPLY;
}

std::int32_t get_device_type(TerminalSlot& slot) {
  if (!exchange::send(slot.socket, {'?', 0})) return VORN_SEND_FAILED;
  std::uint8_t answer = 0;
  if (exchange::receive(slot.socket, &answer, 1, 1000, Rule::Strict).timed_out) {
    return VORN_NO_REPLY;
  }
  // Early firmware answers small codes; later models answer their type number itself.
  if (answer == 1) return 120;
  if (answer == 2) return 321;
  if (answer > 100) return answer;
  return VORN_SEND_FAILED;
}

namespace {

std::int32_t query_byte(TerminalSlot& slot, std::initializer_list<std::uint8_t> command,
                        std::uint8_t* out) {
  *out = 0;
  if (!exchange::send(slot.socket, command)) return VORN_NOT_SUPPORTED;
  std::uint8_t answer = 0;
  if (!exchange::receive(slot.socket, &answer, 1, 1000, Rule::Strict).got(1)) {
    return VORN_NO_REPLY;
  }
  *out = answer;
  return VORN_OK;
}

}  // namespace

std::int32_t get_type_byte(TerminalSlot& slot, std::uint8_t* out) {
  return query_byte(slot, {'?'}, out);
}

std::int32_t get_channel_type_byte(TerminalSlot& slot, std::uint8_t* out) {
  return query_byte(slot, {'S', '?'}, out);
}

std::int32_t set_active(std::int32_t deviceType, const char* host, std::int32_t port, bool on) {
  const std::int32_t handle = open_device(deviceType, host, port);
  if (handle < 0) return handle;
  TerminalSlot& slot = *slot_of(handle);
  const bool sent = exchange::send(slot.socket, {'K', static_cast<std::uint8_t>(on ? 1 : 0)});
  const std::int32_t closed = close_device(slot);
  return sent ? closed : VORN_SEND_FAILED;
}

}  // namespace vornc::connection
