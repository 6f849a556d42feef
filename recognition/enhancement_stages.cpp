#include "recognition/enhancement_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "recognition/angle_table.h"
#include "recognition/thinning.h"

namespace recognition::enhancement {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

// Frequencies outside 41..341 (x 1024, ridge periods of about 25 to 3 pixels) are noise.
constexpr std::int32_t kLowestFrequency = 41;
constexpr std::int32_t kHighestFrequency = 341;
constexpr std::int32_t kUnknownFrequency = -1;

// The missing frequencies are filled from a 7 x 7 block neighbourhood weighted by a
// Gaussian of variance 81 blocks squared: exp(-(dx^2 + dy^2) / 162).
constexpr int kFrequencyReach = 3;
constexpr double kFrequencyWeightFactor = 0.006172839506172839;

// Gabor kernel: taps at offsets -5..4 (the kernel is not centred), an envelope of
// exp(-(x'^2 + y'^2) / 32) and a cosine of 2 pi f y', with x' along the ridge and y'
// across it, both x 1024 and f x 1024.
constexpr int kKernelSide = 10;
constexpr int kKernelBefore = 5;
constexpr double kEnvelopeFactor = 0.0625 * 4.76837158203125e-07;  // 1/16 x 2^-21
constexpr double kWaveFactor = 5.991916186035097e-06;              // 2 pi / 1024^2

int index(const BlockField& blocks, int column, int row) { return row * blocks.columns + column; }

bool inside(const BlockField& blocks, int column, int row) {
  return column >= 0 && column < blocks.columns && row >= 0 && row < blocks.rows;
}

}  // namespace

void stretch_contrast(const std::uint8_t* image, std::uint8_t* stretched, std::size_t size) {
  std::uint8_t low = 255, high = 0;
  for (std::size_t i = 0; i < size; ++i) {
    low = std::min(low, image[i]);
    high = std::max(high, image[i]);
  }
  const int range = high - low;
  if (range == 0) {
    std::memcpy(stretched, image, size);
    return;
  }
  std::uint8_t lookup[256] = {};
  for (int v = low; v <= high; ++v) lookup[v] = static_cast<std::uint8_t>((v - low) * 255 / range);
  for (std::size_t i = 0; i < size; ++i) stretched[i] = lookup[image[i]];
}

void invert_grey(std::uint8_t* image, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(255 - image[i]);
}

namespace {

struct GradientSums {
  std::int32_t xx = 0, yy = 0, xy = 0;
};

// Sobel gradient products of `count` pixels of a row from x on. Inlined, so that the
// whole-block rows get a constant count the compiler can vectorise.
[[gnu::always_inline]] inline void add_gradients(const std::uint8_t* mid, std::ptrdiff_t width,
                                                 int x, int count, GradientSums& sums) {
  const std::uint8_t* up = mid - width;
  const std::uint8_t* down = mid + width;
  for (int k = x; k < x + count; ++k) {
    const std::int32_t gx =
        2 * mid[k + 1] + up[k + 1] + down[k + 1] - 2 * mid[k - 1] - up[k - 1] - down[k - 1];
    const std::int32_t gy =
        2 * down[k] + down[k - 1] + down[k + 1] - 2 * up[k] - up[k - 1] - up[k + 1];
    sums.xx += gx * gx;
    sums.yy += gy * gy;
    sums.xy += gx * gy;
  }
}

}  // namespace

void estimate_orientation(const ImageView& image, BlockField& blocks) {
  const int width = image.width;
  // Raw orientation per block from the Sobel gradients; the image border has none.
  for (int row = 0; row < blocks.rows; ++row) {
    for (int column = 0; column < blocks.columns; ++column) {
      const int x_begin = std::max(column * kBlockSize, 1);
      const int x_end = std::min(column * kBlockSize + kBlockSize, width - 1);
      const int y_begin = std::max(row * kBlockSize, 1);
      const int y_end = std::min(row * kBlockSize + kBlockSize, image.height - 1);
      // Integer sums stay below 2^31 for a block and are exact, as the double sums are.
      GradientSums sums;
      for (int y = y_begin; y < y_end; ++y) {
        const std::uint8_t* mid = image.pixels + static_cast<std::ptrdiff_t>(y) * width;
        if (x_end - x_begin == kBlockSize) {
          add_gradients(mid, width, x_begin, kBlockSize, sums);
        } else {
          add_gradients(mid, width, x_begin, x_end - x_begin, sums);
        }
      }
      const auto [sxx, syy, sxy] = sums;
      const int b = index(blocks, column, row);
      if (sxx == 0 && syy == 0 && sxy == 0) {
        blocks.mask[b] = 0;
        continue;
      }
      blocks.mask[b] = 1;
      const double theta =
          0.5 * std::atan2(2.0 * sxy, static_cast<double>(sxx) - syy) + std::numbers::pi / 2;
      blocks.cos2[b] = std::cos(2.0 * theta);
      blocks.sin2[b] = std::sin(2.0 * theta);
    }
  }
  smooth_orientation(blocks);
}

