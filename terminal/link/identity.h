// Version, parameter block, configuration copy and reboot of a terminal.
#pragma once

#include <cstdint>

#include "terminal/link/device_table.h"

namespace vornc::identity {

inline constexpr int kParamBytes = 128;
inline constexpr int kVersionBytes = 8;

std::int32_t get_version(TerminalSlot& slot, std::uint8_t* version);
std::int32_t get_param(TerminalSlot& slot, std::uint8_t* params);
std::int32_t set_param(TerminalSlot& slot, const std::uint8_t* params);
std::int32_t read_configuration(TerminalSlot& slot);
std::int32_t write_configuration(TerminalSlot& slot);
std::int32_t reboot(TerminalSlot& slot);

}  // namespace vornc::identity
