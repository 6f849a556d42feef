#include "wire/frame.h"

#include <array>
#include <cstring>

namespace wire::frame {
namespace {

constexpr std::uint8_t kStartOfFrame = 0x2A;
constexpr std::uint8_t kPolynomial = 0x31;
// The terminals count payload lengths in base 255.
constexpr std::size_t kLengthBase = 255;

constexpr std::array<std::uint8_t, 256> make_crc_table() {
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    auto crc = static_cast<std::uint8_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ kPolynomial : crc << 1);
    }
    table[static_cast<std::size_t>(i)] = crc;
  }
  return table;
}

constexpr auto kCrcTable = make_crc_table();

}  // namespace

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
  std::uint8_t crc = 0xFF;
  for (std::uint8_t b : bytes) crc = kCrcTable[crc ^ b];
  return crc;
}

std::size_t build(std::uint8_t letter, std::span<const std::uint8_t> payload,
                  std::span<std::uint8_t, kBufferBytes> out) {
  if (payload.size() > kMaxPayload) return 0;
  const std::size_t length = payload.size();
  out[0] = kStartOfFrame;
  out[1] = letter;
  out[2] = checksum(payload);
  out[3] = static_cast<std::uint8_t>(length / kLengthBase);
  out[4] = static_cast<std::uint8_t>(length % kLengthBase);
  out[5] = 0;
  if (length != 0) std::memcpy(out.data() + kHeaderBytes, payload.data(), length);
  return length + kHeaderBytes;
}

}  // namespace wire::frame