void smooth_orientation(BlockField& blocks) {
  // Column by column and in place: a block cleared here no longer counts for the blocks
  // after it. The neighbourhood is summed in the same order, column by column.
  for (int column = 0; column < blocks.columns; ++column) {
    for (int row = 0; row < blocks.rows; ++row) {
      double sum_cos = 0.0, sum_sin = 0.0;
      for (int nx = column - 2; nx <= column + 2; ++nx) {
        for (int ny = row - 2; ny <= row + 2; ++ny) {
          if (!inside(blocks, nx, ny)) continue;
          const int n = index(blocks, nx, ny);
          if (blocks.mask[n] == 0) continue;
          sum_cos += blocks.cos2[n];
          sum_sin += blocks.sin2[n];
        }
      }
      const int b = index(blocks, column, row);
      if (sum_cos == 0.0 && sum_sin == 0.0) {
        blocks.mask[b] = 0;
      } else {
        blocks.orientation[b] =
            static_cast<std::int32_t>(0.5 * std::atan2(sum_sin, sum_cos) * kDegreesPerRadian);
      }
    }
  }
}

namespace {

// The window reaches at most 16 + 8 pixels from the block centre in x and in y.
constexpr int kSampleReach = 24;

[[gnu::always_inline]] inline RidgeSamples sample(const ImageView& image, int cx, int cy,
                                                  angle::Rotation rotation, bool on_image) {
  const auto [co, si] = rotation;
  RidgeSamples samples{};
  for (int i = 0; i < 32; ++i) {
    std::int32_t sum = 0;
    for (int j = 0; j < 16; ++j) {
      const int x = cx + ((i - 16) * si + (j - 8) * co) / 1024;
      const int y = cy + ((j - 8) * si + (16 - i) * co) / 1024;
      if (on_image || (x >= 0 && x < image.width && y >= 0 && y < image.height)) {
        sum += image.pixels[static_cast<std::ptrdiff_t>(y) * image.width + x];
      }
    }
    samples[i] = sum / 16;  // positions off the image count as dark, not as missing
  }
  return samples;
}

}  // namespace

RidgeSamples sample_across_ridges(const ImageView& image, int block_column, int block_row,
                                  int orientation) {
  const int cx = block_column * kBlockSize + kBlockSize / 2;
  const int cy = block_row * kBlockSize + kBlockSize / 2;
  const angle::Rotation rotation = angle::rotation(orientation);
  if (cx >= kSampleReach && cx + kSampleReach < image.width && cy >= kSampleReach &&
      cy + kSampleReach < image.height) {
    return sample(image, cx, cy, rotation, true);
  }
  return sample(image, cx, cy, rotation, false);
}

std::int32_t crossing_frequency(const RidgeSamples& samples) {
  std::int32_t total = 0;
  for (const std::int32_t s : samples) total += s;
  const std::int32_t mean = total / 32;
  int direction = samples[0] > mean ? -1 : 1;
  std::int32_t threshold = direction * mean;
  int count = 0;
  int last = 0;
  for (int i = 0; i < 32; ++i) {
    if (direction * samples[i] >= threshold) {
      ++count;
      last = i;
      direction = -direction;
      threshold = -threshold;
    }
  }
  if (last == 0) return kUnknownFrequency;
  const std::int32_t frequency = count * 512 / last;
  if (frequency < kLowestFrequency || frequency > kHighestFrequency) return kUnknownFrequency;
  return frequency;
}

void estimate_frequency(const ImageView& image, BlockField& blocks) {
  for (int row = 0; row < blocks.rows; ++row) {
    for (int column = 0; column < blocks.columns; ++column) {
      const int b = index(blocks, column, row);
      if (blocks.mask[b] != 1) continue;
      blocks.frequency[b] =
          crossing_frequency(sample_across_ridges(image, column, row, blocks.orientation[b]));
    }
  }
  fill_frequency_gaps(blocks);
  smooth_frequencies(blocks);
}

