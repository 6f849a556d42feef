#include "recognition/fp_code.h"

#include "recognition/template_format.h"

namespace recognition::fp_code {
namespace {

constexpr int kCheckOffset = 0;
constexpr int kVersionOffset = 4;
constexpr int kLengthOffset = 6;
constexpr int kCountOffset = 8;
constexpr int kCheckedFrom = 4;

}  // namespace

int write(const NodeList& list, std::uint8_t* out) {
  const int count = static_cast<int>(list.nodes.size());
  const int length = code_length(count);
  out[kVersionOffset] = kVersion;
  out[5] = 0;
  byte_order::store_le16(out + kLengthOffset, static_cast<std::uint16_t>(length));
  byte_order::store_le16(out + kCountOffset, static_cast<std::uint16_t>(count));
  out[10] = 0;
  out[11] = 0;
  std::uint8_t* record = out + kHeaderSize;
  for (const MinutiaNode& node : list.nodes) {
    const Minutia& m = *node.minutia;
    for (const std::int32_t value : {m.x, m.y, m.x2, m.y2}) {
      byte_order::store_le16(record, static_cast<std::uint16_t>(value));
      record += 2;
    }
  }
  byte_order::store_le32(
      out + kCheckOffset,
      template_format::crc(out + kCheckedFrom, static_cast<std::size_t>(length - kCheckedFrom)));
  return length;
}

CodeCheck check(const std::uint8_t* code) {
  if (code[kVersionOffset] != kVersion) return CodeCheck::kWrongVersion;
  const int count = byte_order::load_le16(code + kCountOffset);
  const int length = byte_order::load_le16(code + kLengthOffset);
  if (length != code_length(count)) return CodeCheck::kWrongLength;
  if (count > kMaxMinutiae) return CodeCheck::kTooManyMinutiae;
  if (template_format::crc(code + kCheckedFrom, static_cast<std::size_t>(length - kCheckedFrom)) !=
      byte_order::load_le32(code + kCheckOffset)) {
    return CodeCheck::kWrongCrc;
  }
  return CodeCheck::kValid;
}

std::vector<Minutia> read_minutiae(const std::uint8_t* code) {
  const int count = byte_order::load_le16(code + kCountOffset);
  std::vector<Minutia> minutiae(static_cast<std::size_t>(count));
  const std::uint8_t* record = code + kHeaderSize;
  auto next = [&record] {
    const auto value = static_cast<std::int16_t>(byte_order::load_le16(record));
    record += 2;
    return static_cast<std::int32_t>(value);
  };
  for (Minutia& m : minutiae) {
    m.x = next();
    m.y = next();
    m.x2 = next();
    m.y2 = next();
    m.kind = kKindNone;
  }
  return minutiae;
}

}  // namespace recognition::fp_code
