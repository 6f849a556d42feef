// Type 122 CRC frames built independently of the libraries (a bitwise CRC-8/0x31), for
// scripting terminals and checking the library's own frames.
#pragma once

#include <cstdint>

#include "tests/support/device_peer.h"

namespace test_support {

std::uint8_t crc8(const Bytes& bytes);

// '*', letter, CRC-8 of the payload, length / 255, length % 255, 0, payload.
Bytes crc_frame(std::uint8_t letter, const Bytes& payload = {});

}  // namespace test_support
