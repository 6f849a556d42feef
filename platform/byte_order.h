// Byte order of the devices' wire formats and of stored templates and FP codes.
//
// The terminals and templates are little-endian, the relay controllers' blocks and
// counters big-endian; both are read and written byte by byte, never by casting a
// pointer, so unaligned fields and hostile buffers are safe on any host.
#pragma once

#include <cstdint>

namespace byte_order {

constexpr std::uint16_t load_le16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

constexpr std::uint32_t load_le32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

constexpr std::uint16_t load_be16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

constexpr std::uint32_t load_be32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
         std::uint32_t{at[3]};
}

constexpr void store_le16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void store_le32(std::uint8_t* at, std::uint32_t value) {
  store_le16(at, value);
  store_le16(at + 2, value >> 16);
}

constexpr void store_be16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

constexpr void store_be32(std::uint8_t* at, std::uint32_t value) {
  store_be16(at, value >> 16);
  store_be16(at + 2, value);
}

}  // namespace byte_order
