#include "tests/support/crc_frame.h"

namespace test_support {

std::uint8_t crc8(const Bytes& bytes) {
  std::uint8_t crc = 0xFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x31 : crc << 1);
    }
  }
  return crc;
}

Bytes crc_frame(std::uint8_t letter, const Bytes& payload) {
  const Bytes header = {0x2A,
                        letter,
                        crc8(payload),
                        static_cast<std::uint8_t>(payload.size() / 255),
                        static_cast<std::uint8_t>(payload.size() % 255),
                        0};
  return concat({header, payload});
}

}  // namespace test_support
