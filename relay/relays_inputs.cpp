#include "relay/relays_inputs.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/byte_order.h"
#include "relay/exchange.h"
#include "tamr11xc.h"
#include "wire/relay_board.h"

namespace relay::relays {
namespace {

using exchange::Command;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

constexpr int kReplyLimitMs = 2000;
// The controller is busy switching for a while after every relay command.
constexpr int kAfterSwitchMs = 250;
constexpr int kBeforeStatusMs = 100;

// How a switching command's answer must look for the command to count as done.
enum class Accept {
  AllMaskBits,  // (state AND mask) = mask
  NoMaskBit,    // (state AND mask) = 0
  Zero,         // the answer is 0
};
// What a confirmed switching command returns.
enum class Gives { State, Zero };

// Every switching command holds the lock until the relay state it answers has come.
constexpr Command switching(const Layout& request, int state_bytes) {
  return {.request = request,
          .locked = true,
          .wait = Wait::DataFirst,
          .reply_length = state_bytes,
          .limit_ms = kReplyLimitMs,
          .pause_after_ms = kAfterSwitchMs};
}

struct Switching {
  Switch which;
  Command command;
  Accept accept;
  Gives gives;
};

// Arguments: 0 mask, 1 time. Indexed by Switch.
constexpr Switching kSwitching[] = {
    {Switch::On, switching({byte('D'), low8(0)}, 1), Accept::AllMaskBits, Gives::State},
    {Switch::Off, switching({byte('O'), low8(0)}, 1), Accept::NoMaskBit, Gives::State},
    {Switch::OnTimer, switching({byte('E'), low8(0), low8(1)}, 1), Accept::AllMaskBits,
     Gives::State},
    {Switch::AllOff, switching({byte('M')}, 1), Accept::Zero, Gives::Zero},
    {Switch::OnE16, switching({byte('L'), byte('D'), u16le(0)}, 2), Accept::AllMaskBits,
     Gives::Zero},
    // The sixteen-relay off command is confirmed by the on command's test: every mask
    // bit set in the answer. Installed applications count on exactly that.
    {Switch::OffE16, switching({byte('L'), byte('O'), u16le(0)}, 2), Accept::AllMaskBits,
     Gives::Zero},
    {Switch::OnTimerE16, switching({byte('L'), byte('E'), u16le(0), low8(1)}, 2),
     Accept::AllMaskBits, Gives::Zero},
};

static_assert(wire::indexed_by(kSwitching, &Switching::which, Switch::OnTimerE16));

constexpr Command kSwitchByte = {.request = {byte('S'), byte(0x01), low8(0)},
                                 .wait = Wait::DeadlineFirstCountedRecorded,
                                 .reply_length = 1,
                                 .limit_ms = kReplyLimitMs};

struct InputReports {
  Report which;
  Command command;
};
constexpr InputReports kInputReports[] = {
    {Report::On, {.request = {byte('Y'), byte(0x01)}, .pause_after_ms = kAfterSwitchMs}},
    {Report::Off, {.request = {byte('Y'), byte(0x00)}, .pause_after_ms = kAfterSwitchMs}},
};
static_assert(wire::indexed_by(kInputReports, &InputReports::which, Report::Off));

// What a status read returns.
enum class Judged {
  ErrorOnly,  // 0 unless the receive failed, then its error code
  AlwaysZero,
};

constexpr Command status_read(const Layout& request, int status_bytes) {
  return {.request = request,
          .locked = true,
          .pause_before_ms = kBeforeStatusMs,
          .wait = Wait::DataFirst,
          .reply_length = status_bytes,
          .limit_ms = kReplyLimitMs};
}

struct StatusRead {
  Status which;
  Command command;
  Judged judged;
  // The sixteen-relay read receives into the buffer that held its request, so without
  // an answer the caller finds the request's bytes there.
  bool reply_over_request;
};

// Indexed by Status.
constexpr StatusRead kStatusReads[] = {
    {Status::Relay, status_read({byte('R')}, 1), Judged::ErrorOnly, false},
    {Status::RelayE16, status_read({byte('L'), byte('R')}, 2), Judged::ErrorOnly, true},
    {Status::Input, status_read({byte('I')}, 1), Judged::AlwaysZero, false},
};

static_assert(wire::indexed_by(kStatusReads, &StatusRead::which, Status::Input));

// Input reports come unasked; the controller wants a moment before it is listened to.
constexpr Command kAnswer =
    wire::relay_board::paused_before(wire::relay_board::kAnswer, kBeforeStatusMs);

constexpr std::size_t kStatusSize = TAMR_STATUS_SIZE;
static_assert(kStatusSize == wire::relay_board::kStatusBytes);

template <typename Table, typename Index>
const auto& row(const Table& table, Index which) {
  return table[static_cast<std::size_t>(which)];
}

bool accepted(Accept accept, unsigned state, unsigned mask) {
  switch (accept) {
    case Accept::AllMaskBits:
      return (state & mask) == mask;
    case Accept::NoMaskBit:
      return (state & mask) == 0;
    case Accept::Zero:
      return state == 0;
  }
  return false;
}

}  // namespace

int switch_relays(RelaySlot& slot, Switch which, int mask, int time) {
  const Switching& r = row(kSwitching, which);
  std::array<std::uint8_t, 2> state{};
  const auto o = exchange::run(r.command, slot, args(mask, time), state);
  if (!o.sent) return TAMR_ERR_SEND;
  if (!o.whole()) return o.passed_through();
  const bool wide = r.command.reply_length == 2;
  const unsigned got = wide ? byte_order::load_le16(state.data()) : state[0];
  const unsigned m = static_cast<unsigned>(mask) & (wide ? 0xFFFFu : 0xFFu);
  if (!accepted(r.accept, got, m)) return TAMR_ERR_REPLY;
  return r.gives == Gives::State ? static_cast<int>(got) : TAMR_OK;
}

int switch_byte(RelaySlot& slot, int value) {
  std::array<std::uint8_t, 1> reply{};
  const auto o = exchange::run(kSwitchByte, slot, args(value), reply);
  const int result = exchange::recorded_result(o);
  return result == TAMR_OK ? reply[0] : result;
}

int input_reports(RelaySlot& slot, Report which) {
  return exchange::sent_result(exchange::run(row(kInputReports, which).command, slot, {}));
}

int read_status(RelaySlot& slot, Status which, std::uint8_t* status) {
  if (status == nullptr) return TAMR_ERR_REPLY;
  const StatusRead& r = row(kStatusReads, which);
  std::array<std::uint8_t, kStatusSize> buffer{};
  if (r.reply_over_request) {
    Built request;
    build(r.command.request, {}, {}, request);
    std::copy_n(request.bytes.begin(), request.length, buffer.begin());
  }
  const auto o = exchange::run(r.command, slot, {}, buffer);
  if (!o.sent) return TAMR_ERR_SEND;
  std::copy(buffer.begin(), buffer.end(), status);
  return r.judged == Judged::ErrorOnly ? o.failed_receive() : TAMR_OK;
}

int read_answer(RelaySlot& slot, std::uint8_t* status) {
  if (status == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, kStatusSize> buffer{};
  const auto o = exchange::run(kAnswer, slot, {}, buffer);
  std::copy(buffer.begin(), buffer.end(), status);
  return o.recorded();
}

}  // namespace relay::relays
