#include "recognition/template_format.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace {

using namespace recognition::template_format;

using Template = std::array<std::uint8_t, kTemplateSize>;

// A template as the enrolment writes it, with a body of varied bytes.
Template valid_template() {
  Template t{};
  for (int i = kHeaderSize; i < kTemplateSize; ++i) t[i] = static_cast<std::uint8_t>(i * 7 + 3);
  write_header(t.data(), kBodyLength);
  return t;
}

TEST(TemplateCrc, CheckValuesOfTheStoredTemplates) {
  const std::string digits = "123456789";
  EXPECT_EQ(crc(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()), 0x340BC6D9u);
  EXPECT_EQ(crc(nullptr, 0), 0xFFFFFFFFu);
  const std::string fox =
      "The quick brown fox jumps over the lazy dog";  // eight at a time, and the rest
  EXPECT_EQ(crc(reinterpret_cast<const std::uint8_t*>(fox.data()), fox.size()), ~0x414FA339u);
  const std::uint8_t zero = 0;
  EXPECT_EQ(crc(&zero, 1), ~0xD202EF8Du);  // the common CRC-32 of one zero byte, not inverted
}

TEST(TemplateHeader, WrittenFieldsAndLittleEndianLengths) {
  Template t;
  t.fill(0xAA);
  write_header(t.data(), kBodyLength);
  EXPECT_EQ(byte_order::load_le32(t.data()), crc(t.data() + kHeaderSize, kBodyLength));
  const std::array<std::uint8_t, 8> expected = {1, 0, 0x30, 0x03, 0, 12, 0, 0};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), t.begin() + 4));
}

struct CheckCase {
  const char* name;
  std::function<void(Template&)> corrupt;
  TemplateCheck expected;
};

TEST(TemplateCheckTable, EveryFieldThatIsReadIsChecked) {
  const CheckCase cases[] = {
      {"as written", [](Template&) {}, TemplateCheck::kValid},
      {"reserved bytes are ignored", [](Template& t) { t[5] = t[8] = t[10] = t[11] = 0x5A; },
       TemplateCheck::kValid},
      {"version 2", [](Template& t) { t[4] = 2; }, TemplateCheck::kWrongVersion},
      {"version 0", [](Template& t) { t[4] = 0; }, TemplateCheck::kWrongVersion},
      {"11 records", [](Template& t) { t[9] = 11; }, TemplateCheck::kWrongRecordCount},
      {"13 records", [](Template& t) { t[9] = 13; }, TemplateCheck::kWrongRecordCount},
      {"body length 815", [](Template& t) { byte_order::store_le16(t.data() + 6, 815); },
       TemplateCheck::kWrongBodyLength},
      {"body length 817", [](Template& t) { byte_order::store_le16(t.data() + 6, 817); },
       TemplateCheck::kWrongBodyLength},
      {"body length 0", [](Template& t) { byte_order::store_le16(t.data() + 6, 0); },
       TemplateCheck::kWrongBodyLength},
      {"body length 65535", [](Template& t) { byte_order::store_le16(t.data() + 6, 65535); },
       TemplateCheck::kWrongBodyLength},
      {"first body byte", [](Template& t) { t[12] ^= 1; }, TemplateCheck::kWrongCrc},
      {"last body byte", [](Template& t) { t[827] ^= 0x80; }, TemplateCheck::kWrongCrc},
      {"check value", [](Template& t) { t[3] ^= 1; }, TemplateCheck::kWrongCrc},
      {"all zero", [](Template& t) { t.fill(0); }, TemplateCheck::kWrongVersion},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    Template t = valid_template();
    c.corrupt(t);
    EXPECT_EQ(check_template(t.data()), c.expected);
  }
}

}  // namespace
