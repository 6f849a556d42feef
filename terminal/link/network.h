// Network settings in the configuration copy held in the slot, and the activity
// watchdog of type 121.
#pragma once

#include <cstddef>
#include <cstdint>

#include "terminal/link/device_table.h"

namespace vornc::network {

// The settings the network operations edit, in the order of the block.
enum class Setting : std::uint8_t { Address, Gateway, Mask, Port, ServerAddress, ServerPort };

// The longest address text taken, its terminating zero included.
inline constexpr std::size_t kAddressTextBuffer = 64;
// "255.255.255.255" and its terminating zero: what a getter's buffer must hold.
inline constexpr std::size_t kAddressTextBytes = 16;

// Addresses: Address, Gateway, Mask and ServerAddress only.
std::int32_t set_address(TerminalSlot& slot, Setting setting, const char* text);
std::int32_t get_address(TerminalSlot& slot, Setting setting, char* text);
// Ports: Port and ServerPort only.
std::int32_t set_port(TerminalSlot& slot, Setting setting, std::int32_t port);
std::int32_t get_port(TerminalSlot& slot, Setting setting, std::uint16_t* port);

std::int32_t set_activity_watchdog(TerminalSlot& slot, std::uint8_t value);
std::int32_t reset_activity_watchdog(TerminalSlot& slot);
std::int32_t get_status_activity_watchdog(TerminalSlot& slot);

}  // namespace vornc::network
