// The stored template and the check value shared by templates and FP codes.
//
// A template is what applications keep in their own store and hand back for every
// verification, possibly to another installation: its bytes are fixed. 828 bytes, all
// multi-byte fields little-endian:
//   0..3   check value over the body (bytes 12 .. 12 + body length - 1)
//   4      format version, 1
//   5      reserved (written 0, ignored)
//   6..7   body length, 816
//   8      0
//   9      number of records, 12
//   10..11 reserved (written 0, ignored)
//   12..   12 records of 68 bytes: occurrence percentage, minutia kind, then 11 relations of
//          three int16 (distance, angle here, angle there) to the other records in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"

namespace recognition::template_format {

inline constexpr int kHeaderSize = 12;
inline constexpr int kRecordCount = 12;
inline constexpr int kRelationsPerRecord = kRecordCount - 1;
inline constexpr int kRelationSize = 6;
inline constexpr int kRecordSize = 2 + kRelationsPerRecord * kRelationSize;  // 68
inline constexpr int kBodyLength = kRecordCount * kRecordSize;               // 816
inline constexpr int kTemplateSize = kHeaderSize + kBodyLength;              // 828
inline constexpr std::uint8_t kVersion = 1;

inline constexpr int kCheckOffset = 0;
inline constexpr int kVersionOffset = 4;
inline constexpr int kBodyLengthOffset = 6;
inline constexpr int kRecordCountOffset = 9;

// Outcome of checking a stored template, in the order the checks run.
enum class TemplateCheck { kValid, kWrongVersion, kWrongRecordCount, kWrongBodyLength, kWrongCrc };

// CRC-32 with the reflected polynomial 0xEDB88320, started at 0xFFFFFFFF and, unlike the
// common CRC-32, not inverted at the end ("123456789" gives 0x340BC6D9).
std::uint32_t crc(const std::uint8_t* bytes, std::size_t length);

// Checks version, record count, body length and check value. Reads at most the
// kTemplateSize bytes of a template, whatever its header claims.
TemplateCheck check_template(const std::uint8_t* bytes);

// Writes the header for a body of `body_length` bytes that already stands at offset 12.
void write_header(std::uint8_t* bytes, std::uint16_t body_length);

}  // namespace recognition::template_format
