// The type 321 data flash and sensor registers. These commands do not look at the
// device type: only a 321 understands them.
#pragma once

#include <cstdint>
#include <span>

#include "terminal/link/device_table.h"

namespace vornc::data_flash {

enum class Query : std::uint8_t { ReadStatus, SetPowerOf2 };

// The flash's status byte into *status; 0, -1 (status untouched) or -2.
std::int32_t query(TerminalSlot& slot, Query which, std::uint8_t* status);

enum class Registers : std::uint8_t {
  Running,  // the running sensor only
  Stored,   // also kept in the terminal's flash
};

// The three register values, each as its low byte; 0, -1 or -2.
std::int32_t set_registers(TerminalSlot& slot, Registers where, std::int32_t first,
                           std::int32_t second, std::int32_t third);

// One block to or from the flash; 0, -1 or -2. A read holds the library lock.
std::int32_t write_block(TerminalSlot& slot, std::uint32_t address,
                         std::span<const std::uint8_t> block);
std::int32_t read_block(TerminalSlot& slot, std::uint32_t address, std::span<std::uint8_t> block);

// Tells the terminal to start the image in its flash; 0 or -2.
std::int32_t start_update(TerminalSlot& slot);

}  // namespace vornc::data_flash
