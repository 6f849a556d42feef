// Skeletons of real scans, pinned by digest: templates and codes made on one installation
// are scored on another, so a change that moves a single skeleton pixel must fail here.
// When a change is meant to alter the skeletons, the new digests are printed on failure.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "recognition/enhancement.h"
#include "tests/support/fingerprint_images.h"

namespace recognition {
namespace {

using Pixels = std::vector<std::uint8_t>;

std::uint64_t fnv1a64(const Pixels& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::uint8_t b : bytes) {
    hash ^= b;
    hash *= 1099511628211ull;
  }
  return hash;
}

struct Scan {
  const char* set;
  int finger;
  int impression;
  int width;  // of the centred window; 0 for the whole scan
  int height;
  std::int16_t image_type;
  double segmentation_divisor;  // the one the image type gets
  std::uint64_t digest;
};

const Scan kScans[] = {
    {"fvc2002-db2b", 101, 1, 0, 0, 1, 5.0, 0xd2cf09bce12b1f7d},
    {"fvc2002-db3b", 101, 1, 0, 0, 1, 5.0, 0x006f1d076b837273},
    {"fvc2002-db3b", 102, 2, 300, 256, 1, 5.0, 0x832979afe8fe8a0f},
    {"fvc2002-db2b", 102, 1, 384, 256, 1, 5.0, 0x5e90324cadc95ce1},
    {"fvc2002-db3b", 103, 1, 440, 280, 1, 5.0, 0x0e93ad4ae22606ce},
    {"fvc2002-db2b", 103, 3, 300, 256, 2, 3.0, 0xb9964fbea5cb2db0},
    {"fvc2002-db3b", 101, 5, 384, 256, 3, 3.0, 0x174e35e08076baf1},
    {"fvc2002-db2b", 101, 4, 440, 280, 4, 7.0, 0x952cca3708841f5a},
};

std::string name(const Scan& scan) {
  char text[96];
  std::snprintf(text, sizeof text, "%s %d_%d %dx%d type %d", scan.set, scan.finger, scan.impression,
                scan.width, scan.height, scan.image_type);
  return text;
}

test_images::GreyImage image_of(const Scan& scan) {
  const test_images::GreyImage whole = test_images::scan(scan.set, scan.finger, scan.impression);
  if (scan.width == 0) return whole;
  return test_images::centred_window(whole, scan.width, scan.height);
}

Pixels skeleton_of(RidgeEnhancer& enhancer, const Scan& scan, const test_images::GreyImage& image) {
  Pixels input = image.pixels;
  Pixels skeleton(input.size());
  if (!enhancer.set_up(image.width, image.height, 16, scan.segmentation_divisor)) return {};
  enhancer.enhance(input.data(), skeleton.data());
  enhancer.release();
  EXPECT_EQ(input, image.pixels) << name(scan) << ": the image is only read";
  return skeleton;
}

void PrintTo(const Scan& scan, std::ostream* out) { *out << name(scan); }

class SkeletonDigest : public testing::TestWithParam<Scan> {
 protected:
  void SetUp() override {
    image = image_of(GetParam());
    ASSERT_FALSE(image.pixels.empty()) << name(GetParam());
    RidgeEnhancer enhancer(GetParam().image_type);
    skeleton = skeleton_of(enhancer, GetParam(), image);
    ASSERT_EQ(skeleton.size(), image.pixels.size());
  }
  test_images::GreyImage image;
  Pixels skeleton;
};

TEST_P(SkeletonDigest, MatchesTheRecordedSkeleton) {
  EXPECT_EQ(fnv1a64(skeleton), GetParam().digest)
      << name(GetParam()) << ": digest 0x" << std::hex << fnv1a64(skeleton);
}

TEST_P(SkeletonDigest, IsABinarySkeletonOnePixelWide) {
  const Scan& scan = GetParam();
  const int width = image.width;
  const auto set = [&](int x, int y) {
    return x < width && y < image.height && skeleton[y * width + x] != 0;
  };
  int ridge_pixels = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t p = skeleton[y * width + x];
      ASSERT_TRUE(p == 0 || p == 255) << name(scan) << " at " << x << "," << y;
      ridge_pixels += p != 0 ? 1 : 0;
      // No ridge two pixels thick over three: a 2 x 2 square is left only where four
      // branches meet and each of its pixels holds one of them.
      const bool square = set(x, y) && set(x + 1, y) && set(x, y + 1) && set(x + 1, y + 1);
      ASSERT_FALSE(square &&
                   ((set(x + 2, y) && set(x + 2, y + 1)) || (set(x, y + 2) && set(x + 1, y + 2))))
          << name(scan) << " at " << x << "," << y;
    }
  }
  EXPECT_GT(ridge_pixels, image.width * image.height / 50) << name(scan);
}

INSTANTIATE_TEST_SUITE_P(RealScans, SkeletonDigest, testing::ValuesIn(kScans));

TEST(SkeletonBackground, WhiteMarginOfAWideWindowStaysEmpty) {
  // A 296-pixel-wide scan in a 384-pixel window: 44 columns of white on either side.
  const Scan& scan = kScans[3];
  const test_images::GreyImage image = image_of(scan);
  ASSERT_EQ(image.width, 384);
  RidgeEnhancer enhancer(scan.image_type);
  const Pixels skeleton = skeleton_of(enhancer, scan, image);
  ASSERT_EQ(skeleton.size(), image.pixels.size());
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (x < 32 || x >= 352) {
        ASSERT_EQ(skeleton[y * image.width + x], 0) << x << "," << y;
      }
    }
  }
}

TEST(SkeletonThreads, EnhancersOnTwoThreadsGiveTheSameSkeletons) {
  const Scan& first = kScans[2];
  const Scan& second = kScans[3];
  const test_images::GreyImage first_image = image_of(first);
  const test_images::GreyImage second_image = image_of(second);
  RidgeEnhancer alone(1);
  const Pixels first_expected = skeleton_of(alone, first, first_image);
  const Pixels second_expected = skeleton_of(alone, second, second_image);

  constexpr int kRounds = 2;
  std::vector<Pixels> first_results(kRounds), second_results(kRounds);
  const auto run = [](const Scan& scan, const test_images::GreyImage& image,
                      std::vector<Pixels>& results) {
    RidgeEnhancer enhancer(scan.image_type);
    for (Pixels& result : results) result = skeleton_of(enhancer, scan, image);
  };
  std::thread a(run, std::cref(first), std::cref(first_image), std::ref(first_results));
  std::thread b(run, std::cref(second), std::cref(second_image), std::ref(second_results));
  a.join();
  b.join();
  for (int round = 0; round < kRounds; ++round) {
    EXPECT_EQ(first_results[round], first_expected) << "round " << round;
    EXPECT_EQ(second_results[round], second_expected) << "round " << round;
  }
}

}  // namespace
}  // namespace recognition
