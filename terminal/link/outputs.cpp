#include "terminal/link/outputs.h"

#include <algorithm>
#include <array>

#include "platform/clock.h"
#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"
#include "wire/frame.h"

namespace vornc::outputs {
namespace {

using dispatch::Family;
using dispatch::Operation;
using exchange::Command;
using exchange::Framing;
using exchange::Variant;
using exchange::Wait;
using namespace wire::request;

// How each family spells an LED code where it does not simply send 'A', on/off, code.
struct LedCode {
  std::uint8_t code;
  std::uint8_t series120OnX;    // series-120 on: 'X', this (0: 'A', 1, code)
  std::uint8_t type321X;        // 321 on or off: 'X', this
  std::uint8_t series120Timer;  // series-120 timer: 'X', this, value
  std::uint8_t type321Timer;    // 321 timer: 'X', this, value
};

// clang-format off
constexpr LedCode kLedCodes[] = {
    //  code  120 on  321  120 timer  321 timer
    {2,        0,     5,    1,        14},
    {253,      0,     6,    0,         0},
    {32,       0,     7,    2,        15},
    {223,      0,     8,    0,         0},
    {16,       0,     9,    3,        16},
    {239,      0,    10,    0,         0},
    {'P',      3,     3,    0,        15},
    {'Q',      4,     4,    0,        16},
};
// clang-format on
constexpr LedCode kOtherLedCode = {0, 0, 255, 0, 0};

const LedCode& led_code(std::uint8_t code) {
  for (const auto& row : kLedCodes) {
    if (row.code == code) return row;
  }
  return kOtherLedCode;
}

constexpr std::uint8_t kOn = 1;
constexpr std::uint8_t kOff = 2;
// The green and red LEDs, which the 220 and 320 light together with the yellow one.
constexpr std::uint8_t kGreenOff = 223;
constexpr std::uint8_t kRedOff = 239;

constexpr int kAnswerLimitMs = 1000;
// The series-120 firmware drops an LED command that comes too soon after another, and
// needs time to carry it out.
constexpr int kBeforePacedLedMs = 50;
constexpr int kAfterPacedLedMs = 200;
constexpr int kAfterLedTimerMs = 200;
// The 220 and 320 take their LED commands a little apart, and settle after the last.
constexpr int kBetweenSeries220LedsMs = 10;
constexpr int kAfterSeries220LedsMs = 30;
constexpr int kAfterType321LedMs = 10;
constexpr int kAfterClientLedMs = 30;
// The error report is read once, after the terminal has had a moment to send it.
constexpr int kBeforeErrorReportMs = 10;
constexpr int kErrorReportBytes = 10;
constexpr int kTemperatureBytes = 3;
// Serial data goes in a fixed packet: 'R', the length, 256 data bytes.
constexpr std::size_t kSerialDataBytes = 256;

// LED commands: argument 0 on or off (or the 321's sub-code), argument 1 the code.
constexpr Variant kFrameLed = {.family = Family::Type122,
                               .command = {.request = {byte('A'), low8(0), low8(1)},
                                           .framing = Framing::Crc,
                                           .wait = Wait::DataFirst,
                                           .reply_length = wire::frame::kHeaderLength,
                                           .limit_ms = exchange::kReplyLimitMs},
                               .unanswered = VORN_TIMEOUT};
constexpr Variant kType321Led = {.family = Family::Type321,
                                 .command = {.request = {byte('X'), low8(0)},
                                             .wait = Wait::DeadlineFirstCountedRecorded,
                                             .reply_length = 1,
                                             .limit_ms = kAnswerLimitMs},
                                 .unanswered = VORN_NO_REPLY};
constexpr Command kPacedLed = {.request = {byte('A'), low8(0), low8(1)},
                               .pause_before_ms = kBeforePacedLedMs,
                               .pause_after_ms = kAfterPacedLedMs};
constexpr Command kSeries120LedX = {.request = {byte('X'), low8(0)}};
constexpr Command kSeries220Led = {.request = {byte('A'), low8(0), low8(1)},
                                   .pause_before_ms = kBetweenSeries220LedsMs};
constexpr Command kSeries220LedsSettle = {.pause_after_ms = kAfterSeries220LedsMs};

// LED timers: argument 0 the selector, 1 the value.
constexpr Variant kType321LedTimer = {.family = Family::Type321,
                                      .command = {.request = {byte('X'), low8(0), low8(1)},
                                                  .wait = Wait::DeadlineFirstCountedRecorded,
                                                  .reply_length = 1,
                                                  .limit_ms = kAnswerLimitMs},
                                      .unanswered = VORN_NO_REPLY};
constexpr Command kSeries120LedTimer = {.request = {byte('X'), low8(0), low8(1)},
                                        .pause_after_ms = kAfterLedTimerMs};

constexpr Command kRelayOn = {.request = {byte('D'), byte(3)}};
constexpr Command kRelayOff = {.request = {byte('D'), byte(0)}};
constexpr Command kRelayTimer = {.request = {byte('X'), byte(5)}};
// Argument 0 the output, 1..4 the duration's four decimal digits.
constexpr Command kFlashOn = {
    .request = {byte('X'), low8(0), byte(1), low8(1), low8(2), low8(3), low8(4)}};
constexpr Command kFlashOff = {.request = {byte('X'), low8(0), zeros(5)}};

constexpr Variant kGetTemp = {.family = Family::None,
                              .command = {.request = {byte('N'), byte(0)},
                                          .wait = Wait::DeadlineFirst,
                                          .reply_length = kTemperatureBytes,
                                          .limit_ms = kAnswerLimitMs}};
// One look only: whatever has come by then; a later answer waits in the socket.
constexpr Variant kGetMsgErrors = {.family = Family::None,
                                   .command = {.request = {byte('Z'), byte('Z')},
                                               .pause_sent_ms = kBeforeErrorReportMs,
                                               .wait = Wait::SingleReceive,
                                               .reply_length = kErrorReportBytes}};

// Argument 0: the length byte.
constexpr Command kSendToSerial = {.request = {byte('R'), low8(0), data()}};
constexpr Command kEndOfSession = {.request = {byte('S'), byte('S'), byte(0)}};
constexpr Command kType321EndOfSession = {.request = {byte('*')}};
constexpr Command kFlashGreenOn = {.request = {byte('F'), byte('F'), byte(0)}};
constexpr Command kFlashGreenOff = {.request = {byte('C'), byte('C'), byte(0)}};
constexpr Command kClientLed = {.request = {byte('A'), low8(0), low8(1)},
                                .pause_after_ms = kAfterClientLedMs};

std::int32_t sent(const exchange::Outcome& o) { return exchange::result(o, VORN_OK); }

// 321: on and off are one command, the code alone says what to do; the terminal
// acknowledges with one byte and needs a moment after it.
std::int32_t type321_led(TerminalSlot& slot, std::uint8_t code) {
  const std::int32_t r = exchange::play(kType321Led, slot, {}, {}, args(led_code(code).type321X));
  if (r == VORN_OK) platform::sleep_ms(kAfterType321LedMs);
  return r;
}

// 220 and 320: these models light the other two LEDs with the yellow one; put them out.
std::int32_t series220_led_on(TerminalSlot& slot, std::uint8_t code) {
  if (!exchange::run(kSeries220Led, slot, args(kOn, code)).sent) return VORN_SEND_FAILED;
  if (code == kYellowOn) {
    for (const std::uint8_t other : {kGreenOff, kRedOff}) {
      if (!exchange::run(kSeries220Led, slot, args(kOff, other)).sent) return VORN_SEND_FAILED;
    }
  }
  return sent(exchange::run(kSeries220LedsSettle, slot));
}

}  // namespace

std::int32_t led_on(TerminalSlot& slot, std::uint8_t code) {
  if (auto r = dispatch::immediate_result(Operation::LedOn, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122:
      return exchange::play(kFrameLed, slot, {}, {}, args(kOn, code));
    case Family::Type321:
      return type321_led(slot, code);
    case Family::Series220:
      return series220_led_on(slot, code);
    default:
      if (const std::uint8_t x = led_code(code).series120OnX; x != 0) {
        return sent(exchange::run(kSeries120LedX, slot, args(x)));
      }
      return sent(exchange::run(kPacedLed, slot, args(kOn, code)));
  }
}

std::int32_t led_off(TerminalSlot& slot, std::uint8_t code) {
  if (auto r = dispatch::immediate_result(Operation::LedOff, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122:
      return exchange::play(kFrameLed, slot, {}, {}, args(kOff, code));
    case Family::Type321:
      return type321_led(slot, code);
    default:
      return sent(exchange::run(kPacedLed, slot, args(kOff, code)));
  }
}

std::int32_t led_timer(TerminalSlot& slot, std::uint8_t code, std::uint8_t value) {
  if (auto r = dispatch::immediate_result(Operation::LedTimer, slot.type())) return *r;
  if (dispatch::family_of(slot.type()) == Family::Type321) {
    return exchange::play(kType321LedTimer, slot, {}, {}, args(led_code(code).type321Timer, value));
  }
  return sent(exchange::run(kSeries120LedTimer, slot, args(led_code(code).series120Timer, value)));
}

std::int32_t flash_led(TerminalSlot& slot, std::int32_t type, std::int32_t milliseconds) {
  const bool led16 = type == 2;
  led_on(slot, led16 ? 16 : 32);
  platform::sleep_ms(milliseconds);
  return led_off(slot, led16 ? kRedOff : kGreenOff);
}

std::int32_t relay(TerminalSlot& slot, std::int32_t milliseconds) {
  if (!exchange::run(kRelayOn, slot).sent) return VORN_SEND_FAILED;
  platform::sleep_ms(milliseconds);
  return sent(exchange::run(kRelayOff, slot));
}

std::int32_t relay_on(TerminalSlot& slot) { return sent(exchange::run(kRelayOn, slot)); }

std::int32_t relay_off(TerminalSlot& slot) { return sent(exchange::run(kRelayOff, slot)); }

std::int32_t relay_timer(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::RelayTimer, slot.type())) return *r;
  return sent(exchange::run(kRelayTimer, slot));
}

std::int32_t flash_on(TerminalSlot& slot, std::uint8_t value, std::int32_t milliseconds) {
  // The duration goes as four decimal digits, one per byte; the first may exceed 9.
  return sent(exchange::run(kFlashOn, slot,
                            args(value, milliseconds / 1000, milliseconds % 1000 / 100,
                                 milliseconds % 100 / 10, milliseconds % 10)));
}

std::int32_t flash_off(TerminalSlot& slot, std::uint8_t value) {
  return sent(exchange::run(kFlashOff, slot, args(value)));
}

std::int32_t get_temp(TerminalSlot& slot, std::uint8_t* out) {
  return exchange::play(kGetTemp, slot, {out, kTemperatureBytes});
}

std::int32_t get_msg_errors(TerminalSlot& slot, std::uint8_t* out) {
  return exchange::play(kGetMsgErrors, slot, {out, kErrorReportBytes});
}

std::int32_t send_to_serial(platform::SocketHandle socket, const std::uint8_t* data,
                            std::int32_t size) {
  // A negative size would otherwise be taken modulo 256 and read bytes the caller never
  // offered.
  if (size < 0) return VORN_NO_REPLY;
  const auto length = static_cast<std::uint8_t>(size & 0xFF);
  std::array<std::uint8_t, kSerialDataBytes> packet_data{};
  std::copy_n(data, length, packet_data.begin());
  return sent(exchange::run_on_socket(kSendToSerial, socket, args(length), packet_data));
}

std::int32_t close_connection(std::int32_t deviceType, platform::SocketHandle socket) {
  // The first "SS" goes out whatever the model: the terminal's own type tells it apart.
  if (!exchange::run_on_socket(kEndOfSession, socket).sent) return VORN_SEND_FAILED;
  switch (dispatch::socket_cell(dispatch::SocketOperation::CloseConnection, deviceType)) {
    case dispatch::Cell::Plain:
      return sent(exchange::run_on_socket(deviceType == 321 ? kType321EndOfSession : kEndOfSession,
                                          socket));
    default:
      return VORN_NOT_SUPPORTED;
  }
}

std::int32_t flash_green_led(platform::SocketHandle socket, bool on) {
  return sent(exchange::run_on_socket(on ? kFlashGreenOn : kFlashGreenOff, socket));
}

std::int32_t client_led(platform::SocketHandle socket, bool on, std::uint8_t code) {
  return sent(exchange::run_on_socket(kClientLed, socket, args(on ? kOn : kOff, code)));
}

}  // namespace vornc::outputs