void fill_frequency_gaps(BlockField& blocks) {
  constexpr int kSide = 2 * kFrequencyReach + 1;
  double weight[kSide][kSide];
  double total = 0.0;
  for (int dy = -kFrequencyReach; dy <= kFrequencyReach; ++dy) {
    for (int dx = -kFrequencyReach; dx <= kFrequencyReach; ++dx) {
      const double w = std::exp(-(dx * dx + dy * dy) * kFrequencyWeightFactor);
      weight[dy + kFrequencyReach][dx + kFrequencyReach] = w;
      total += w;
    }
  }
  if (total != 0.0) {
    for (auto& weight_row : weight) {
      for (double& w : weight_row) w /= total;
    }
  }
  // Row by row and in place: a filled block lends its frequency to the blocks after it.
  // Weights and neighbourhoods are summed row by row too, with the weights normalised
  // first: the roundings of both decide some of the truncated results. Unknown neighbours
  // would add 0 to the weighted sum and nothing to the weights; they are skipped.
  for (int row = 0; row < blocks.rows; ++row) {
    for (int column = 0; column < blocks.columns; ++column) {
      const int b = index(blocks, column, row);
      if (blocks.frequency[b] >= 0 || blocks.mask[b] != 1) continue;
      double weighted = 0.0, weights = 0.0;
      for (int ny = row - kFrequencyReach; ny <= row + kFrequencyReach; ++ny) {
        for (int nx = column - kFrequencyReach; nx <= column + kFrequencyReach; ++nx) {
          if (!inside(blocks, nx, ny)) continue;
          const int n = index(blocks, nx, ny);
          if (blocks.mask[n] == 0 || blocks.frequency[n] < 0) continue;
          const double w = weight[ny - row + kFrequencyReach][nx - column + kFrequencyReach];
          weighted += w * blocks.frequency[n];
          weights += w;
        }
      }
      if (weights != 0.0) blocks.frequency[b] = static_cast<std::int32_t>(weighted / weights);
    }
  }
}

void smooth_frequencies(BlockField& blocks) {
  std::memcpy(blocks.previous_frequency, blocks.frequency,
              static_cast<std::size_t>(blocks.count()) * sizeof(std::int32_t));
  for (int row = 0; row < blocks.rows; ++row) {
    for (int column = 0; column < blocks.columns; ++column) {
      std::int32_t sum = 0;
      int count = 0;
      for (int ny = row - kFrequencyReach; ny <= row + kFrequencyReach; ++ny) {
        for (int nx = column - kFrequencyReach; nx <= column + kFrequencyReach; ++nx) {
          if (!inside(blocks, nx, ny)) continue;
          const int n = index(blocks, nx, ny);
          if (blocks.mask[n] == 0) continue;
          sum += blocks.previous_frequency[n];  // unknown (-1) values take part too
          ++count;
        }
      }
      const int b = index(blocks, column, row);
      if (count == 0) {
        blocks.frequency[b] = kUnknownFrequency;
        blocks.mask[b] = 0;
      } else {
        blocks.frequency[b] = sum / count;
      }
    }
  }
}

