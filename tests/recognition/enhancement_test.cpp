// The enhancement stages on hand-made fixtures that pin their arithmetic: truncations,
// scan orders and in-place updates.
#include "recognition/enhancement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "recognition/angle_table.h"
#include "recognition/enhancement_stages.h"

namespace recognition::enhancement {
namespace {

using Pixels = std::vector<std::uint8_t>;

// Owns the arrays behind a BlockField; every block starts in the finger with frequency 0.
struct Grid {
  Grid(int columns, int rows)
      : columns(columns),
        rows(rows),
        mask(count(), 1),
        orientation(count()),
        frequency(count()),
        cos2(count()),
        sin2(count()),
        previous(count()) {}
  int count() const { return columns * rows; }
  BlockField field() {
    return {columns,          rows,        mask.data(), orientation.data(),
            frequency.data(), cos2.data(), sin2.data(), previous.data()};
  }
  std::uint8_t& mask_at(int column, int row) { return mask[row * columns + column]; }

  int columns;
  int rows;
  std::vector<std::uint8_t> mask;
  std::vector<std::int32_t> orientation;
  std::vector<std::int32_t> frequency;
  std::vector<double> cos2;
  std::vector<double> sin2;
  std::vector<std::int32_t> previous;
};

// An image whose pixel (x, y) is value(x, y).
template <typename Value>
Pixels picture(int width, int height, Value value) {
  Pixels pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels[y * width + x] = static_cast<std::uint8_t>(value(x, y));
  }
  return pixels;
}

TEST(AngleTable, HoldsTruncatedCosinesOfWholeDegrees) {
  for (int k = 0; k <= 90; ++k) {
    EXPECT_EQ(angle::kCosine1024[k],
              static_cast<std::int32_t>(1024 * std::cos(k * std::numbers::pi / 180)))
        << k << " degrees";
  }
}

TEST(AngleTable, SineIsTheComplementNegatedForNegativeOrientations) {
  struct Case {
    int degrees;
    std::int32_t co;
    std::int32_t si;
  };
  const Case cases[] = {{0, 1024, 0},   {90, 0, 1024},    {-90, 0, -1024},
                        {30, 886, 512}, {-30, 886, -512}, {-89, 17, -1023}};
  for (const Case& c : cases) {
    const angle::Rotation r = angle::rotation(c.degrees);
    EXPECT_EQ(r.co, c.co) << c.degrees;
    EXPECT_EQ(r.si, c.si) << c.degrees;
  }
}

TEST(ContrastStretch, SpreadsTheGreyRangeOverFullScaleTruncating) {
  const Pixels image = {10, 15, 20, 11};
  Pixels out(image.size());
  stretch_contrast(image.data(), out.data(), image.size());
  EXPECT_EQ(out, (Pixels{0, 127, 255, 25}));
}

TEST(ContrastStretch, ImageOfOneGreyValueIsPassedOnUnchanged) {
  const Pixels image(6, 7);
  Pixels out(image.size(), 99);
  stretch_contrast(image.data(), out.data(), image.size());
  EXPECT_EQ(out, image);
}

TEST(Orientation, UniformAreaHasNoGradientAndLeavesTheFinger) {
  const Pixels flat(std::size_t{64} * 64, 90);
  Grid grid(4, 4);
  BlockField blocks = grid.field();
  estimate_orientation({flat.data(), 64, 64}, blocks);
  EXPECT_EQ(grid.mask, std::vector<std::uint8_t>(16, 0));
}

TEST(Orientation, RidgesRunningDownAndAcrossGiveNinetyAndZeroDegrees) {
  // Vertical ridges (grey value varying along x) and horizontal ones.
  const auto wave = [](int t) { return (t / 3) % 2 == 0 ? 40 : 200; };
  struct Case {
    Pixels image;
    std::int32_t expected;
  };
  const Case cases[] = {{picture(64, 64, [&](int x, int) { return wave(x); }), 90},
                        {picture(64, 64, [&](int, int y) { return wave(y); }), 0}};
  for (const Case& c : cases) {
    Grid grid(4, 4);
    BlockField blocks = grid.field();
    estimate_orientation({c.image.data(), 64, 64}, blocks);
    EXPECT_EQ(grid.mask, std::vector<std::uint8_t>(16, 1));
    EXPECT_EQ(grid.orientation, std::vector<std::int32_t>(16, c.expected));
  }
}

TEST(Orientation, NeighbourhoodIsSummedColumnByColumn) {
  // Doubled angles around 60 degrees whose sum points at 60 degrees to within rounding:
  // summed column by column the orientation truncates to 29, row by row to 30.
  Grid grid(5, 5);
  grid.cos2 = {0.7800899280108246,  -0.0190081261677773, 0.6044694003052233,   0.12923292548870377,
               0.43998269413048136, 0.9200791464389806,  0.8524981508028269,   0.7004521862955567,
               0.7941466816832741,  0.38766569705772663, 0.09132114721187848,  0.176112757153315,
               0.8753730014080974,  0.5577048800371303,  0.6419457597872594,   0.34305214306737924,
               0.19724543101033823, 0.15179890480003064, 0.7503888744976761,   -0.12078926265797021,
               0.7644330480885023,  0.26785565794614546, 0.026448590992307345, 0.8167461379019952,
               0.5000000000000001};
  grid.sin2 = {0.6256674070271413,  0.9998193292488348,  0.7966283600868372, 0.9916142652108385,
               0.8980062521306204,  0.39173251625071537, 0.5227302391078602, 0.7136993307505443,
               0.6077261290840181,  0.9218000365180872,  0.9958214940800919, 0.9843699999328797,
               0.48344814448478257, 0.8300393164078255,  0.766750051510372,  0.9393163615826556,
               0.9803541400665098,  0.9884113984073186,  0.6609966240686187, 0.9926781724338175,
               0.6447031215917304,  0.9634590528435745,  0.9996501748284354, 0.5769971804282712,
               0.8660254037844386};
  BlockField blocks = grid.field();
  smooth_orientation(blocks);
  EXPECT_EQ(grid.orientation[2 * 5 + 2], 29);
}

TEST(Orientation, SmoothingReachesTwoBlocksAndClearsInPlace) {
  // Blocks 0 and 1 point in opposite directions: block 0's neighbourhood cancels and it
  // leaves the finger; block 1, judged after it, then sees only itself.
  Grid grid(6, 1);
  grid.mask = {1, 1, 0, 0, 0, 0};
  grid.cos2 = {1.0, -1.0, 0, 0, 0, 0};
  grid.orientation.assign(6, 77);
  BlockField blocks = grid.field();
  smooth_orientation(blocks);
  EXPECT_EQ(grid.mask, (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(grid.orientation, (std::vector<std::int32_t>{77, 90, 90, 90, 77, 77}));
}

TEST(RidgeSampling, SamplesAcrossTheRidgesAlongTheOrientation) {
  // Orientation 0 samples rows from 16 below the centre upward, orientation 90 columns
  // from 16 left of it rightward; each sample averages 16 pixels along the ridge.
  const Pixels rows = picture(64, 64, [](int, int y) { return y; });
  const Pixels columns = picture(64, 64, [](int x, int) { return x; });
  const RidgeSamples across_rows = sample_across_ridges({rows.data(), 64, 64}, 1, 1, 0);
  const RidgeSamples across_columns = sample_across_ridges({columns.data(), 64, 64}, 1, 1, 90);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(across_rows[i], 40 - i) << i;
    EXPECT_EQ(across_columns[i], 8 + i) << i;
  }
}

TEST(RidgeSampling, PositionsOffTheImageCountAsBlack) {
  const Pixels grey(std::size_t{64} * 64, 160);
  const RidgeSamples samples = sample_across_ridges({grey.data(), 64, 64}, 0, 0, 0);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(samples[i], i <= 24 ? 160 : 0) << i;
}

// 32 samples of a square wave of half-period `half`, starting high.
RidgeSamples square_wave(int half) {
  RidgeSamples samples{};
  for (int i = 0; i < 32; ++i) samples[i] = (i / half) % 2 == 0 ? 200 : 50;
  return samples;
}

RidgeSamples samples_of(std::initializer_list<std::int32_t> first, std::int32_t rest) {
  RidgeSamples samples{};
  samples.fill(rest);
  std::copy(first.begin(), first.end(), samples.begin());
  return samples;
}

TEST(CrossingFrequency, CountsMeanCrossingsPerSampleTimes512) {
  struct Case {
    const char* name;
    RidgeSamples samples;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"crossings at 4, 8, ..., 28", square_wave(4), 7 * 512 / 28},
      {"crossings at 2, 4, ..., 30", square_wave(2), 15 * 512 / 30},
      {"period 24, the longest kept", square_wave(12), 2 * 512 / 24},
      {"period 26, too long", square_wave(13), -1},
      {"crossing every sample, too short", square_wave(1), -1},
      {"crossings at 2 and 3 give 341, the highest kept", samples_of({200, 200, 50}, 200), 341},
      {"crossings at 2 to 5 give 409, too high", samples_of({200, 200, 50, 200, 50}, 200), -1},
      // Sample 0 equals the truncated mean and counts as a crossing; nothing crosses after.
      {"last crossing at sample 0", samples_of({10}, 11), -1},
      {"all equal: every sample meets the mean", samples_of({}, 77), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(crossing_frequency(c.samples), c.expected) << c.name;
}

TEST(FrequencyGaps, FilledRowByRowInPlaceFromWeightedNeighbours) {
  // Filled blocks lend their value to the blocks after them: not in place, the last two
  // would be 150 and 151.
  Grid grid(5, 1);
  grid.frequency = {100, -1, -1, -1, 200};
  BlockField blocks = grid.field();
  fill_frequency_gaps(blocks);
  EXPECT_EQ(grid.frequency, (std::vector<std::int32_t>{100, 148, 149, 149, 200}));
}

TEST(FrequencyGaps, NormalisedWeightsAreSummedRowByRow) {
  // Nineteen neighbours of frequency 41 around an unknown block: their weighted mean is 41
  // only with the weights normalised and summed row by row; unnormalised or column by
  // column it rounds below 41 and truncates to 40.
  const std::pair<int, int> neighbours[] = {
      {-3, -3}, {-1, -2}, {0, -2}, {-3, -1}, {-1, -1}, {0, -1}, {1, -1}, {-3, 0}, {-2, 0}, {1, 0},
      {-2, 1},  {1, 1},   {2, 1},  {-3, 2},  {-2, 2},  {1, 2},  {-3, 3}, {1, 3},  {3, 3}};
  Grid grid(7, 7);
  grid.mask.assign(grid.count(), 0);
  grid.mask_at(3, 3) = 1;
  grid.frequency[3 * 7 + 3] = -1;
  for (const auto& [dx, dy] : neighbours) {
    grid.mask_at(3 + dx, 3 + dy) = 1;
    grid.frequency[(3 + dy) * 7 + 3 + dx] = 41;
  }
  BlockField blocks = grid.field();
  fill_frequency_gaps(blocks);
  EXPECT_EQ(grid.frequency[3 * 7 + 3], 41);
}

TEST(FrequencyGaps, OnlyFingerBlocksAreFilledAndOnlyFromFingerBlocks) {
  Grid grid(4, 1);
  grid.frequency = {100, -1, 300, -1};
  grid.mask = {1, 1, 0, 0};
  BlockField blocks = grid.field();
  fill_frequency_gaps(blocks);
  EXPECT_EQ(grid.frequency, (std::vector<std::int32_t>{100, 100, 300, -1}));
}

TEST(FrequencySmoothing, MeansTheOldValuesOfFingerBlocksTruncatingTowardZero) {
  struct Case {
    const char* name;
    std::vector<std::int32_t> frequency;
    std::vector<std::uint8_t> mask;
    std::vector<std::int32_t> expected;
    std::vector<std::uint8_t> expected_mask;
  };
  const Case cases[] = {
      {"unknown values take part", {-1, 100, 100}, {1, 1, 1}, {66, 66, 66}, {1, 1, 1}},
      {"-2 / 3 truncates to 0", {-1, -1, 0}, {1, 1, 1}, {0, 0, 0}, {1, 1, 1}},
      {"background blocks are smoothed but do not count",
       {90, 7, 7, 7, 7, 7, 7, 7, 30},
       {1, 0, 0, 0, 0, 0, 0, 0, 1},
       {90, 90, 90, 90, -1, 30, 30, 30, 30},
       {1, 0, 0, 0, 0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    Grid grid(static_cast<int>(c.frequency.size()), 1);
    grid.frequency = c.frequency;
    grid.mask = c.mask;
    BlockField blocks = grid.field();
    smooth_frequencies(blocks);
    EXPECT_EQ(grid.frequency, c.expected) << c.name;
    EXPECT_EQ(grid.mask, c.expected_mask) << c.name;
  }
}

// Fine texture (0 and 255 alternating per pixel) with flat grey blocks at `flat`.
Pixels textured_with_flat_blocks(int width, int height,
                                 std::initializer_list<std::pair<int, int>> flat) {
  Pixels image = picture(width, height, [](int x, int y) { return (x + y) % 2 == 0 ? 0 : 255; });
  for (const auto& [column, row] : flat) {
    for (int y = row * 16; y < row * 16 + 16; ++y) {
      for (int x = column * 16; x < column * 16 + 16; ++x) image[y * width + x] = 128;
    }
  }
  return image;
}

TEST(Segmentation, LowContrastIsClearedFromTheBorderInwardInScanOrder) {
  // 18 x 16 blocks, like a 300 x 256 image.
  const Pixels image = textured_with_flat_blocks(288, 256,
                                                 {{1, 8},   // in the second column
                                                  {17, 5},  // in the last column
                                                  {8, 8},   // alone inside
                                                  {0, 10},
                                                  {1, 10},
                                                  {2, 10},
                                                  {3, 10},
                                                  {4, 10},
                                                  {5, 10},  // a row from the left edge
                                                  {12, 11},
                                                  {12, 12},
                                                  {12, 13},
                                                  {12, 14},
                                                  {12, 15}});  // a column to the bottom edge
  Grid grid(18, 16);
  BlockField blocks = grid.field();
  segment_finger({image.data(), 288, 256}, blocks, 3.0);

  EXPECT_EQ(grid.mask_at(1, 8), 0);
  EXPECT_EQ(grid.mask_at(17, 5), 0);
  EXPECT_EQ(grid.mask_at(8, 8), 1);
  // Columns are scanned one after the other, so clearing spreads to the right...
  for (int column = 0; column <= 5; ++column) EXPECT_EQ(grid.mask_at(column, 10), 0) << column;
  EXPECT_EQ(grid.mask_at(6, 10), 1) << "a textured block keeps its mask";
  // ...but not upward within a column: each block is judged before the one below it.
  for (int row = 11; row <= 14; ++row) EXPECT_EQ(grid.mask_at(12, row), 1) << row;
  EXPECT_EQ(grid.mask_at(12, 15), 0);
}

TEST(Segmentation, LastColumnOfANarrowGridCountsAsBorder) {
  // With three block columns the border margin misses the last one; its low-contrast
  // block is cleared instead of looking past the grid for a neighbour.
  const Pixels image = textured_with_flat_blocks(48, 96, {{2, 3}});
  Grid grid(3, 6);
  BlockField blocks = grid.field();
  segment_finger({image.data(), 48, 96}, blocks, 3.0);
  EXPECT_EQ(grid.mask_at(2, 3), 0);
  EXPECT_EQ(grid.mask_at(2, 2), 1);
}

// A grey test image with some structure: rings, so that every stage has work to do.
Pixels rings(int width, int height) {
  return picture(width, height, [&](int x, int y) {
    const double r = std::hypot(x - width / 2.0, y - height / 2.0);
    return r > 100 ? 170 : 128 + 80 * std::cos(r * 0.8);
  });
}

// Kernel entry for the offset (x, y), x and y in -5..4.
std::int32_t tap(const GaborKernel& kernel, int x, int y) { return kernel[(y + 5) * 10 + x + 5]; }

TEST(GaborKernel, GaussianEnvelopeTimesCosineAcrossTheRidge) {
  const GaborKernel flat = gabor_kernel(0, 0);
  EXPECT_EQ(tap(flat, 0, 0), 1024);
  EXPECT_EQ(tap(flat, -5, 0), 468);
  EXPECT_EQ(tap(flat, 4, 4), 376);

  // Frequency 128: a period of 8 pixels across the ridge, along y at orientation 0 and
  // along x at 90. Half a period away the cosine is -1: -621.07 truncates to -621.
  const GaborKernel across_y = gabor_kernel(0, 128);
  EXPECT_EQ(tap(across_y, 0, 4), -621);
  EXPECT_EQ(tap(across_y, 0, 2), 0);
  EXPECT_EQ(tap(across_y, 0, -5), -331);
  const GaborKernel across_x = gabor_kernel(90, 128);
  EXPECT_EQ(tap(across_x, 4, 0), -621);
  EXPECT_EQ(tap(across_x, 0, 4), tap(flat, 0, 4));
}

TEST(GaborKernel, EveryTapMatchesItsFormula) {
  // The mirrored half of the kernel is copied, not computed: it must agree entry by entry.
  const int orientations[] = {-89, -45, -1, 0, 17, 60, 90};
  const std::int32_t frequencies[] = {-1, 41, 128, 341};
  for (const int o : orientations) {
    const angle::Rotation r = angle::rotation(o);
    for (const std::int32_t f : frequencies) {
      const GaborKernel kernel = gabor_kernel(o, f);
      for (int y = -5; y <= 4; ++y) {
        for (int x = -5; x <= 4; ++x) {
          const std::int32_t u = r.si * y + r.co * x;
          const std::int32_t v = r.co * y - r.si * x;
          const double g = std::exp(-(u * u + v * v) * 0.0625 * std::ldexp(1.0, -21)) *
                           std::cos(v * f * 5.991916186035097e-06);
          ASSERT_EQ(tap(kernel, x, y), static_cast<std::int32_t>(g * 1024))
              << "orientation " << o << " frequency " << f << " at " << x << "," << y;
        }
      }
    }
  }
}

// The Gabor filter summed tap by tap, the plain way.
Pixels direct_gabor(const Pixels& image, int width, int height, Grid& grid) {
  Pixels ridges(image.size(), 0);
  for (int row = 0; row < grid.rows; ++row) {
    for (int column = 0; column < grid.columns; ++column) {
      const int b = row * grid.columns + column;
      if (grid.mask[b] == 0) continue;
      const GaborKernel kernel = gabor_kernel(grid.orientation[b], grid.frequency[b]);
      std::vector<std::int32_t> response;
      std::int64_t total = 0;
      for (int py = row * 16; py < row * 16 + 16; ++py) {
        for (int px = column * 16; px < column * 16 + 16; ++px) {
          std::int32_t r = 0;
          for (int y = -5; y <= 4; ++y) {
            for (int x = -5; x <= 4; ++x) {
              if (px + x < 0 || px + x >= width || py + y < 0 || py + y >= height) continue;
              r += image[(py + y) * width + px + x] * tap(kernel, x, y);
            }
          }
          response.push_back(r);
          total += r;
        }
      }
      for (int i = 0; i < 256; ++i) {
        const int px = column * 16 + i % 16, py = row * 16 + i / 16;
        ridges[py * width + px] = response[i] > total / 256 ? 255 : 0;
      }
    }
  }
  return ridges;
}

TEST(GaborFilter, AgreesWithTheDirectSumOnGreyAndOnBinaryImages) {
  // Blocks at the edges and inside, each with its own orientation and frequency, on a grey
  // image and on a ridge image of 0 and 255 only.
  const int width = 96, height = 80;
  const Pixels grey = rings(width, height);
  Pixels binary = grey;
  for (std::uint8_t& v : binary) v = v > 128 ? 255 : 0;
  Grid grid(6, 5);
  for (int b = 0; b < grid.count(); ++b) {
    grid.orientation[b] = (b * 37) % 180 - 89;
    grid.frequency[b] = b == 7 ? -1 : 41 + (b * 53) % 301;
  }
  grid.mask[9] = 0;
  for (const Pixels* image : {&grey, static_cast<const Pixels*>(&binary)}) {
    Pixels ridges(image->size());
    filter_ridges({image->data(), width, height}, grid.field(), ridges.data());
    EXPECT_EQ(ridges, direct_gabor(*image, width, height, grid));
  }
}

TEST(GaborFilter, PixelsBeyondTheLastWholeBlockAndOfBackgroundBlocksAreZero) {
  // 280 x 300: 17 x 18 blocks, leaving 8 columns and 12 rows outside the grid.
  const int width = 280, height = 300;
  const Pixels image = picture(width, height, [](int, int y) { return y % 8 < 4 ? 30 : 220; });
  Grid grid(17, 18);
  grid.frequency.assign(grid.count(), 128);
  grid.mask_at(5, 5) = 0;
  Pixels ridges(image.size(), 7);
  filter_ridges({image.data(), width, height}, grid.field(), ridges.data());

  int ridge_pixels = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t value = ridges[y * width + x];
      ASSERT_TRUE(value == 0 || value == 255);
      const bool outside = x >= 272 || y >= 288 || (x / 16 == 5 && y / 16 == 5);
      if (outside) {
        ASSERT_EQ(value, 0) << x << "," << y;
      }
      ridge_pixels += value == 255 ? 1 : 0;
    }
  }
  EXPECT_GT(ridge_pixels, 272 * 288 / 4);
}

TEST(GaborFilter, BlockMeanIsTakenOverMoreThan32Bits) {
  // White everywhere and a flat kernel: the 256 equal responses of an inner block sum to
  // about 4.1e9, and none of them lies above the block mean.
  const Pixels white(std::size_t{64} * 64, 255);
  Grid grid(4, 4);
  Pixels ridges(white.size());
  filter_ridges({white.data(), 64, 64}, grid.field(), ridges.data());
  for (int y = 16; y < 48; ++y) {
    for (int x = 16; x < 48; ++x) ASSERT_EQ(ridges[y * 64 + x], 0) << x << "," << y;
  }
}

TEST(Skeletonize, TheInputImageMayServeAsWorkingImage) {
  // What happens when no working image can be allocated: same skeleton, image overwritten.
  const int width = 160, height = 144;
  const Pixels image = rings(width, height);
  const Chain chain{false, 2, 5.0};
  Grid grid(10, 9);
  BlockField blocks = grid.field();

  Pixels ridges(image.size()), skeleton(image.size());
  skeletonize({image.data(), width, height}, chain, blocks, ridges.data(), skeleton.data());

  Pixels own = image;
  Pixels skeleton_in_place(image.size());
  skeletonize({own.data(), width, height}, chain, blocks, own.data(), skeleton_in_place.data());
  EXPECT_EQ(skeleton_in_place, skeleton);
  EXPECT_NE(own, image);
}

TEST(RidgeEnhancer, ImageTypeChoosesInversionAndPasses) {
  struct Case {
    std::int16_t image_type;
    Chain chain;
  };
  const Case cases[] = {{1, {false, 2, 5.0}}, {2, {false, 1, 3.0}}, {3, {true, 2, 3.0}},
                        {4, {false, 2, 7.0}}, {0, {false, 2, 3.0}}, {9, {false, 2, 3.0}}};
  const int width = 160, height = 144;
  const Pixels image = rings(width, height);
  for (const Case& c : cases) {
    Grid grid(10, 9);
    BlockField blocks = grid.field();
    Pixels ridges(image.size()), expected(image.size());
    skeletonize({image.data(), width, height}, c.chain, blocks, ridges.data(), expected.data());

    RidgeEnhancer enhancer(c.image_type);
    ASSERT_TRUE(enhancer.set_up(width, height, 16, c.chain.segmentation_divisor));
    Pixels input = image, skeleton(image.size());
    enhancer.enhance(input.data(), skeleton.data());
    enhancer.release();
    EXPECT_EQ(skeleton, expected) << "image type " << c.image_type;
    EXPECT_EQ(input, image) << "the image is only read";
  }
}

TEST(RidgeEnhancer, FlatImageGivesAnEmptySkeleton) {
  const Pixels flat(std::size_t{64} * 48, 200);
  RidgeEnhancer enhancer(1);
  ASSERT_TRUE(enhancer.set_up(64, 48, 16, 5.0));
  Pixels input = flat, skeleton(flat.size(), 99);
  enhancer.enhance(input.data(), skeleton.data());
  EXPECT_EQ(skeleton, Pixels(flat.size(), 0));
  EXPECT_EQ(input, flat);
}

TEST(RidgeEnhancer, RefusesOtherBlockSizesAndDoesNothingWithoutBlocks) {
  RidgeEnhancer enhancer(1);
  EXPECT_FALSE(enhancer.set_up(64, 64, 8, 5.0));
  Pixels input = rings(64, 64), skeleton(std::size_t{64} * 64, 99);
  enhancer.enhance(input.data(), skeleton.data());
  EXPECT_EQ(skeleton, Pixels(std::size_t{64} * 64, 99));

  EXPECT_TRUE(enhancer.set_up(64, 64, 16, 5.0));
  enhancer.release();
  enhancer.enhance(input.data(), skeleton.data());
  EXPECT_EQ(skeleton, Pixels(std::size_t{64} * 64, 99));
}

}  // namespace
}  // namespace recognition::enhancement
