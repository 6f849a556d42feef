#include "terminal/link/relay_board.h"

#include <algorithm>
#include <array>

#include "terminal/link/exchange.h"
#include "vornc.h"
#include "wire/relay_board.h"

namespace vornc::relay_board {
namespace {

using exchange::Command;
using exchange::Wait;
using namespace wire::request;

// The board takes its orders padded with a zero byte and answers none of them here: a
// relay state it sends back waits in the socket for read_answer.
struct OrderRow {
  Order order;
  Command command;
};
constexpr OrderRow kOrders[] = {
    {Order::RelayOn, {.request = {byte('D'), low8(0), byte(0)}}},
    {Order::RelayOff, {.request = {byte('O'), low8(0), byte(0)}}},
    {Order::AllRelayOff, {.request = {byte('M'), byte(0)}}},
    {Order::InputStatusOn, {.request = {byte('Y'), byte(1), byte(0)}}},
    {Order::InputStatusOff, {.request = {byte('Y'), byte(0), byte(0)}}},
};
static_assert(wire::indexed_by(kOrders, &OrderRow::order, Order::InputStatusOff));

// What a status read returns once sent.
enum class Judged : std::uint8_t {
  FailedReceive,  // 0 unless the last receive failed (10035: still nothing at the limit)
  AlwaysZero,
};

struct StatusRow {
  Status which;
  Command command;
  Judged judged;
};
// The request is the letter as a string, its terminating zero included.
constexpr StatusRow kStatusReads[] = {
    {Status::Relay,
     {.request = {byte('R'), byte(0)},
      .wait = Wait::DeadlineFirst,
      .reply_length = 1,
      .limit_ms = wire::relay_board::kReplyLimitMs},
     Judged::FailedReceive},
    {Status::Input,
     {.request = {byte('I'), byte(0)},
      .wait = Wait::DeadlineFirst,
      .reply_length = 1,
      .limit_ms = wire::relay_board::kReplyLimitMs},
     Judged::AlwaysZero},
};
static_assert(wire::indexed_by(kStatusReads, &StatusRow::which, Status::Input));

using StatusBuffer = std::array<std::uint8_t, wire::relay_board::kStatusBytes>;

}  // namespace

std::int32_t send_order(TerminalSlot& slot, Order order, std::int32_t mask) {
  const Command& command = kOrders[static_cast<std::size_t>(order)].command;
  return exchange::result(exchange::run(command, slot, args(mask)), VORN_OK);
}

std::int32_t read_status(TerminalSlot& slot, Status which, std::uint8_t* status) {
  const StatusRow& row = kStatusReads[static_cast<std::size_t>(which)];
  StatusBuffer buffer{};
  const auto o = exchange::run(row.command, slot, {}, buffer);
  if (!o.sent) return VORN_SEND_FAILED;
  std::copy(buffer.begin(), buffer.end(), status);
  return row.judged == Judged::FailedReceive ? o.failed_receive() : VORN_OK;
}

std::int32_t read_answer(TerminalSlot& slot, std::uint8_t* status) {
  StatusBuffer buffer{};
  const auto o = exchange::run(wire::relay_board::kAnswer, slot, {}, buffer);
  std::copy(buffer.begin(), buffer.end(), status);
  return o.recorded();
}

}  // namespace vornc::relay_board