void segment_finger(const ImageView& image, BlockField& blocks, double divisor) {
  const std::int64_t size = static_cast<std::int64_t>(image.width) * image.height;
  std::int64_t total = 0;
  for (std::int64_t i = 0; i < size; ++i) total += image.pixels[i];
  const std::int64_t mean = total / size;
  std::int64_t deviation = 0;
  for (std::int64_t i = 0; i < size; ++i) deviation += std::abs(image.pixels[i] - mean);
  const std::int64_t mean_deviation = deviation / size;
  const auto threshold = static_cast<std::int64_t>(static_cast<double>(mean_deviation) / divisor);

  // Within this margin of the grid's edges a low-contrast block is background outright;
  // inside it, only when a neighbouring block is already background, so that clearing
  // spreads inward from the border in scan order and stops at the finger.
  const auto on_border = [&](int column, int row) {
    const int x0 = column * kBlockSize;
    const int y0 = row * kBlockSize;
    return x0 <= kBlockSize || x0 >= (kBlockSize - 1) * blocks.columns - 1 || y0 <= kBlockSize ||
           y0 >= (kBlockSize - 1) * blocks.rows - 1;
  };
  // On grids narrower than 15 blocks the margin misses the last column (or row); a
  // neighbour beyond the grid then counts as background rather than being read.
  const auto cleared = [&](int column, int row) {
    return !inside(blocks, column, row) || blocks.mask[index(blocks, column, row)] == 0;
  };

  const int width = image.width;
  for (int column = 0; column < blocks.columns; ++column) {
    for (int row = 0; row < blocks.rows; ++row) {
      const std::uint8_t* origin = image.pixels +
                                   static_cast<std::ptrdiff_t>(row) * kBlockSize * width +
                                   static_cast<std::ptrdiff_t>(column) * kBlockSize;
      std::int32_t sum = 0;
      for (int y = 0; y < kBlockSize; ++y) {
        for (int x = 0; x < kBlockSize; ++x) sum += origin[y * width + x];
      }
      const std::int32_t block_mean = sum / kBlockPixels;
      std::int32_t spread = 0;
      for (int y = 0; y < kBlockSize; ++y) {
        for (int x = 0; x < kBlockSize; ++x) spread += std::abs(origin[y * width + x] - block_mean);
      }
      if (spread / kBlockPixels >= threshold) continue;
      bool clear = on_border(column, row);
      for (int dy = -1; dy <= 1 && !clear; ++dy) {
        for (int dx = -1; dx <= 1 && !clear; ++dx) {
          clear = (dx != 0 || dy != 0) && cleared(column + dx, row + dy);
        }
      }
      if (clear) blocks.mask[index(blocks, column, row)] = 0;
    }
  }
}

GaborKernel gabor_kernel(int orientation, std::int32_t frequency) {
  const auto [co, si] = angle::rotation(orientation);
  GaborKernel kernel{};
  for (int ky = 0; ky < kKernelSide; ++ky) {
    for (int kx = 0; kx < kKernelSide; ++kx) {
      const int i = ky * kKernelSide + kx;
      // Offsets (x, y) and (-x, -y) negate u and v, and the envelope and the cosine are
      // even: the mirrored half is copied. The first row and column have no mirror.
      const int mirror = (2 * kKernelBefore - ky) * kKernelSide + 2 * kKernelBefore - kx;
      if (ky > 0 && kx > 0 && mirror < i) {
        kernel[i] = kernel[mirror];
        continue;
      }
      const int y = ky - kKernelBefore;
      const int x = kx - kKernelBefore;
      const std::int32_t u = si * y + co * x;  // along the ridge, x 1024
      const std::int32_t v = co * y - si * x;  // across the ridge, x 1024
      const double g = std::exp(-(u * u + v * v) * kEnvelopeFactor) *
                       std::cos(static_cast<double>(v) * frequency * kWaveFactor);
      kernel[i] = static_cast<std::int32_t>(g * 1024);
    }
  }
  return kernel;
}

