#include "relay/relays_inputs.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/byte_order.h"
#include "relay/exchange.h"
#include "tamr11xc.h"

namespace relay::relays {
namespace {

using exchange::Command;
using exchange::Kept;
using exchange::Wait;
using namespace request;

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

struct Switching {
  Command command;
  Accept accept;
  Gives gives;
};

// Arguments: 0 mask, 1 time. Indexed by Switch.
constexpr Switching kSwitching[] = {
    // request                                  lock before sent wait               reply limit         after           kept
    {{{byte('D'), low8(0)},                     true, 0, 0, Wait::PassThrough, 1, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::AllMaskBits, Gives::State},
    {{{byte('O'), low8(0)},                     true, 0, 0, Wait::PassThrough, 1, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::NoMaskBit, Gives::State},
    {{{byte('E'), low8(0), low8(1)},            true, 0, 0, Wait::PassThrough, 1, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::AllMaskBits, Gives::State},
    {{{byte('M')},                              true, 0, 0, Wait::PassThrough, 1, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::Zero, Gives::Zero},
    {{{byte('L'), byte('D'), u16le(0)},         true, 0, 0, Wait::PassThrough, 2, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::AllMaskBits, Gives::Zero},
    // The sixteen-relay off command is confirmed by the on command's test: every mask
    // bit set in the answer. Installed applications count on exactly that.
    {{{byte('L'), byte('O'), u16le(0)},         true, 0, 0, Wait::PassThrough, 2, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::AllMaskBits, Gives::Zero},
    {{{byte('L'), byte('E'), u16le(0), low8(1)}, true, 0, 0, Wait::PassThrough, 2, kReplyLimitMs, kAfterSwitchMs, Kept::WaitOnly}, Accept::AllMaskBits, Gives::Zero},
};

static_assert(std::size(kSwitching) == static_cast<std::size_t>(Switch::OnTimerE16) + 1);

constexpr Command kSwitchByte =
    {{byte('S'), byte(0x01), low8(0)},          false, 0, 0, Wait::Recorded, 1, kReplyLimitMs, 0, Kept::WaitOnly};

// Indexed by Report.
constexpr Command kInputReports[] = {
    {{byte('Y'), byte(0x01)},                   false, 0, 0, Wait::None, 0, 0, kAfterSwitchMs, Kept::WaitOnly},
    {{byte('Y'), byte(0x00)},                   false, 0, 0, Wait::None, 0, 0, kAfterSwitchMs, Kept::WaitOnly},
};

// What a status read returns.
enum class Judged {
  ErrorOnly,  // 0 unless the receive failed, then its error code
  AlwaysZero,
};

struct StatusRead {
  Command command;
  Judged judged;
  // The sixteen-relay read receives into the buffer that held its request, so without
  // an answer the caller finds the request's bytes there.
  bool reply_over_request;
};

// Indexed by Status.
constexpr StatusRead kStatusReads[] = {
    // request                  lock before           sent wait               reply limit      after kept
    {{{byte('R')},              true, kBeforeStatusMs, 0, Wait::PassThrough, 1, kReplyLimitMs, 0, Kept::WaitOnly}, Judged::ErrorOnly, false},
    {{{byte('L'), byte('R')},   true, kBeforeStatusMs, 0, Wait::PassThrough, 2, kReplyLimitMs, 0, Kept::WaitOnly}, Judged::ErrorOnly, true},
    {{{byte('I')},              true, kBeforeStatusMs, 0, Wait::PassThrough, 1, kReplyLimitMs, 0, Kept::WaitOnly}, Judged::AlwaysZero, false},
};

static_assert(std::size(kStatusReads) == static_cast<std::size_t>(Status::Input) + 1);

// Input reports come unasked: nothing is sent, one byte is awaited.
constexpr Command kAnswer =
    {{},                        false, kBeforeStatusMs, 0, Wait::Answer, 1, kReplyLimitMs, 0, Kept::WaitOnly};

constexpr std::size_t kStatusSize = TAMR_STATUS_SIZE;

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
  return exchange::sent_result(exchange::run(row(kInputReports, which), slot, {}));
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
