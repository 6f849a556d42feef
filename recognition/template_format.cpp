#include "recognition/template_format.h"

#include <array>

namespace recognition::template_format {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> make_crc_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1u) != 0 ? (value >> 1) ^ kPolynomial : value >> 1;
    }
    table[i] = value;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = make_crc_table();

}  // namespace

std::uint32_t crc(const std::uint8_t* bytes, std::size_t length) {
  std::uint32_t value = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < length; ++i) {
    value = kCrcTable[(value ^ bytes[i]) & 0xFFu] ^ (value >> 8);
  }
  return value;  // no final inversion: stored templates carry it this way
}

std::uint16_t read_u16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t read_u32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void write_u16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

void write_u32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TemplateCheck check_template(const std::uint8_t* bytes) {
  if (bytes[kVersionOffset] != kVersion) return TemplateCheck::kWrongVersion;
  if (bytes[kRecordCountOffset] != kRecordCount) return TemplateCheck::kWrongRecordCount;
  // Only a body of exactly 816 bytes fits the 828 bytes a caller hands over.
  if (read_u16(bytes + kBodyLengthOffset) != kBodyLength) return TemplateCheck::kWrongBodyLength;
  if (crc(bytes + kHeaderSize, kBodyLength) != read_u32(bytes + kCheckOffset)) {
    return TemplateCheck::kWrongCrc;
  }
  return TemplateCheck::kValid;
}

void write_header(std::uint8_t* bytes, std::uint16_t body_length) {
  write_u32(bytes + kCheckOffset, crc(bytes + kHeaderSize, body_length));
  bytes[kVersionOffset] = kVersion;
  bytes[5] = 0;
  write_u16(bytes + kBodyLengthOffset, body_length);
  bytes[8] = 0;
  bytes[kRecordCountOffset] = kRecordCount;
  bytes[10] = 0;
  bytes[11] = 0;
}

}  // namespace recognition::template_format