namespace {

// The block's pixels with the kernel's reach around them, zero off the image, so that the
// taps that fall off the image add nothing without a test per tap.
constexpr int kWindow = kBlockSize + kKernelSide - 1;
constexpr int kWindowStride = 32;
using Window = std::array<std::int16_t, std::size_t{kWindow} * kWindowStride>;

// Loads the window of the block at (x0, y0); returns false if a pixel other than 0 or 255
// was seen, that is unless the image is a ridge image of an earlier pass.
bool load_window(const ImageView& image, int x0, int y0, Window& window) {
  const int left = x0 - kKernelBefore;
  const int top = y0 - kKernelBefore;
  std::uint8_t grey = 0;  // (v + 1) & 0xFE is 0 for v = 0 and v = 255 only
  if (left >= 0 && left + kWindowStride <= image.width && top >= 0 &&
      top + kWindow <= image.height) {
    // Inside the image: whole rows of the window, a constant count the compiler widens
    // side by side; the columns past the kernel's reach are loaded and never read.
    for (int wy = 0; wy < kWindow; ++wy) {
      const std::uint8_t* source =
          image.pixels + static_cast<std::ptrdiff_t>(top + wy) * image.width + left;
      std::int16_t* target = window.data() + static_cast<std::ptrdiff_t>(wy) * kWindowStride;
      for (int wx = 0; wx < kWindowStride; ++wx) {
        target[wx] = source[wx];
        grey |= static_cast<std::uint8_t>(source[wx] + 1) & 0xFE;
      }
    }
    return grey == 0;
  }
  window.fill(0);
  const int column_begin = std::max(0, -left);
  const int column_end = std::min(kWindow, image.width - left);
  for (int wy = 0; wy < kWindow; ++wy) {
    const int y = top + wy;
    if (y < 0 || y >= image.height) continue;
    const std::uint8_t* source = image.pixels + static_cast<std::ptrdiff_t>(y) * image.width;
    for (int wx = column_begin; wx < column_end; ++wx) {
      const std::uint8_t v = source[left + wx];
      window[wy * kWindowStride + wx] = v;
      grey |= static_cast<std::uint8_t>(v + 1) & 0xFE;
    }
  }
  return grey == 0;
}

// The kernel is point-symmetric, K(-x, -y) = K(x, y), so that most taps pair up with their
// mirror image and share one multiplication; taps are window offsets of the block's first
// pixel. Zero taps are dropped. The sums stay exact integers whatever the grouping.
struct KernelTaps {
  struct Pair {
    int first;
    int second;
    std::int16_t weight;
  };
  struct Single {
    int offset;
    std::int16_t weight;
  };
  std::array<Pair, 50> pairs;
  std::array<Single, 100> singles;
  int pair_count = 0;
  int single_count = 0;
};

KernelTaps group_taps(const GaborKernel& kernel) {
  KernelTaps taps;
  std::array<bool, 100> grouped{};
  for (int ky = 0; ky < kKernelSide; ++ky) {
    for (int kx = 0; kx < kKernelSide; ++kx) {
      const int i = ky * kKernelSide + kx;
      if (grouped[i]) continue;
      grouped[i] = true;
      const std::int32_t weight = kernel[i];
      if (weight == 0) continue;
      // The mirror of offset (x, y) = (kx - 5, ky - 5) is (5 - kx, 5 - ky), at index 10 - k.
      const int my = 2 * kKernelBefore - ky;
      const int mx = 2 * kKernelBefore - kx;
      const int mirror = my * kKernelSide + mx;
      if (my < kKernelSide && mx < kKernelSide && !grouped[mirror] && kernel[mirror] == weight) {
        grouped[mirror] = true;
        taps.pairs[taps.pair_count++] = {ky * kWindowStride + kx, my * kWindowStride + mx,
                                         static_cast<std::int16_t>(weight)};
      } else {
        taps.singles[taps.single_count++] = {ky * kWindowStride + kx,
                                             static_cast<std::int16_t>(weight)};
      }
    }
  }
  return taps;
}

using BlockResponse = std::array<std::array<std::int32_t, kBlockSize>, kBlockSize>;

// Gabor response of the block's 256 pixels; each row's 16 sums are formed side by side.
void respond(const Window& window, const KernelTaps& taps, BlockResponse& response) {
  for (int py = 0; py < kBlockSize; ++py) {
    const std::int16_t* origin = window.data() + static_cast<std::ptrdiff_t>(py) * kWindowStride;
    std::int32_t sums[kBlockSize] = {};
    for (int t = 0; t < taps.pair_count; ++t) {
      const KernelTaps::Pair& tap = taps.pairs[t];
      const std::int16_t* a = origin + tap.first;
      const std::int16_t* b = origin + tap.second;
      for (int px = 0; px < kBlockSize; ++px) {
        sums[px] += static_cast<std::int16_t>(a[px] + b[px]) * tap.weight;
      }
    }
    for (int t = 0; t < taps.single_count; ++t) {
      const KernelTaps::Single& tap = taps.singles[t];
      const std::int16_t* a = origin + tap.offset;
      for (int px = 0; px < kBlockSize; ++px) sums[px] += a[px] * tap.weight;
    }
    std::copy(std::begin(sums), std::end(sums), response[py].begin());
  }
}

// On a ridge image of an earlier pass every pixel is 0 or 255, and a response is 255 times
// the sum of the weights of the taps on ridge pixels. Such sums fit 16 bits as long as the
// magnitudes of their weights do: the taps are cut into runs of at most 32767, each summed
// in 16-bit lanes, by masking instead of multiplying.
struct BinaryTaps {
  struct Tap {
    int offset;
    std::int16_t weight;
  };
  std::array<Tap, 100> taps;
  std::array<int, 100> run_ends;  // one past the last tap of each run
  int run_count = 0;
};

BinaryTaps binary_taps(const GaborKernel& kernel) {
  constexpr std::int32_t kRunLimit = 32767;
  BinaryTaps taps;
  int count = 0;
  std::int32_t run_magnitude = 0;
  for (int ky = 0; ky < kKernelSide; ++ky) {
    for (int kx = 0; kx < kKernelSide; ++kx) {
      const std::int32_t weight = kernel[ky * kKernelSide + kx];
      if (weight == 0) continue;
      const std::int32_t magnitude = weight < 0 ? -weight : weight;
      if (run_magnitude + magnitude > kRunLimit) {
        taps.run_ends[taps.run_count++] = count;
        run_magnitude = 0;
      }
      run_magnitude += magnitude;
      taps.taps[count++] = {ky * kWindowStride + kx, static_cast<std::int16_t>(weight)};
    }
  }
  taps.run_ends[taps.run_count++] = count;
  return taps;
}

// `window` holds 0 for background and -1 (all bits set) for ridge pixels.
void respond_binary(const Window& window, const BinaryTaps& taps, BlockResponse& response) {
  for (int py = 0; py < kBlockSize; ++py) {
    const std::int16_t* origin = window.data() + static_cast<std::ptrdiff_t>(py) * kWindowStride;
    std::int32_t sums[kBlockSize] = {};
    int t = 0;
    for (int run = 0; run < taps.run_count; ++run) {
      std::int16_t run_sums[kBlockSize] = {};
      for (; t < taps.run_ends[run]; ++t) {
        const BinaryTaps::Tap& tap = taps.taps[t];
        const std::int16_t* ridge = origin + tap.offset;
        for (int px = 0; px < kBlockSize; ++px) {
          run_sums[px] = static_cast<std::int16_t>(run_sums[px] + (ridge[px] & tap.weight));
        }
      }
      for (int px = 0; px < kBlockSize; ++px) sums[px] += run_sums[px];
    }
    for (int px = 0; px < kBlockSize; ++px) response[py][px] = 255 * sums[px];
  }
}

}  // namespace

