#include "relay/data_flash.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>
#include <vector>

#include "platform/byte_order.h"
#include "relay/exchange.h"
#include "tamr11xc.h"
#include "wire/data_flash_m3.h"

namespace relay::data_flash {
namespace {

using exchange::Command;
using exchange::kSizedByCall;
using exchange::Wait;
using namespace wire::request;

constexpr int kLimitMs = 2000;

// Every data-flash command keeps its outcome; most hold the lock until the reply is in,
// the writes whose data the controller only stores do not.
constexpr Command recorded_unlocked(const Layout& request, int reply_length) {
  return {.request = request,
          .wait = Wait::DeadlineFirstCountedRecorded,
          .reply_length = reply_length,
          .limit_ms = kLimitMs};
}
constexpr Command recorded(const Layout& request, int reply_length) {
  Command c = recorded_unlocked(request, reply_length);
  c.locked = true;
  return c;
}

// Big-endian family: three letters, then address, size or counter high byte first.

struct ByteQueryRow {
  ByteQuery which;
  Command command;
};
constexpr ByteQueryRow kByteQueries[] = {
    {ByteQuery::SetPowerOf2, recorded({byte('C'), byte('F'), byte('2')}, 1)},
    {ByteQuery::ReadStatus, recorded({byte('C'), byte('F'), byte('S')}, 1)},
};
static_assert(wire::indexed_by(kByteQueries, &ByteQueryRow::which, ByteQuery::ReadStatus));

constexpr Command kSaveBufferToMain = recorded_unlocked({byte('C'), byte('F'), byte('K')}, 4);
constexpr Command kReadCounter = recorded({byte('C'), byte('C'), byte('R')}, 4);
// Argument 0: the counter.
constexpr Command kWriteCounter = recorded({byte('C'), byte('C'), byte('W'), u32be(0)}, 4);
// Arguments 0 address, 1 size. The controller echoes a written block.
constexpr Command kReadBlock =
    recorded({byte('C'), byte('F'), byte('R'), u32be(0), u16be(1)}, kSizedByCall);
constexpr Command kWriteBlock =
    recorded_unlocked({byte('C'), byte('F'), byte('W'), u32be(0), u16be(1), data()}, kSizedByCall);

// M3 family: '$' and a letter, then address and size low byte first.
struct QueryM3Row {
  QueryM3 which;
  Command command;
};
constexpr QueryM3Row kQueriesM3[] = {
    {QueryM3::ReadStatusReady, recorded({byte('$'), byte('S'), byte(0x00)}, 3)},
    {QueryM3::ReadStatus, wire::data_flash_m3::kReadStatus},
    {QueryM3::SetPowerOf2, wire::data_flash_m3::kSetPowerOf2},
};
static_assert(wire::indexed_by(kQueriesM3, &QueryM3Row::which, QueryM3::SetPowerOf2));

// The same flash as the type 321 terminal's, spoken the same way.
constexpr Command kReadBlockM3 = wire::data_flash_m3::kReadBlock;
constexpr Command kWriteBlockM3 = wire::data_flash_m3::kWriteBlock;
constexpr Command kUpdateStartM3 = wire::data_flash_m3::kUpdateStart;

// What a request can carry behind its header (the request buffer bounds it).
static_assert(data_capacity(kWriteBlock.request, exchange::kRequestBufferBytes) ==
              TAMR_DF_WRITE_MAX);
static_assert(data_capacity(kWriteBlockM3.request, exchange::kRequestBufferBytes) ==
              TAMR_DF_WRITE_MAX_M3);

// Firmware image in the M3 data flash: the size at address 0, the image from 256 on.
constexpr std::uint32_t kImageSizeAddress = 0;
constexpr std::uint32_t kImageAddress = 256;
constexpr int kUpdateBlock = 256;

// A size the request can carry, with a buffer behind it when there is anything to move.
bool usable(int size, int most, const void* buffer) {
  return size >= 0 && size <= most && (size == 0 || buffer != nullptr);
}

int read_block_with(const Command& command, RelaySlot& slot, std::uint32_t address, int size,
                    std::uint8_t* buffer) {
  if (!usable(size, TAMR_DF_READ_MAX, buffer)) return TAMR_ERR_REPLY;
  const std::span reply(buffer, static_cast<std::size_t>(size));
  return exchange::recorded_result(exchange::run(command, slot, args(address, size), reply));
}

}  // namespace

int byte_query(RelaySlot& slot, ByteQuery which) {
  std::array<std::uint8_t, 1> reply{};
  const auto o =
      exchange::run(kByteQueries[static_cast<std::size_t>(which)].command, slot, {}, reply);
  const int result = exchange::recorded_result(o);
  return result == TAMR_OK ? reply[0] : result;
}

int save_buffer_to_main(RelaySlot& slot) {
  std::array<std::uint8_t, 4> reply{};
  return exchange::recorded_result(exchange::run(kSaveBufferToMain, slot, {}, reply));
}

int read_counter(RelaySlot& slot, int* counter) {
  if (counter == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 4> reply{};
  const int result = exchange::recorded_result(exchange::run(kReadCounter, slot, {}, reply));
  if (result == TAMR_OK) {
    *counter = static_cast<int>(byte_order::load_be32(reply.data()));
  }
  return result;
}

int write_counter(RelaySlot& slot, int counter) {
  std::array<std::uint8_t, 4> reply{};
  return exchange::recorded_result(exchange::run(kWriteCounter, slot, args(counter), reply));
}

int read_block(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* buffer) {
  return read_block_with(kReadBlock, slot, address, size, buffer);
}

int write_block(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* data) {
  if (!usable(size, TAMR_DF_WRITE_MAX, data)) return TAMR_ERR_REPLY;
  // The controller sends the block back; it lands over the caller's data.
  const std::span block(data, static_cast<std::size_t>(size));
  return exchange::recorded_result(
      exchange::run(kWriteBlock, slot, args(address, size), block, block));
}

int query_m3(RelaySlot& slot, QueryM3 which, std::uint8_t* value) {
  if (value == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 3> reply{};
  const auto o =
      exchange::run(kQueriesM3[static_cast<std::size_t>(which)].command, slot, {}, reply);
  const int result = exchange::recorded_result(o);
  if (result == TAMR_OK) *value = reply[2];
  return result;
}

int read_block_m3(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* buffer) {
  return read_block_with(kReadBlockM3, slot, address, size, buffer);
}

int write_block_m3(RelaySlot& slot, std::uint32_t address, int size, const std::uint8_t* data) {
  if (!usable(size, TAMR_DF_WRITE_MAX_M3, data)) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 2> reply{};
  const std::span block(data, static_cast<std::size_t>(size));
  return exchange::recorded_result(
      exchange::run(kWriteBlockM3, slot, args(address, size), reply, block));
}

int update_start_m3(RelaySlot& slot) {
  return exchange::sent_result(exchange::run(kUpdateStartM3, slot, {}));
}

int update_firmware_m3(RelaySlot& slot, const std::uint8_t* image, int size) {
  // An empty image would leave the controller a size header of 0 to start from.
  if (size == 0 || !usable(size, TAMR_FIRMWARE_MAX, image)) return TAMR_ERR_REPLY;
  const auto block_at = [](int offset) {
    return kImageAddress + static_cast<std::uint32_t>(offset);
  };
  const auto block_length = [size](int offset) { return std::min(kUpdateBlock, size - offset); };

  // The size goes in only after the whole image, so the old header stays valid until then.
  for (int offset = 0; offset < size; offset += kUpdateBlock) {
    write_block_m3(slot, block_at(offset), block_length(offset), image + offset);
  }
  std::array<std::uint8_t, 4> header{};
  byte_order::store_le32(header.data(), static_cast<std::uint32_t>(size));
  // The header is not read back, so its acknowledgement is the only sign it arrived.
  bool confirmed = write_block_m3(slot, kImageSizeAddress, 4, header.data()) == TAMR_OK;

  // A failed write shows in the comparison; a failed read must not pass as equal.
  std::vector<std::uint8_t> read_back(static_cast<std::size_t>(size));
  for (int offset = 0; offset < size; offset += kUpdateBlock) {
    confirmed &= read_block_m3(slot, block_at(offset), block_length(offset),
                               read_back.data() + offset) == TAMR_OK;
  }
  if (!confirmed || !std::equal(read_back.begin(), read_back.end(), image)) return 0;
  update_start_m3(slot);
  return 1;
}

}  // namespace relay::data_flash
