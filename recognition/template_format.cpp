#include "recognition/template_format.h"

#include <array>

namespace recognition::template_format {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

// Table k holds the effect of a byte followed by k zero bytes, so that eight bytes are
// taken at once (identification checks one template per candidate).
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables make_crc_tables() {
  CrcTables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1u) != 0 ? (value >> 1) ^ kPolynomial : value >> 1;
    }
    tables[0][i] = value;
  }
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFFu];
    }
  }
  return tables;
}

constexpr CrcTables kCrcTables = make_crc_tables();

}  // namespace

std::uint32_t crc(const std::uint8_t* bytes, std::size_t length) {
  const CrcTables& t = kCrcTables;
  std::uint32_t value = 0xFFFFFFFFu;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    const std::uint32_t low = byte_order::load_le32(bytes + i) ^ value;
    const std::uint32_t high = byte_order::load_le32(bytes + i + 4);
    value = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
            t[4][low >> 24] ^ t[3][high & 0xFFu] ^ t[2][(high >> 8) & 0xFFu] ^
            t[1][(high >> 16) & 0xFFu] ^ t[0][high >> 24];
  }
  for (; i < length; ++i) value = t[0][(value ^ bytes[i]) & 0xFFu] ^ (value >> 8);
  return value;  // no final inversion: stored templates carry it this way
}

TemplateCheck check_template(const std::uint8_t* bytes) {
  if (bytes[kVersionOffset] != kVersion) return TemplateCheck::kWrongVersion;
  if (bytes[kRecordCountOffset] != kRecordCount) return TemplateCheck::kWrongRecordCount;
  // Only a body of exactly 816 bytes fits the 828 bytes a caller hands over.
  if (byte_order::load_le16(bytes + kBodyLengthOffset) != kBodyLength)
    return TemplateCheck::kWrongBodyLength;
  if (crc(bytes + kHeaderSize, kBodyLength) != byte_order::load_le32(bytes + kCheckOffset)) {
    return TemplateCheck::kWrongCrc;
  }
  return TemplateCheck::kValid;
}

void write_header(std::uint8_t* bytes, std::uint16_t body_length) {
  byte_order::store_le32(bytes + kCheckOffset, crc(bytes + kHeaderSize, body_length));
  bytes[kVersionOffset] = kVersion;
  bytes[5] = 0;
  byte_order::store_le16(bytes + kBodyLengthOffset, body_length);
  bytes[8] = 0;
  bytes[kRecordCountOffset] = kRecordCount;
  bytes[10] = 0;
  bytes[11] = 0;
}

}  // namespace recognition::template_format
