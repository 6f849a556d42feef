// Configuration blocks, firmware version, reboot and the input/output inversion masks.
#pragma once

#include <cstdint>

#include "relay/device_table.h"

namespace relay::parameters {

using device_table::RelaySlot;

enum class Block { Small, Extended };  // 128 and 512 bytes
enum class InvertMask { Inputs, Outputs };

int get_block(RelaySlot& slot, Block which, std::uint8_t* block);
int set_block(RelaySlot& slot, Block which, const std::uint8_t* block);
int get_version(RelaySlot& slot, std::uint8_t* version);
int reboot(RelaySlot& slot);
int set_invert_mask(RelaySlot& slot, InvertMask which, int mask1, int mask2);
int get_invert_out_mask(RelaySlot& slot, std::uint8_t* mask1, std::uint8_t* mask2);

}  // namespace relay::parameters
