// LEDs, relay, timed outputs, serial port and status queries of a terminal.
#pragma once

#include <cstdint>

#include "platform/socket.h"
#include "terminal/link/device_table.h"

namespace vornc::outputs {

inline constexpr std::uint8_t kYellowOn = 2;
inline constexpr std::uint8_t kYellowOff = 253;

std::int32_t led_on(TerminalSlot& slot, std::uint8_t code);
std::int32_t led_off(TerminalSlot& slot, std::uint8_t code);
std::int32_t led_timer(TerminalSlot& slot, std::uint8_t code, std::uint8_t value);
std::int32_t flash_led(TerminalSlot& slot, std::int32_t type, std::int32_t milliseconds);

std::int32_t relay(TerminalSlot& slot, std::int32_t milliseconds);
std::int32_t relay_on(TerminalSlot& slot);
std::int32_t relay_off(TerminalSlot& slot);
std::int32_t relay_timer(TerminalSlot& slot);

std::int32_t flash_on(TerminalSlot& slot, std::uint8_t value, std::int32_t milliseconds);
std::int32_t flash_off(TerminalSlot& slot, std::uint8_t value);

std::int32_t get_temp(TerminalSlot& slot, std::uint8_t* out);
std::int32_t get_msg_errors(TerminalSlot& slot, std::uint8_t* out);

// On a socket of the caller's, without a slot.
std::int32_t send_to_serial(platform::SocketHandle socket, const std::uint8_t* data,
                            std::int32_t size);
std::int32_t close_connection(std::int32_t deviceType, platform::SocketHandle socket);
std::int32_t flash_green_led(platform::SocketHandle socket, bool on);
std::int32_t client_led(platform::SocketHandle socket, bool on, std::uint8_t code);

}  // namespace vornc::outputs
