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
#include "wire/enum_table.h"

namespace vornc::connection {
namespace {

using exchange::Command;
using exchange::Records;
using exchange::Wait;
using platform::ConnectStage;
using namespace wire::request;

constexpr int kNoFreeSlot = -1;
constexpr int kTypeQueryLimitMs = 1000;
constexpr int kAcknowledgeLimitMs = 2000;
// A 321 in client mode is told to drop the connection itself, or it will not call again;
// it needs a moment before that command, and longer to act on it.
constexpr int kBeforeClientModeCloseMs = 50;
constexpr int kAfterClientModeCloseMs = 210;
// What the terminal sent before the close still reaches it before the socket goes.
constexpr int kAfterShutdownMs = 100;

// Early firmware answers its type with a small code.
constexpr std::uint8_t kEarlySeries120Answer = 1;
constexpr std::uint8_t kEarlyType321Answer = 2;
constexpr std::uint8_t kLowestTypeAnswer = 101;

constexpr Command kCloseByDevice = {.request = {byte('*')}, .records = Records::SendOutcome};
constexpr Command kCloseByDeviceAcknowledged = {.request = {byte('*'), byte('*')},
                                                .wait = Wait::DeadlineFirstCountedRecorded,
                                                .reply_length = 1,
                                                .limit_ms = kAcknowledgeLimitMs,
                                                .records = Records::SendFailure};
// The answer's count is not judged: a closed connection reads as the answer 0.
constexpr Command kGetDeviceType = {.request = {byte('?'), byte(0)},
                                    .wait = Wait::DeadlineFirst,
                                    .reply_length = 1,
                                    .limit_ms = kTypeQueryLimitMs};
constexpr Command kGetTypeByte = {.request = {byte('?')},
                                  .wait = Wait::DeadlineFirstCounted,
                                  .reply_length = 1,
                                  .limit_ms = kTypeQueryLimitMs};
constexpr Command kGetChannelTypeByte = {.request = {byte('S'), byte('?')},
                                         .wait = Wait::DeadlineFirstCounted,
                                         .reply_length = 1,
                                         .limit_ms = kTypeQueryLimitMs};
// Argument 0: 1 on, 0 off.
constexpr Command kSetActive = {.request = {byte('K'), low8(0)}};

// The open's result for the stage a connect stopped at.
struct StageResult {
  ConnectStage stage;
  std::int32_t result;
};
constexpr StageResult kStageResults[] = {
    {ConnectStage::Connected, VORN_OK},
    {ConnectStage::Socket, VORN_NO_SOCKET},
    {ConnectStage::Resolve, VORN_HOST_NOT_FOUND},
    {ConnectStage::Connect, VORN_CONNECT_FAILED},
    {ConnectStage::NonBlocking, VORN_NONBLOCKING_FAILED},
};
static_assert(wire::indexed_by(kStageResults, &StageResult::stage, ConnectStage::NonBlocking));

int find_free_slot() { return library().lowest_free(); }

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
  const platform::Connection c = platform::connect_ipv4(host, static_cast<std::uint16_t>(port));
  if (c.stage != ConnectStage::Connected) {
    return kStageResults[static_cast<std::size_t>(c.stage)].result;
  }
  prepared.socket = c.socket;
  prepared.closeSocketOnFailure = true;
  return prepared.allocate_buffers();
}

// Takes a caller's connection into non-blocking mode without Nagle delay. A descriptor
// that is not a stream socket (a file, a device) is refused before anything changes on it.
bool adopt(platform::SocketHandle socket) {
  if (!platform::is_stream_socket(socket) || !platform::socket_set_nonblocking(socket)) {
    return false;
  }
  platform::socket_set_no_delay(socket);
  return true;
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
  platform::sleep_ms(lib.openTimeoutMs.load());
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
  if (!adopt(socket)) return VORN_NONBLOCKING_FAILED;
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
    if (!adopt(socket)) return VORN_NONBLOCKING_FAILED;
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
      platform::sleep_ms(kBeforeClientModeCloseMs);
      close_socket_by_device(slot);
      platform::sleep_ms(kAfterClientModeCloseMs);
    }
  }
  platform::socket_shutdown(slot.socket, platform::ShutdownDirection::Send);
  platform::sleep_ms(kAfterShutdownMs);
  platform::socket_close(slot.socket);
  slot.socket = platform::kNoSocket;
  slot.deviceType.store(0, std::memory_order_release);
  return VORN_OK;
}

std::int32_t close_socket_by_device(TerminalSlot& slot) {
  return exchange::result(exchange::run(kCloseByDevice, slot), VORN_OK);
}

std::int32_t close_socket_by_device_acknowledged(TerminalSlot& slot) {
  std::uint8_t ack = 0;
  return exchange::result(exchange::run(kCloseByDeviceAcknowledged, slot, {}, {&ack, 1}),
                          VORN_NO_REPLY);
}

std::int32_t get_device_type(TerminalSlot& slot) {
  std::uint8_t answer = 0;
  const exchange::Outcome o = exchange::run(kGetDeviceType, slot, {}, {&answer, 1});
  if (!o.sent) return VORN_SEND_FAILED;
  if (o.timed_out) return VORN_NO_REPLY;
  if (answer == kEarlySeries120Answer) return 120;
  if (answer == kEarlyType321Answer) return 321;
  // Later models answer their type number itself; anything else is no known type.
  if (answer >= kLowestTypeAnswer) return answer;
  return VORN_SEND_FAILED;
}

namespace {

std::int32_t query_byte(TerminalSlot& slot, const Command& command, std::uint8_t* out) {
  *out = 0;
  std::uint8_t answer = 0;
  const exchange::Outcome o = exchange::run(command, slot, {}, {&answer, 1});
  // This query reports a failed send as unsupported.
  if (!o.sent) return VORN_NOT_SUPPORTED;
  if (!o.accepted) return VORN_NO_REPLY;
  *out = answer;
  return VORN_OK;
}

}  // namespace

std::int32_t get_type_byte(TerminalSlot& slot, std::uint8_t* out) {
  return query_byte(slot, kGetTypeByte, out);
}

std::int32_t get_channel_type_byte(TerminalSlot& slot, std::uint8_t* out) {
  return query_byte(slot, kGetChannelTypeByte, out);
}

std::int32_t set_active(std::int32_t deviceType, const char* host, std::int32_t port, bool on) {
  const std::int32_t handle = open_device(deviceType, host, port);
  if (handle < 0) return handle;
  TerminalSlot& slot = *slot_of(handle);
  const bool sent = exchange::run(kSetActive, slot, wire::request::args(on ? 1 : 0)).sent;
  const std::int32_t closed = close_device(slot);
  return sent ? closed : VORN_SEND_FAILED;
}

}  // namespace vornc::connection
