#include "recognition/fp_code.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "recognition/template_format.h"

namespace {

using namespace recognition;
using namespace recognition::fp_code;
namespace tf = recognition::template_format;

using Code = std::vector<std::uint8_t>;

Code code_of(const std::vector<Minutia>& minutiae) {
  const NodeList list = build_relations(minutiae.data(), static_cast<int>(minutiae.size()), false);
  Code code(static_cast<std::size_t>(code_length(static_cast<int>(minutiae.size()))));
  EXPECT_EQ(write(list, code.data()), static_cast<int>(code.size()));
  return code;
}

// A code of n zero records with a right check value, whatever the header says.
Code code_claiming(int n, int length_field) {
  Code code(static_cast<std::size_t>(code_length(n)), 0);
  code[4] = kVersion;
  byte_order::store_le16(code.data() + 6, static_cast<std::uint16_t>(length_field));
  byte_order::store_le16(code.data() + 8, static_cast<std::uint16_t>(n));
  if (length_field == code_length(n))
    byte_order::store_le32(code.data(), tf::crc(code.data() + 4, code.size() - 4));
  return code;
}

TEST(FpCode, RecordsHoldPositionsAndDirectionPointsInOrder) {
  const Code code =
      code_of({Minutia{200, 290, kRidgeEnding, 210, 270}, Minutia{5, 6, kBifurcation, 7, 8}});
  ASSERT_EQ(code.size(), 28u);
  const Code header = {1, 0, 28, 0, 2, 0, 0, 0};
  EXPECT_EQ(Code(code.begin() + 4, code.begin() + 12), header);
  const Code first = {0xC8, 0x00, 0x22, 0x01, 0xD2, 0x00, 0x0E, 0x01};
  EXPECT_EQ(Code(code.begin() + 12, code.begin() + 20), first);
  EXPECT_EQ(byte_order::load_le32(code.data()), tf::crc(code.data() + 4, 24));
  EXPECT_EQ(check(code.data()), CodeCheck::kValid);

  const std::vector<Minutia> read = read_minutiae(code.data());
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].x, 5);
  EXPECT_EQ(read[1].y2, 8);
  EXPECT_EQ(read[1].kind, kKindNone);
}

TEST(FpCode, AnImageWithoutMinutiaeGivesTwelveBytes) {
  const Code code = code_of({});
  EXPECT_EQ(code.size(), 12u);
  EXPECT_EQ(byte_order::load_le32(code.data()), tf::crc(code.data() + 4, 8));
  EXPECT_EQ(check(code.data()), CodeCheck::kValid);
}

TEST(FpCode, CoordinatesAreSignExtended) {
  Code code = code_claiming(1, code_length(1));
  byte_order::store_le16(code.data() + 12, 0xFFFF);
  byte_order::store_le16(code.data() + 14, 0x8000);
  const std::vector<Minutia> read = read_minutiae(code.data());
  EXPECT_EQ(read[0].x, -1);
  EXPECT_EQ(read[0].y, -32768);
}

TEST(FpCode, EveryCheckedByteAndTheBounds) {
  struct Case {
    const char* name;
    std::function<Code()> make;
    CodeCheck expected;
  };
  const Code good =
      code_of({Minutia{200, 290, kRidgeEnding, 210, 270}, Minutia{5, 6, kBifurcation, 7, 8}});
  auto changed = [good](std::size_t offset) {
    return [good, offset] {
      Code c = good;
      c[offset] ^= 0x01;
      return c;
    };
  };
  const Case cases[] = {
      {"as written", [good] { return good; }, CodeCheck::kValid},
      {"check value", changed(0), CodeCheck::kWrongCrc},
      {"check value, last byte", changed(3), CodeCheck::kWrongCrc},
      {"version", changed(4), CodeCheck::kWrongVersion},
      {"reserved byte 5", changed(5), CodeCheck::kWrongCrc},
      {"length field", changed(6), CodeCheck::kWrongLength},
      {"count field", changed(8), CodeCheck::kWrongLength},
      {"reserved byte 11", changed(11), CodeCheck::kWrongCrc},
      {"first record", changed(12), CodeCheck::kWrongCrc},
      {"last record byte", changed(27), CodeCheck::kWrongCrc},
      {"n 0", [] { return code_claiming(0, 12); }, CodeCheck::kValid},
      {"n 4096", [] { return code_claiming(4096, code_length(4096)); }, CodeCheck::kValid},
      {"n 4097", [] { return code_claiming(4097, code_length(4097)); },
       CodeCheck::kTooManyMinutiae},
      {"n 65535", [] { return code_claiming(65535, 12); }, CodeCheck::kWrongLength},
      {"length 0", [] { return code_claiming(0, 0); }, CodeCheck::kWrongLength},
      {"length one record short", [] { return code_claiming(3, code_length(2)); },
       CodeCheck::kWrongLength},
      {"all zero", [] { return Code(12, 0); }, CodeCheck::kWrongVersion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Code code = c.make();
    EXPECT_EQ(check(code.data()), c.expected);
  }
}

}  // namespace
