#include "wire/frame.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/crc_frame.h"

namespace {

using test_support::Bytes;
using test_support::hex;
using test_support::text;
using namespace wire;

TEST(FrameChecksum, CatalogueCheckValuesAndTheTerminalsExamples) {
  const struct {
    Bytes bytes;
    std::uint8_t crc;
  } table[] = {
      {text("123456789"), 0xF7},
      {{}, 0xFF},
      {text("*"), 0xF1},
      {text("abc"), 0xE2},
  };
  for (const auto& row : table) {
    EXPECT_EQ(frame::checksum(row.bytes), row.crc) << hex(row.bytes);
    EXPECT_EQ(test_support::crc8(row.bytes), row.crc) << "the tests' own CRC";
  }
  // The table-driven CRC agrees with the bitwise one over every single byte.
  for (int b = 0; b < 256; ++b) {
    const Bytes one = {static_cast<std::uint8_t>(b)};
    EXPECT_EQ(frame::checksum(one), test_support::crc8(one)) << b;
  }
}

Bytes built(std::uint8_t letter, const Bytes& payload) {
  std::array<std::uint8_t, frame::kBufferBytes> buffer{};
  const std::size_t n = frame::build(letter, payload, buffer);
  return Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(Frame, HeaderBytesOfTheTerminalsExamples) {
  EXPECT_EQ(hex(built('V', {})), "2A 56 FF 00 00 00");
  EXPECT_EQ(hex(built('R', text("*"))), "2A 52 F1 00 01 00 2A");
  EXPECT_EQ(hex(built('A', {0x01, 0x02})), "2A 41 17 00 02 00 01 02");
}

TEST(Frame, LengthIsWrittenInBase255) {
  const struct {
    std::size_t length;
    std::uint8_t high, low;
  } table[] = {{128, 0x00, 0x80}, {1024, 0x04, 0x04}, {255, 0x01, 0x00},
               {300, 0x01, 0x2D}, {254, 0x00, 0xFE},  {2042, 0x08, 0x02}};
  for (const auto& row : table) {
    const Bytes frame = built('U', Bytes(row.length, 0x33));
    ASSERT_EQ(frame.size(), row.length + 6) << row.length;
    EXPECT_EQ(frame[3], row.high) << row.length;
    EXPECT_EQ(frame[4], row.low) << row.length;
  }
}

TEST(Frame, PayloadThatDoesNotFitTheFrameBufferIsRefused) {
  std::array<std::uint8_t, frame::kBufferBytes> buffer{};
  EXPECT_EQ(frame::build('U', Bytes(2043, 0), buffer), 0u);
}

}  // namespace
