// Templates, FP codes and images from outside the library, made to hurt: random bytes,
// all zero, huge counts, wild coordinates. Nothing may crash or read beyond the buffer the
// caller gave (the sanitizer build tells); results stay within their ranges.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "ProcTemp.h"
#include "recognition/template_format.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

namespace tf = recognition::template_format;
using Bytes = std::vector<unsigned char>;

// Exactly `size` bytes on the heap, so that any read past them is caught.
std::unique_ptr<unsigned char[]> exact_copy(const Bytes& bytes) {
  auto copy = std::make_unique<unsigned char[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return copy;
}

Bytes random_bytes(std::mt19937& rng, std::size_t size) {
  Bytes bytes(size);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

// An FP code of `n` records of random int16 values, with a right check value.
Bytes hostile_code(std::mt19937& rng, int n) {
  Bytes code = random_bytes(rng, 12 + 8 * static_cast<std::size_t>(n));
  code[4] = 1;
  byte_order::store_le16(code.data() + 6, static_cast<std::uint16_t>(12 + 8 * n));
  byte_order::store_le16(code.data() + 8, static_cast<std::uint16_t>(n));
  byte_order::store_le32(code.data(), tf::crc(code.data() + 4, code.size() - 4));
  return code;
}

// A template of random records (wild kinds, distances and angles), with a right header.
Bytes hostile_template(std::mt19937& rng) {
  Bytes t = random_bytes(rng, tf::kTemplateSize);
  tf::write_header(t.data(), tf::kBodyLength);
  return t;
}

bool is_score(short s) { return s >= 0 && s <= 100; }

class HostileInput : public ::testing::Test {
 protected:
  HostileInput() {
    image_ = test_images::centred_window(test_images::scan("fvc2002-db3b", 101, 2), 300, 256);
  }
  std::mt19937 rng_{20240611};
  test_images::GreyImage image_;
  ProcTemp p_{0, 40};
};

TEST_F(HostileInput, RandomAndZeroTemplatesAreRejected) {
  std::vector<Bytes> templates = {Bytes(tf::kTemplateSize, 0), Bytes(tf::kTemplateSize, 0xFF)};
  for (int i = 0; i < 50; ++i) templates.push_back(random_bytes(rng_, tf::kTemplateSize));
  Bytes claims_long = hostile_template(rng_);
  byte_order::store_le16(claims_long.data() + 6, 0xFFFF);  // a body far beyond the 828 bytes
  templates.push_back(claims_long);
  ASSERT_EQ(p_.IdentifyInit(image_.pixels.data(), image_.width, image_.height), 0);
  for (const Bytes& t : templates) {
    auto exact = exact_copy(t);
    EXPECT_LT(p_.GetLengthTemplate(exact.get()), 0);
    EXPECT_LT(p_.GetQualityTemplate(exact.get()), 0);
    EXPECT_EQ(p_.IdentifyFind(exact.get()), -3);
  }
  for (const Bytes& t : templates)
    EXPECT_EQ(p_.VerifyFPCode(exact_copy(t).get(), exact_copy(t).get()), -3);
}

TEST_F(HostileInput, TemplatesWithWildRecordsScoreWithinRange) {
  for (int i = 0; i < 20; ++i) {
    auto stored = exact_copy(hostile_template(rng_));
    ASSERT_EQ(p_.GetLengthTemplate(stored.get()), 828);
    if (i == 0) {
      EXPECT_TRUE(
          is_score(p_.Verify(image_.pixels.data(), image_.width, image_.height, stored.get())));
      ASSERT_EQ(p_.IdentifyInit(image_.pixels.data(), image_.width, image_.height), 0);
    }
    EXPECT_TRUE(is_score(p_.IdentifyFind(stored.get())));
    auto code = exact_copy(hostile_code(rng_, 30));
    EXPECT_TRUE(is_score(p_.VerifyFPCode(code.get(), stored.get())));
    ASSERT_EQ(p_.IdentifyInit(image_.pixels.data(), image_.width, image_.height), 0);
  }
}

TEST_F(HostileInput, FpCodesWithWildCoordinatesOrFalseCountsNeverOverrun) {
  Bytes stored = test_images::enrol(p_, "fvc2002-db3b", 101).stored;
  ASSERT_EQ(p_.GetLengthTemplate(stored.data()), 828);

  for (int n : {0, 1, 2, 12, 200}) {
    SCOPED_TRACE(testing::Message() << n << " wild records");
    auto code = exact_copy(hostile_code(rng_, n));
    EXPECT_TRUE(is_score(p_.VerifyFPCode(code.get(), stored.data())));
  }
  Bytes extremes = hostile_code(rng_, 4);
  const std::uint16_t corners[] = {0x8000, 0x7FFF, 0x8000, 0x8000, 0x7FFF, 0x7FFF, 0x0000, 0x8000};
  for (std::size_t i = 0; i < 16; ++i)
    byte_order::store_le16(extremes.data() + 12 + 2 * i, corners[i % 8]);
  byte_order::store_le32(extremes.data(), tf::crc(extremes.data() + 4, extremes.size() - 4));
  EXPECT_TRUE(is_score(p_.VerifyFPCode(exact_copy(extremes).get(), stored.data())));

  // Headers that claim more than the 12 bytes given are refused before the check value
  // is computed over them.
  struct Claim {
    std::uint16_t length;
    std::uint16_t n;
  };
  const Claim claims[] = {{65535, 8190}, {65532, 8190}, {12 + 8 * 4097, 4097}, {12, 1}, {20, 0},
                          {0, 0},        {4, 0}};
  for (const Claim& c : claims) {
    SCOPED_TRACE(testing::Message() << "length " << c.length << ", n " << c.n);
    Bytes header(12, 0);
    header[4] = 1;
    byte_order::store_le16(header.data() + 6, c.length);
    byte_order::store_le16(header.data() + 8, c.n);
    EXPECT_EQ(p_.VerifyFPCode(exact_copy(header).get(), stored.data()), -4);
  }
  for (int i = 0; i < 30; ++i) {
    Bytes code = random_bytes(rng_, 12);
    EXPECT_EQ(p_.VerifyFPCode(exact_copy(code).get(), stored.data()), -4);
  }
}

TEST_F(HostileInput, ImagesOfEveryKindAndShape) {
  struct Shape {
    int width;
    int height;
  };
  const Shape shapes[] = {{16, 16}, {17, 23}, {300, 256}, {4096, 16}, {16, 4096}, {100, 100}};
  for (const Shape& s : shapes) {
    const std::size_t size = static_cast<std::size_t>(s.width) * s.height;
    std::vector<Bytes> images = {Bytes(size, 0), Bytes(size, 255), random_bytes(rng_, size)};
    Bytes stripes(size);
    for (std::size_t i = 0; i < size; ++i)
      stripes[i] = ((i % s.width) / 4 + (i / s.width) / 4) % 2 != 0 ? 230 : 20;
    images.push_back(stripes);
    for (const Bytes& image : images) {
      SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
      auto exact = exact_copy(image);
      Bytes code(12 + 8 * 4094);
      const short length = p_.CreateFPCode(exact.get(), s.width, s.height, code.data());
      EXPECT_GE(length, 12);
      EXPECT_EQ((length - 12) % 8, 0);
      EXPECT_NE(p_.GetOutPointer(), nullptr);
      short counter = 0;
      Bytes stored(tf::kTemplateSize);
      EXPECT_EQ(p_.CreateTemplate(exact.get(), s.width, s.height, stored.data(), counter), 0);
    }
  }
}

}  // namespace
