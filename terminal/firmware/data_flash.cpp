#include "terminal/firmware/data_flash.h"

#include <array>

#include "terminal/link/exchange.h"
#include "vornc.h"
#include "wire/data_flash_m3.h"

namespace vornc::data_flash {
namespace {

using exchange::Command;
using exchange::Wait;
using namespace wire::request;

struct QueryRow {
  Query which;
  Command command;
};
constexpr QueryRow kQueries[] = {
    {Query::ReadStatus, wire::data_flash_m3::kReadStatus},
    {Query::SetPowerOf2, wire::data_flash_m3::kSetPowerOf2},
};
static_assert(wire::indexed_by(kQueries, &QueryRow::which, Query::SetPowerOf2));

// Arguments 0..2: the first, second and third value. The sensor takes the second first.
constexpr Command registers(int second_byte) {
  return {.request = {byte('N'), byte(second_byte), low8(1), low8(0), low8(2)},
          .locked = true,
          .wait = Wait::DeadlineFirstCountedRecorded,
          .reply_length = 1,
          .limit_ms = exchange::kReplyLimitMs};
}

struct RegistersRow {
  Registers where;
  Command command;
};
constexpr RegistersRow kRegisters[] = {
    {Registers::Running, registers(0)},
    {Registers::Stored, registers('W')},
};
static_assert(wire::indexed_by(kRegisters, &RegistersRow::where, Registers::Stored));

// Where the status byte sits in a query's reply.
constexpr std::size_t kStatusByte = 2;

// The largest block a write carries: what the terminal's receive buffer holds.
constexpr std::size_t kWriteBlockMax = 1016;

}  // namespace

std::int32_t query(TerminalSlot& slot, Query which, std::uint8_t* status) {
  std::array<std::uint8_t, wire::data_flash_m3::kStatusReplyBytes> reply{};
  const auto& row = kQueries[static_cast<std::size_t>(which)];
  const std::int32_t r =
      exchange::result(exchange::run(row.command, slot, {}, reply), VORN_NO_REPLY);
  if (r == VORN_OK) *status = reply[kStatusByte];
  return r;
}

std::int32_t set_registers(TerminalSlot& slot, Registers where, std::int32_t first,
                           std::int32_t second, std::int32_t third) {
  std::array<std::uint8_t, 1> acknowledgement{};
  const auto& row = kRegisters[static_cast<std::size_t>(where)];
  return exchange::result(
      exchange::run(row.command, slot, args(first, second, third), acknowledgement), VORN_NO_REPLY);
}

std::int32_t write_block(TerminalSlot& slot, std::uint32_t address,
                         std::span<const std::uint8_t> block) {
  if (block.size() > kWriteBlockMax) return VORN_NO_REPLY;
  std::array<std::uint8_t, wire::data_flash_m3::kWriteReplyBytes> reply{};
  return exchange::result(exchange::run(wire::data_flash_m3::kWriteBlock, slot,
                                        args(address, block.size()), reply, block),
                          VORN_NO_REPLY);
}

std::int32_t read_block(TerminalSlot& slot, std::uint32_t address, std::span<std::uint8_t> block) {
  return exchange::result(
      exchange::run(wire::data_flash_m3::kReadBlock, slot, args(address, block.size()), block),
      VORN_NO_REPLY);
}

std::int32_t start_update(TerminalSlot& slot) {
  return exchange::result(exchange::run(wire::data_flash_m3::kUpdateStart, slot), VORN_OK);
}

}  // namespace vornc::data_flash