void filter_ridges(const ImageView& image, const BlockField& blocks, std::uint8_t* ridges) {
  const int width = image.width;
  std::memset(ridges, 0, static_cast<std::size_t>(width) * image.height);
  Window window;
  BlockResponse response;
  for (int row = 0; row < blocks.rows; ++row) {
    for (int column = 0; column < blocks.columns; ++column) {
      const int b = index(blocks, column, row);
      if (blocks.mask[b] == 0) continue;
      const int x0 = column * kBlockSize;
      const int y0 = row * kBlockSize;
      const GaborKernel kernel = gabor_kernel(blocks.orientation[b], blocks.frequency[b]);
      if (load_window(image, x0, y0, window)) {
        for (std::int16_t& v : window) v = static_cast<std::int16_t>(-(v != 0));
        respond_binary(window, binary_taps(kernel), response);
      } else {
        respond(window, group_taps(kernel), response);
      }

      // The 256 responses of a block can exceed 32 bits together.
      std::int64_t total = 0;
      for (const auto& response_row : response) {
        for (const std::int32_t r : response_row) total += r;
      }
      const std::int64_t mean = total / kBlockPixels;
      for (int py = 0; py < kBlockSize; ++py) {
        std::uint8_t* out = ridges + static_cast<std::ptrdiff_t>(y0 + py) * width + x0;
        for (int px = 0; px < kBlockSize; ++px) out[px] = response[py][px] > mean ? 255 : 0;
      }
    }
  }
}

void skeletonize(const ImageView& image, const Chain& chain, BlockField& blocks,
                 std::uint8_t* ridges, std::uint8_t* skeleton) {
  const std::size_t size = static_cast<std::size_t>(image.width) * image.height;
  const ImageView working{skeleton, image.width, image.height};
  stretch_contrast(image.pixels, skeleton, size);
  if (chain.inverted) invert_grey(skeleton, size);
  for (int pass = 0; pass < chain.passes; ++pass) {
    if (pass > 0) std::memcpy(skeleton, ridges, size);
    estimate_orientation(working, blocks);
    estimate_frequency(working, blocks);
    segment_finger(working, blocks, chain.segmentation_divisor);
    filter_ridges(working, blocks, ridges);
  }
  thinning::thin_ridges(ridges, skeleton, image.width, image.height);
}

}  // namespace recognition::enhancement
