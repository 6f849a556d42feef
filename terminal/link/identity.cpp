#include "terminal/link/identity.h"

#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"
#include "wire/frame.h"

namespace vornc::identity {
namespace {

using dispatch::Family;
using dispatch::Operation;
using exchange::Delivery;
using exchange::Framing;
using exchange::Records;
using exchange::Variant;
using exchange::Variants;
using exchange::Wait;
using namespace wire::request;

constexpr int kFrameHeader = wire::frame::kHeaderLength;
constexpr int kPlainReadLimitMs = 3000;
constexpr int kReplyLimitMs = exchange::kReplyLimitMs;
// The plain-command terminals drop a command that follows the previous one too closely.
constexpr int kBeforePlainCommandMs = 200;
// What the terminals take to store a written block, or to start a reboot.
constexpr int kStorePlainBlockMs = 700;
constexpr int kStoreType321BlockMs = 50;
constexpr int kAfterRebootMs = 400;
constexpr int kAfterType321RebootMs = 100;
// The 321 assembles its version record before it can answer.
constexpr int kBeforeType321VersionMs = 10;
constexpr int kType321VersionRecord = 128;

// The series-120, 220 and 320 version request: the reply is not judged, a silent
// terminal gives zeros.
constexpr Variant kPlainGetVersion = {.family = Family::Series120,
                                      .command = {.request = {byte('V'), byte('V'), byte(0)},
                                                  .pause_before_ms = kBeforePlainCommandMs,
                                                  .wait = Wait::DeadlineFirst,
                                                  .reply_length = kVersionBytes,
                                                  .limit_ms = kPlainReadLimitMs},
                                      .delivery = Delivery::Copied};

constexpr Variants kGetVersion = {
    kPlainGetVersion,
    {.family = Family::Type122,
     .command = {.request = {byte('V')},
                 .framing = Framing::Crc,
                 .wait = Wait::DataFirst,
                 .reply_length = kFrameHeader + kVersionBytes,
                 .limit_ms = kReplyLimitMs},
     .unanswered = VORN_TIMEOUT,
     .delivery = Delivery::Copied,
     .from = kFrameHeader},
    exchange::for_family(Family::Series220, kPlainGetVersion),
    // The 321 answers with a whole record; the version is its start.
    {.family = Family::Type321,
     .command = {.request = {byte('V')},
                 .pause_sent_ms = kBeforeType321VersionMs,
                 .wait = Wait::DeadlineFirstCountedRecorded,
                 .reply_length = kType321VersionRecord,
                 .limit_ms = kReplyLimitMs,
                 .records = Records::SendFailure},
     .unanswered = VORN_NO_REPLY,
     .delivery = Delivery::Copied},
};
static_assert(exchange::covers_the_families(kGetVersion));

// The plain block read cannot tell a silent terminal from an answer: the caller's block
// then keeps what it held. The configuration copy is read with it on every model.
constexpr Variant kPlainGetParam = {.family = Family::Series120,
                                    .command = {.request = {byte('P'), byte('P'), byte(0)},
                                                .wait = Wait::DeadlineFirst,
                                                .reply_length = kParamBytes,
                                                .limit_ms = kPlainReadLimitMs}};

constexpr Variants kGetParam = {
    kPlainGetParam,
    {.family = Family::Type122,
     .command = {.request = {byte('P')},
                 .framing = Framing::Crc,
                 .wait = Wait::DataFirst,
                 .reply_length = kFrameHeader + kParamBytes,
                 .limit_ms = kReplyLimitMs},
     .unanswered = VORN_TIMEOUT,
     .delivery = Delivery::Copied,
     .from = kFrameHeader},
    exchange::for_family(Family::Series220, kPlainGetParam),
    {.family = Family::Type321,
     .command = {.request = {byte('<')},
                 .wait = Wait::DeadlineFirstCountedRecorded,
                 .reply_length = kParamBytes,
                 .limit_ms = kReplyLimitMs,
                 .records = Records::SendFailure},
     .unanswered = VORN_NO_REPLY},
};
static_assert(exchange::covers_the_families(kGetParam));

// The plain block write: 'C', the block, a zero byte; nothing is answered.
constexpr Variant kPlainSetParam = {.family = Family::Series120,
                                    .command = {.request = {byte('C'), data(), byte(0)},
                                                .pause_before_ms = kBeforePlainCommandMs,
                                                .pause_after_ms = kStorePlainBlockMs}};

constexpr Variants kSetParam = {
    kPlainSetParam,
    {.family = Family::Type122,
     .command = {.request = {byte('C'), data()},
                 .framing = Framing::Crc,
                 .wait = Wait::DataFirst,
                 .reply_length = kFrameHeader,
                 .limit_ms = kReplyLimitMs},
     .unanswered = VORN_TIMEOUT},
    exchange::for_family(Family::Series220, kPlainSetParam),
    {.family = Family::Type321,
     .command = {.request = {byte('>'), data()},
                 .pause_after_ms = kStoreType321BlockMs,
                 .records = Records::SendOutcome}},
};
static_assert(exchange::covers_the_families(kSetParam));

// Types 130, 220 and 320 are not rebooted (their rows are never played).
constexpr Variant kPlainReboot = {.family = Family::Series120,
                                  .command = {.request = {byte('R'), byte('*')},
                                              .pause_before_ms = kBeforePlainCommandMs,
                                              .pause_after_ms = kAfterRebootMs,
                                              .records = Records::SendFailure}};

constexpr Variants kReboot = {
    kPlainReboot,
    {.family = Family::Type122,
     .command = {.request = {byte('R'), byte('*')},
                 .framing = Framing::Crc,
                 .pause_after_ms = kAfterRebootMs}},
    exchange::for_family(Family::Series220, kPlainReboot),
    {.family = Family::Type321,
     .command = {.request = {byte('*'), byte('*')},
                 .pause_after_ms = kAfterType321RebootMs,
                 .records = Records::SendFailure}},
};
static_assert(exchange::covers_the_families(kReboot));

std::span<const std::uint8_t> block(const std::uint8_t* params) {
  return {params, static_cast<std::size_t>(kParamBytes)};
}

}  // namespace

std::int32_t get_version(TerminalSlot& slot, std::uint8_t* version) {
  if (auto r = dispatch::immediate_result(Operation::GetVersion, slot.type())) return *r;
  return exchange::play(kGetVersion, slot, {version, static_cast<std::size_t>(kVersionBytes)});
}

std::int32_t get_param(TerminalSlot& slot, std::uint8_t* params) {
  if (auto r = dispatch::immediate_result(Operation::GetParam, slot.type())) return *r;
  return exchange::play(kGetParam, slot, {params, static_cast<std::size_t>(kParamBytes)});
}

std::int32_t set_param(TerminalSlot& slot, const std::uint8_t* params) {
  if (auto r = dispatch::immediate_result(Operation::SetParam, slot.type())) return *r;
  return exchange::play(kSetParam, slot, {}, block(params));
}

// Type 122 keeps its configuration copy with the plain commands too.
std::int32_t read_configuration(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::ReadConfiguration, slot.type())) return *r;
  const std::int32_t result = exchange::play(kPlainGetParam, slot, slot.configBlock);
  if (result == VORN_OK) slot.configLoaded = 1;
  return result;
}

std::int32_t write_configuration(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::WriteConfiguration, slot.type())) return *r;
  if (slot.configLoaded != 1) return VORN_CONFIG_NOT_LOADED;
  // Cleared before sending: every write needs a fresh read.
  slot.configLoaded = -1;
  return exchange::play(kPlainSetParam, slot, {}, slot.configBlock);
}

std::int32_t reboot(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::Reboot, slot.type())) return *r;
  return exchange::play(kReboot, slot);
}

}  // namespace vornc::identity
