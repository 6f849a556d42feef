// Golden digests of the chain on real scans, at the stage boundaries after the skeleton:
// the minutiae (with kind and direction point), their pair relations, the FP code and an
// enrolled template. Templates and codes made by one installation are scored by another,
// so a change that moves, adds or drops a single minutia, or alters one relation, must
// fail here. The skeleton itself has its own digests.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ProcTemp.h"
#include "recognition/enhancement.h"
#include "recognition/extraction.h"
#include "recognition/pair_geometry.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

using namespace recognition;
using test_images::centred_window;
using test_images::GreyImage;
using test_images::scan;

// FNV-1a, 64 bits.
class Digest {
 public:
  void add(std::int64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      state_ = (state_ ^ static_cast<std::uint8_t>(value >> (8 * i))) * 0x100000001B3ull;
    }
  }
  std::uint64_t value() const { return state_; }

 private:
  std::uint64_t state_ = 0xCBF29CE484222325ull;
};

struct Golden {
  const char* set;
  int finger;
  int impression;
  int width;
  int height;
  std::size_t minutiae;
  std::uint64_t minutiae_digest;
  std::uint64_t relations_digest;
  std::uint64_t code_digest;
};

// One of each terminal geometry and both sensors.
constexpr Golden kGolden[] = {
    {"fvc2002-db2b", 101, 1, 300, 256, 26, 0x3d0d381df3037c7f, 0xd1a236b7d22b1f70,
     0x6571587cbd97d611},
    {"fvc2002-db2b", 103, 5, 440, 280, 16, 0xf7b6ec80f1ad9380, 0x3633b7002d2f6119,
     0x40a5694ec6285345},
    {"fvc2002-db3b", 102, 3, 384, 256, 41, 0xc49e8ae4b74049f0, 0x84e5d515558652fd,
     0x01085e265c98d83a},
    {"fvc2002-db3b", 103, 8, 300, 256, 21, 0x29fc5ae041d14802, 0xddc42414b789ee8d,
     0x0975d83fc4b2a58a},
};

TEST(ChainDigest, MinutiaeRelationsAndFpCodesOfRealScans) {
  for (const Golden& g : kGolden) {
    SCOPED_TRACE(testing::Message() << g.set << ' ' << g.finger << '_' << g.impression << ' '
                                    << g.width << " x " << g.height);
    GreyImage image = centred_window(scan(g.set, g.finger, g.impression), g.width, g.height);
    std::vector<std::uint8_t> skeleton(image.pixels.size());
    RidgeEnhancer enhancer(0);
    ASSERT_TRUE(enhancer.set_up(g.width, g.height, 16, 3.0));
    std::vector<std::uint8_t> input = image.pixels;
    enhancer.enhance(input.data(), skeleton.data());
    enhancer.release();

    MinutiaSet set;
    set.width = static_cast<std::int16_t>(g.width);
    set.height = static_cast<std::int16_t>(g.height);
    set.image = skeleton.data();
    ASSERT_TRUE(extract_minutiae(set));
    Digest minutiae;
    for (const Minutia& m : set.minutiae) {
      for (const std::int32_t v : {m.x, m.y, static_cast<std::int32_t>(m.kind), m.x2, m.y2})
        minutiae.add(v, 4);
    }
    Digest relations;
    const NodeList nodes =
        build_relations(set.minutiae.data(), static_cast<int>(set.minutiae.size()), false);
    for (const PairRelation& r : nodes.relations) {
      relations.add(r.distance, 2);
      relations.add(r.angle_here, 2);
      relations.add(r.angle_there, 2);
      relations.add(r.other, 2);
    }

    ProcTemp p(0, 40);
    std::vector<unsigned char> code(12 + 8 * set.minutiae.size() + 8);
    const short length = p.CreateFPCode(image.pixels.data(), g.width, g.height, code.data());
    ASSERT_EQ(length, static_cast<short>(12 + 8 * set.minutiae.size()));
    Digest fp_code;
    for (short i = 0; i < length; ++i) fp_code.add(code[i], 1);

    EXPECT_EQ(set.minutiae.size(), g.minutiae);
    EXPECT_EQ(minutiae.value(), g.minutiae_digest) << std::hex << "0x" << minutiae.value();
    EXPECT_EQ(relations.value(), g.relations_digest) << std::hex << "0x" << relations.value();
    EXPECT_EQ(fp_code.value(), g.code_digest) << std::hex << "0x" << fp_code.value();
  }
}

TEST(ChainDigest, EnrolledTemplate) {
  ProcTemp p(0, 40);
  const test_images::Enrolment e = test_images::enrol(p, "fvc2002-db3b", 101);
  ASSERT_EQ(e.result, 1);
  Digest digest;
  for (unsigned char b : e.stored) digest.add(b, 1);
  EXPECT_EQ(e.images, 5);
  EXPECT_EQ(digest.value(), 0x7499ebd45d041d3dull) << std::hex << "0x" << digest.value();
}

}  // namespace
