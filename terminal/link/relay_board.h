// Relay-board commands sent over a terminal's connection, whatever its device type: the
// board at the other end answers them. Simpler than the relay controller library's
// commands of the same names: switching is not confirmed, requests are padded.
#pragma once

#include <cstdint>

#include "terminal/link/device_table.h"

namespace vornc::relay_board {

enum class Order : std::uint8_t { RelayOn, RelayOff, AllRelayOff, InputStatusOn, InputStatusOff };
enum class Status : std::uint8_t { Relay, Input };

// Argument: the relay mask (RelayOn, RelayOff), else unused. 0 once sent, or -2.
std::int32_t send_order(TerminalSlot& slot, Order order, std::int32_t mask);
// The byte received into status[0], zeros after it (8 bytes).
std::int32_t read_status(TerminalSlot& slot, Status which, std::uint8_t* status);
std::int32_t read_answer(TerminalSlot& slot, std::uint8_t* status);

}  // namespace vornc::relay_board
