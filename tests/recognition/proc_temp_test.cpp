// The exported class, through libPendra.so: calling orders, status codes, the stored
// formats, and the whole chain on real scans.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "ProcTemp.h"
#include "recognition/template_format.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

namespace tf = recognition::template_format;
using test_images::centred_window;
using test_images::enrol;
using test_images::Enrolment;
using test_images::GreyImage;
using test_images::scan;

using Bytes = std::vector<unsigned char>;

constexpr short kImageType = 0;
constexpr short kThreshold = 40;
constexpr int kWidth = 300;  // the smallest terminal image
constexpr int kHeight = 256;

GreyImage terminal_image(const char* set, int finger, int impression) {
  return centred_window(scan(set, finger, impression), kWidth, kHeight);
}

// A template whose body is all `fill` and whose percentage bytes are `percentages`.
Bytes stored_template(const std::array<int, 12>& percentages, unsigned char fill = 7) {
  Bytes t(tf::kTemplateSize, fill);
  for (int i = 0; i < 12; ++i)
    t[tf::kHeaderSize + i * tf::kRecordSize] = static_cast<unsigned char>(percentages[i]);
  tf::write_header(t.data(), tf::kBodyLength);
  return t;
}

TEST(TemplateQueries, LengthAndQualityOfStoredTemplates) {
  const std::array<int, 12> mixed = {100, 100, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    short length;
    short quality;
  };
  const Case cases[] = {
      {"valid", [](Bytes&) {}, 828, 58},
      {"reserved bytes", [](Bytes& t) { t[5] = t[10] = t[11] = 9; }, 828, 58},
      {"version 2", [](Bytes& t) { t[4] = 2; }, -3, -5},
      {"11 records", [](Bytes& t) { t[9] = 11; }, -3, -4},
      {"a body byte", [](Bytes& t) { t[500] ^= 4; }, -3, -3},
      {"body length 900", [](Bytes& t) { byte_order::store_le16(t.data() + 6, 900); }, -3, -3},
      {"body length 0 with its CRC", [](Bytes& t) { tf::write_header(t.data(), 0); }, -3, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes t = stored_template(mixed);
    c.change(t);
    const Bytes before = t;
    ProcTemp p(kImageType, kThreshold);
    EXPECT_EQ(p.GetLengthTemplate(t.data()), c.length);
    EXPECT_EQ(p.GetQualityTemplate(t.data()), c.quality);
    EXPECT_EQ(t, before);  // templates are never written
  }
  ProcTemp p(kImageType, kThreshold);
  Bytes full = stored_template({100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
  EXPECT_EQ(p.GetQualityTemplate(full.data()), 100);
  EXPECT_EQ(p.GetLengthTemplate(nullptr), -3);
  EXPECT_EQ(p.status, -3);
}

TEST(Arguments, ImagesOutsideTheDesignAreRefusedBeforeAnyWork) {
  GreyImage image = terminal_image("fvc2002-db3b", 101, 1);
  Bytes stored = stored_template({});
  Bytes out(tf::kTemplateSize + 8 * 5000, 0xEE);
  struct Geometry {
    unsigned char* pixels;
    int width;
    int height;
  };
  const Geometry refused[] = {{nullptr, 300, 256},
                              {image.pixels.data(), 15, 256},
                              {image.pixels.data(), 300, 15},
                              {image.pixels.data(), 4097, 16},
                              {image.pixels.data(), 16, 4097},
                              {image.pixels.data(), -300, 256},
                              {image.pixels.data(), 0, 0}};
  ProcTemp p(kImageType, kThreshold);
  for (const Geometry& g : refused) {
    SCOPED_TRACE(testing::Message() << g.width << " x " << g.height);
    short counter = 0;
    EXPECT_EQ(p.CreateTemplate(g.pixels, g.width, g.height, out.data(), counter), -2);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(p.CreateFPCode(g.pixels, g.width, g.height, out.data()), -2);
    EXPECT_EQ(p.Verify(g.pixels, g.width, g.height, stored.data()), -2);
    EXPECT_EQ(p.IdentifyInit(g.pixels, g.width, g.height), -2);
    EXPECT_EQ(p.status, -2);
    EXPECT_EQ(p.GetOutPointer(), nullptr);
    EXPECT_EQ(out, Bytes(out.size(), 0xEE));
  }
  short counter = 0;
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, nullptr, counter), -2);
  EXPECT_EQ(p.CreateFPCode(image.pixels.data(), kWidth, kHeight, nullptr), -2);
  EXPECT_EQ(p.Verify(image.pixels.data(), kWidth, kHeight, nullptr), -3);
  EXPECT_EQ(p.VerifyFPCode(out.data(), nullptr), -3);
  EXPECT_EQ(p.VerifyFPCode(nullptr, stored.data()), -4);
}

TEST(CallingOrder, ContinuingWithoutAnEnrolmentOrIdentificationTouchesNothing) {
  GreyImage image = terminal_image("fvc2002-db3b", 101, 1);
  Bytes out(tf::kTemplateSize, 0xEE);
  Bytes stored = stored_template({});
  ProcTemp p(kImageType, kThreshold);
  short counter = 3;
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, out.data(), counter), -6);
  EXPECT_EQ(counter, 3);
  EXPECT_EQ(p.IdentifyFind(stored.data()), -7);
  EXPECT_EQ(p.status, -7);
  EXPECT_EQ(p.GetOutPointer(), nullptr);

  // Another method's working set ends an enrolment, and a new identification image ends
  // the old identification even when it is refused.
  counter = 0;
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, out.data(), counter), 0);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(p.IdentifyInit(image.pixels.data(), kWidth, kHeight), 0);
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, out.data(), counter), -6);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(p.IdentifyFind(stored.data()), 0);
  EXPECT_EQ(p.IdentifyInit(image.pixels.data(), 8, 8), -2);
  EXPECT_EQ(p.IdentifyFind(stored.data()), -7);
  EXPECT_EQ(out, Bytes(out.size(), 0xEE));
}

