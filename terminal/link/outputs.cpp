#include "terminal/link/outputs.h"

#include <array>
#include <cstring>

#include "platform/clock.h"
#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"

namespace vornc::outputs {
namespace {

using dispatch::Family;
using dispatch::Operation;
using exchange::Rule;
using platform::sleep_ms;

// How each family spells an LED code where it does not simply send 'A', on/off, code.
struct LedCode {
  std::uint8_t code;
  std::uint8_t series120OnX;   // series-120 on: 'X', this (0: 'A', 1, code)
  std::uint8_t type321X;       // 321 on or off: 'X', this
  std::uint8_t series120Timer; // series-120 timer: 'X', this, value
  std::uint8_t type321Timer;   // 321 timer: 'X', this, value
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

// Type 122: frame 'A' with on/off and the code, acknowledged by an empty frame.
std::int32_t frame_led(TerminalSlot& slot, std::uint8_t on_off, std::uint8_t code) {
  if (!frame::send(slot.socket, 'A', std::array<std::uint8_t, 2>{on_off, code})) {
    return VORN_SEND_FAILED;
  }
  std::array<std::uint8_t, frame::kHeaderBytes> reply{};
  if (exchange::receive(slot.socket, reply.data(), reply.size(), 2000, Rule::FrameReply)
          .timed_out) {
    return VORN_TIMEOUT;
  }
  return VORN_OK;
}

// Type 321: on and off are one command, the code alone says what to do; the terminal
// acknowledges with one byte.
std::int32_t type321_led(TerminalSlot& slot, std::uint8_t code) {
  if (!exchange::send(slot.socket, {'X', led_code(code).type321X})) return VORN_SEND_FAILED;
  std::uint8_t ack = 0;
  if (!exchange::receive_recorded(slot, &ack, 1, 1000)) return VORN_NO_REPLY;
  sleep_ms(10);
  return VORN_OK;
}

// The plain 'A' command with the pauses the series-120 firmware needs around it.
std::int32_t paced_led(TerminalSlot& slot, std::uint8_t on_off, std::uint8_t code) {
  sleep_ms(50);
  if (!exchange::send(slot.socket, {'A', on_off, code})) return VORN_SEND_FAILED;
  sleep_ms(200);
  return VORN_OK;
}

std::int32_t send_result(bool sent) { return sent ? VORN_OK : VORN_SEND_FAILED; }

std::array<std::uint8_t, 3> with_zero(char a, char b) {
  return {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), 0};
}

}  // namespace

std::int32_t led_on(TerminalSlot& slot, std::uint8_t code) {
  if (auto r = dispatch::immediate_result(Operation::LedOn, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122:
      return frame_led(slot, kOn, code);
    case Family::Type321:
      return type321_led(slot, code);
    case Family::Series220:
      sleep_ms(10);
      if (!exchange::send(slot.socket, {'A', kOn, code})) return VORN_SEND_FAILED;
      if (code == kYellowOn) {
        // These models light the other two LEDs with the yellow one: put them out.
        sleep_ms(10);
        if (!exchange::send(slot.socket, {'A', kOff, 223})) return VORN_SEND_FAILED;
        sleep_ms(10);
        if (!exchange::send(slot.socket, {'A', kOff, 239})) return VORN_SEND_FAILED;
      }
      sleep_ms(30);
      return VORN_OK;
    default:
      if (const std::uint8_t x = led_code(code).series120OnX; x != 0) {
        return send_result(exchange::send(slot.socket, {'X', x}));
      }
      return paced_led(slot, kOn, code);
  }
}

std::int32_t led_off(TerminalSlot& slot, std::uint8_t code) {
  if (auto r = dispatch::immediate_result(Operation::LedOff, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122:
      return frame_led(slot, kOff, code);
    case Family::Type321:
      return type321_led(slot, code);
    default:
      return paced_led(slot, kOff, code);
  }
}

std::int32_t led_timer(TerminalSlot& slot, std::uint8_t code, std::uint8_t value) {
  if (auto r = dispatch::immediate_result(Operation::LedTimer, slot.type())) return *r;
  if (dispatch::family_of(slot.type()) == Family::Type321) {
    if (!exchange::send(slot.socket, {'X', led_code(code).type321Timer, value})) {
      return VORN_SEND_FAILED;
    }
    std::uint8_t ack = 0;
    return exchange::receive_recorded(slot, &ack, 1, 1000) ? VORN_OK : VORN_NO_REPLY;
  }
  if (!exchange::send(slot.socket, {'X', led_code(code).series120Timer, value})) {
    return VORN_SEND_FAILED;
  }
  sleep_ms(200);
  return VORN_OK;
}

std::int32_t flash_led(TerminalSlot& slot, std::int32_t type, std::int32_t milliseconds) {
  const bool led16 = type == 2;
  led_on(slot, led16 ? 16 : 32);
  sleep_ms(milliseconds);
  return led_off(slot, led16 ? 239 : 223);
}

std::int32_t relay(TerminalSlot& slot, std::int32_t milliseconds) {
  if (!exchange::send(slot.socket, {'D', 3})) return VORN_SEND_FAILED;
  sleep_ms(milliseconds);
  return send_result(exchange::send(slot.socket, {'D', 0}));
}

std::int32_t relay_on(TerminalSlot& slot) { return send_result(exchange::send(slot.socket, {'D', 3})); }

std::int32_t relay_off(TerminalSlot& slot) { return send_result(exchange::send(slot.socket, {'D', 0})); }

std::int32_t relay_timer(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::RelayTimer, slot.type())) return *r;
  return send_result(exchange::send(slot.socket, {'X', 5}));
}

std::int32_t flash_on(TerminalSlot& slot, std::uint8_t value, std::int32_t milliseconds) {
  // The duration goes as four decimal digits, one per byte; the first may exceed 9.
  const auto digit = [](std::int32_t d) { return static_cast<std::uint8_t>(d); };
  return send_result(exchange::send(
      slot.socket, {'X', value, 1, digit(milliseconds / 1000), digit(milliseconds % 1000 / 100),
                    digit(milliseconds % 100 / 10), digit(milliseconds % 10)}));
}

std::int32_t flash_off(TerminalSlot& slot, std::uint8_t value) {
  return send_result(exchange::send(slot.socket, {'X', value, 0, 0, 0, 0, 0}));
}

std::int32_t get_temp(TerminalSlot& slot, std::uint8_t* out) {
  if (!exchange::send(slot.socket, {'N', 0})) return VORN_SEND_FAILED;
  exchange::receive(slot.socket, out, 3, 1000, Rule::Lenient);
  return VORN_OK;
}

std::int32_t get_msg_errors(TerminalSlot& slot, std::uint8_t* out) {
  if (!exchange::send(slot.socket, {'Z', 'Z'})) return VORN_SEND_FAILED;
  sleep_ms(10);
  // One look only: whatever has come by now; a later answer waits in the socket.
  platform::socket_receive(slot.socket, out, 10);
  return VORN_OK;
}

std::int32_t send_to_serial(platform::SocketHandle socket, const std::uint8_t* data,
                            std::int32_t size) {
  std::array<std::uint8_t, 258> packet{};
  const auto length = static_cast<std::uint8_t>(size & 0xFF);
  packet[0] = 'R';
  packet[1] = length;
  if (length != 0) std::memcpy(packet.data() + 2, data, length);
  return send_result(exchange::send(socket, packet));
}

std::int32_t close_connection(std::int32_t deviceType, platform::SocketHandle socket) {
  const auto end_of_session = with_zero('S', 'S');
  // The first "SS" goes out whatever the model: the terminal's own type tells it apart.
  if (!exchange::send(socket, end_of_session)) return VORN_SEND_FAILED;
  switch (dispatch::socket_cell(dispatch::SocketOperation::CloseConnection, deviceType)) {
    case dispatch::Cell::Plain:
      if (deviceType == 321) return send_result(exchange::send(socket, {'*'}));
      return send_result(exchange::send(socket, end_of_session));
    default:
      return VORN_NOT_SUPPORTED;
  }
}

std::int32_t flash_green_led(platform::SocketHandle socket, bool on) {
  return send_result(exchange::send(socket, on ? with_zero('F', 'F') : with_zero('C', 'C')));
}

std::int32_t client_led(platform::SocketHandle socket, bool on, std::uint8_t code) {
  if (!exchange::send(socket, {'A', on ? kOn : kOff, code})) return VORN_SEND_FAILED;
  sleep_ms(30);
  return VORN_OK;
}

}  // namespace vornc::outputs
