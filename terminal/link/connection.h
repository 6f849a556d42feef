// Opening and closing terminals, and asking them what they are.
#pragma once

#include <cstdint>

#include "platform/socket.h"
#include "terminal/link/device_table.h"

namespace vornc::connection {

std::int32_t open_device(std::int32_t deviceType, const char* host, std::int32_t port);
std::int32_t open_device_by_socket(std::int32_t deviceType, platform::SocketHandle socket);
std::int32_t open_device_by_socket_querying_type(platform::SocketHandle socket);
std::int32_t close_device(TerminalSlot& slot);
std::int32_t close_socket_by_device(TerminalSlot& slot);
std::int32_t close_socket_by_device_acknowledged(TerminalSlot& slot);

std::int32_t get_device_type(TerminalSlot& slot);
std::int32_t get_type_byte(TerminalSlot& slot, std::uint8_t* out);
std::int32_t get_channel_type_byte(TerminalSlot& slot, std::uint8_t* out);

// Opens, switches the terminal's active mode on or off, and closes.
std::int32_t set_active(std::int32_t deviceType, const char* host, std::int32_t port, bool on);

}  // namespace vornc::connection