TEST(CallingOrder, ACorruptTemplateIsRejectedWithoutProcessingTheImage) {
  GreyImage image = terminal_image("fvc2002-db3b", 101, 1);
  Bytes stored = stored_template({});
  stored[20] ^= 1;
  ProcTemp p(kImageType, kThreshold);
  EXPECT_EQ(p.Verify(image.pixels.data(), kWidth, kHeight, stored.data()), -3);
  EXPECT_EQ(p.GetOutPointer(), nullptr);
  EXPECT_EQ(p.IdentifyInit(image.pixels.data(), kWidth, kHeight), 0);
  EXPECT_NE(p.GetOutPointer(), nullptr);
  EXPECT_EQ(p.IdentifyFind(stored.data()), -3);
}

TEST(Enrolment, TheThirdCompleteTemplateEndsIt) {
  // The same image over and over: from the second on, every image completes a template.
  GreyImage image = terminal_image("fvc2002-db3b", 102, 2);
  ProcTemp p(kImageType, kThreshold);
  Bytes stored(tf::kTemplateSize, 0);
  short counter = 0;
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, stored.data(), counter), 0);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(p.GetLengthTemplate(stored.data()), -3);  // nothing written yet
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, stored.data(), counter), 0);
  EXPECT_EQ(p.GetLengthTemplate(stored.data()), 828);  // the template of the moment
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, stored.data(), counter), 0);
  EXPECT_EQ(p.CreateTemplate(image.pixels.data(), kWidth, kHeight, stored.data(), counter), 1);
  EXPECT_EQ(counter, 4);
  EXPECT_EQ(p.GetQualityTemplate(stored.data()), 100);  // every row seen in all four
  EXPECT_EQ(p.Verify(image.pixels.data(), kWidth, kHeight, stored.data()), 100);
}

