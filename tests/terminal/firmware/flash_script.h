// What a type 321 says about its data flash, for scripting the device peer.
#pragma once

#include <cstdint>

#include "tests/terminal/link/terminal_script.h"

namespace flash_script {

using test_support::Bytes;
using test_support::concat;

inline Bytes le16(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF)};
}
inline Bytes le32(std::uint32_t v) { return concat({le16(v & 0xFFFF), le16(v >> 16)}); }

// '$', 'W', address, count, data.
inline Bytes flash_write(std::uint32_t address, const Bytes& data) {
  return concat({{'$', 'W'}, le32(address), le16(static_cast<std::uint32_t>(data.size())), data});
}
// '$', 'R', address, count.
inline Bytes flash_read(std::uint32_t address, std::size_t count) {
  return concat({{'$', 'R'}, le32(address), le16(static_cast<std::uint32_t>(count))});
}
inline const Bytes kWriteAcknowledged = {'$', 'W'};

// An image whose bytes differ from page to page.
inline Bytes image_of(std::size_t length) {
  Bytes image(length);
  for (std::size_t i = 0; i < length; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return image;
}

}  // namespace flash_script
