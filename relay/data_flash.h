// The controller's data flash (big-endian and M3 command families) and the M3 firmware
// update built on the M3 block commands.
#pragma once

#include <cstdint>

#include "relay/device_table.h"

namespace relay::data_flash {

using device_table::RelaySlot;

enum class ByteQuery { SetPowerOf2, ReadStatus };
enum class QueryM3 { ReadStatusReady, ReadStatus, SetPowerOf2 };

int byte_query(RelaySlot& slot, ByteQuery which);
int save_buffer_to_main(RelaySlot& slot);
int read_counter(RelaySlot& slot, int* counter);
int write_counter(RelaySlot& slot, int counter);
int read_block(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* buffer);
int write_block(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* data);

int query_m3(RelaySlot& slot, QueryM3 which, std::uint8_t* value);
int read_block_m3(RelaySlot& slot, std::uint32_t address, int size, std::uint8_t* buffer);
int write_block_m3(RelaySlot& slot, std::uint32_t address, int size, const std::uint8_t* data);

int update_start_m3(RelaySlot& slot);
int update_firmware_m3(RelaySlot& slot, const std::uint8_t* image, int size);

}  // namespace relay::data_flash