// An enrolment that never completes keeps every image; at the 16-bit limit of its image
// count it must refuse the next one, not wrap the count and read before the working set.
TEST(Enrolment, AWorkingSetFullOfImagesRefusesTheNext) {
  const Bytes blank(std::size_t{16} * 16, 255);  // no finger: completes nothing, costs little
  Bytes image = blank;
  ProcTemp p(kImageType, kThreshold);
  Bytes stored(tf::kTemplateSize, 0xA5);
  short counter = 0;
  for (int i = 0; i < 32767; ++i) {
    ASSERT_EQ(p.CreateTemplate(image.data(), 16, 16, stored.data(), counter), 0) << "image " << i;
  }
  EXPECT_EQ(counter, 32767);
  EXPECT_EQ(p.CreateTemplate(image.data(), 16, 16, stored.data(), counter),
            pendra::kWorkingSetFull);
  EXPECT_EQ(p.status, pendra::kWorkingSetFull);
  EXPECT_EQ(counter, 32767);
  EXPECT_EQ(stored, Bytes(tf::kTemplateSize, 0xA5));
  EXPECT_EQ(image, blank);

  // A new enrolment on the same object starts from an empty working set.
  EXPECT_EQ(enrol(p, "fvc2002-db3b", 101).result, 1);
}

TEST(Enrolment, TemplateBytesAsStored) {
  ProcTemp p(kImageType, kThreshold);
  const Enrolment e = enrol(p, "fvc2002-db3b", 101);
  ASSERT_EQ(e.result, 1);
  const Bytes& t = e.stored;
  EXPECT_EQ(byte_order::load_le32(t.data()), tf::crc(t.data() + 12, 816));
  const Bytes header = {1, 0, 0x30, 0x03, 0, 12, 0, 0};
  EXPECT_EQ(Bytes(t.begin() + 4, t.begin() + 12), header);
  int percentage_sum = 0;
  for (std::size_t r = 0; r < 12; ++r) {
    SCOPED_TRACE(testing::Message() << "record " << r);
    const unsigned char* record = t.data() + 12 + r * 68;
    EXPECT_LE(record[0], 100);
    EXPECT_GE(record[0], 200 / e.images);  // seen in two images at least
    percentage_sum += record[0];
    EXPECT_TRUE(record[1] == 1 || record[1] == 3);
    for (std::size_t j = 0; j < 11; ++j) {
      const unsigned char* relation = record + 2 + 6 * j;
      EXPECT_GE(static_cast<std::int16_t>(byte_order::load_le16(relation)), 0);
      for (std::size_t a = 1; a <= 2; ++a) {
        const auto degrees = static_cast<std::int16_t>(byte_order::load_le16(relation + 2 * a));
        EXPECT_TRUE(degrees >= 1 && degrees <= 360) << degrees;
      }
    }
  }
  EXPECT_EQ(p.GetQualityTemplate(const_cast<unsigned char*>(t.data())), percentage_sum / 12);
}

// Each set's fingers 101..103 are enrolled from impressions 1..5 (a finger whose images
// give no template is left out), and impressions 6..8 of every finger are scored against
// all templates, by identification and by verification.
class RealScans : public ::testing::TestWithParam<const char*> {};

TEST_P(RealScans, SameFingerScoresStandAboveOtherFingers) {
  ProcTemp p(kImageType, kThreshold);
  struct Candidate {
    int finger;
    Bytes stored;
  };
  std::vector<Candidate> gallery;
  for (int finger : test_images::kFingers) {
    Enrolment e = enrol(p, GetParam(), finger);
    if (e.result == 1) gallery.push_back({finger, std::move(e.stored)});
  }
  ASSERT_GE(gallery.size(), 2u);
  int genuine = 0, impostor = 0, genuine_pairs = 0, impostor_pairs = 0, rank_one = 0, probes = 0;
  for (int finger : test_images::kFingers) {
    for (int impression = 6; impression <= 8; ++impression) {
      GreyImage image = terminal_image(GetParam(), finger, impression);
      ASSERT_EQ(p.IdentifyInit(image.pixels.data(), kWidth, kHeight), 0);
      int best = -1;
      int best_score = -1;
      std::vector<short> scores;
      for (Candidate& c : gallery) {
        const short score = p.IdentifyFind(c.stored.data());
        EXPECT_EQ(p.IdentifyFind(c.stored.data()), score);
        ASSERT_TRUE(score >= 0 && score <= 100) << score;
        scores.push_back(score);
        (c.finger == finger ? genuine : impostor) += score;
        ++(c.finger == finger ? genuine_pairs : impostor_pairs);
        if (score > best_score) {
          best = c.finger;
          best_score = score;
        }
      }
      for (Candidate& c : gallery) {
        if (c.finger != finger) continue;
        rank_one += best == finger ? 1 : 0;
        ++probes;
      }
      // Verification of a pair gives its identification score.
      if (impression == 6) {
        EXPECT_EQ(p.Verify(image.pixels.data(), kWidth, kHeight, gallery.front().stored.data()),
                  scores.front());
      }
    }
  }
  const double genuine_mean = static_cast<double>(genuine) / genuine_pairs;
  const double impostor_mean = static_cast<double>(impostor) / impostor_pairs;
  EXPECT_GT(genuine_mean, impostor_mean + 20) << genuine_mean << " vs " << impostor_mean;
  EXPECT_GE(rank_one * 3, probes * 2) << rank_one << " of " << probes;
}

INSTANTIATE_TEST_SUITE_P(BothSensors, RealScans, ::testing::ValuesIn(test_images::kSets));

TEST(FpCode, CodeOfARealImageAndItsComparison) {
  ProcTemp p(kImageType, kThreshold);
  const Enrolment e = enrol(p, "fvc2002-db2b", 101);
  ASSERT_EQ(e.result, 1);
  GreyImage image = terminal_image("fvc2002-db2b", 101, 7);
  Bytes code(12 + 8 * 4094);
  const short length = p.CreateFPCode(image.pixels.data(), kWidth, kHeight, code.data());
  ASSERT_GE(length, 12);
  EXPECT_EQ(p.status, length);
  EXPECT_EQ(byte_order::load_le16(code.data() + 6), length);
  EXPECT_EQ(byte_order::load_le16(code.data() + 8) * 8 + 12, length);
  EXPECT_EQ(byte_order::load_le32(code.data()),
            tf::crc(code.data() + 4, static_cast<std::size_t>(length - 4)));
  // The records are the minutiae marked 200 in the skeleton.
  const unsigned char* skeleton = p.GetOutPointer();
  ASSERT_NE(skeleton, nullptr);
  for (std::size_t i = 0; i < static_cast<std::size_t>(length - 12) / 8; ++i) {
    const int x = byte_order::load_le16(code.data() + 12 + 8 * i);
    const int y = byte_order::load_le16(code.data() + 14 + 8 * i);
    EXPECT_EQ(skeleton[static_cast<std::size_t>(y) * kWidth + x], 200) << "minutia " << i;
  }
  const short score = p.VerifyFPCode(code.data(), const_cast<unsigned char*>(e.stored.data()));
  EXPECT_GE(score, 0);
  EXPECT_LE(score, 100);
  EXPECT_EQ(p.GetOutPointer(), nullptr);  // a code brings no image

  for (std::size_t offset :
       {std::size_t{0}, std::size_t{4}, std::size_t{7}, static_cast<std::size_t>(length - 1)}) {
    Bytes changed(code.begin(), code.begin() + length);
    changed[offset] ^= 0x10;
    EXPECT_EQ(p.VerifyFPCode(changed.data(), const_cast<unsigned char*>(e.stored.data())), -4)
        << offset;
  }
}

TEST(FpCode, AnImageWithoutMinutiaeGivesAnEmptyCodeThatScoresZero) {
  Bytes white(static_cast<std::size_t>(kWidth) * kHeight, 255);
  Bytes code(12 + 8 * 4094, 0xEE);
  ProcTemp p(kImageType, kThreshold);
  ASSERT_EQ(p.CreateFPCode(white.data(), kWidth, kHeight, code.data()), 12);
  const Bytes header = {1, 0, 12, 0, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(code.begin() + 4, code.begin() + 12), header);
  EXPECT_EQ(code[12], 0xEE);
  Bytes stored = stored_template({});
  EXPECT_EQ(p.VerifyFPCode(code.data(), stored.data()), 0);
}

}  // namespace
