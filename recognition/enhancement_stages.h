// The stages of the ridge enhancement, each a plain function over explicit inputs, in the
// order the enhancer runs them: stretched image -> orientation field -> frequency field ->
// finger mask -> ridge image. The skeleton follows in thinning.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace recognition::enhancement {

inline constexpr int kBlockSize = 16;
inline constexpr int kBlockPixels = kBlockSize * kBlockSize;

struct ImageView {
  const std::uint8_t* pixels;  // row 0 first, `width` bytes per row
  int width;
  int height;
};

// The per-block state shared by the stages, indexed by row x columns + column. The last
// three arrays are working space of the stages.
struct BlockField {
  int columns;                // whole blocks per row: width / 16, truncated
  int rows;                   // whole blocks per column: height / 16, truncated
  std::uint8_t* mask;         // 1 finger, 0 background
  std::int32_t* orientation;  // whole degrees, -89..90
  std::int32_t* frequency;    // cycles per pixel x 1024, -1 unknown
  double* cos2;               // cos and sin of twice the raw block orientation
  double* sin2;
  std::int32_t* previous_frequency;

  int count() const { return columns * rows; }
};

// Stretches the grey values to 0..255. An image of one grey value has no contrast to
// stretch and is copied unchanged.
void stretch_contrast(const std::uint8_t* image, std::uint8_t* stretched, std::size_t size);

// Every grey value v becomes 255 - v: image type 3 has light ridges on a dark ground.
void invert_grey(std::uint8_t* image, std::size_t size);

// Sets every block's mask (1 where the image has any gradient) and, for the finger blocks,
// the smoothed ridge orientation; clears blocks whose neighbourhood has no orientation.
void estimate_orientation(const ImageView& image, BlockField& blocks);
// The orientation of every block from the doubled angles of its 5 x 5 neighbourhood.
void smooth_orientation(BlockField& blocks);

// The 32 samples across the ridges of one block and the frequency they cross the mean at.
using RidgeSamples = std::array<std::int32_t, 32>;
RidgeSamples sample_across_ridges(const ImageView& image, int block_column, int block_row,
                                  int orientation);
std::int32_t crossing_frequency(const RidgeSamples& samples);

// Frequency of every finger block from its samples, then the gaps filled from the
// neighbourhood and the whole field smoothed.
void estimate_frequency(const ImageView& image, BlockField& blocks);
void fill_frequency_gaps(BlockField& blocks);
void smooth_frequencies(BlockField& blocks);

// Clears low-contrast blocks, inward from the border of the grid.
void segment_finger(const ImageView& image, BlockField& blocks, double divisor);

// Even-symmetric Gabor kernel, 10 x 10 taps x 1024, for offsets y = -5..4 (rows) and
// x = -5..4 (columns); frequency in cycles per pixel x 1024.
using GaborKernel = std::array<std::int32_t, 100>;
GaborKernel gabor_kernel(int orientation, std::int32_t frequency);

// Filters every finger block and binarises it at the block's mean response: 255 ridge,
// 0 otherwise; pixels of background blocks and beyond the last whole block are 0.
void filter_ridges(const ImageView& image, const BlockField& blocks, std::uint8_t* ridges);

// The whole chain for one image: stretched (and inverted if asked), then `passes` times
// orientation, frequency, finger mask and Gabor filter, the later passes on the ridge image
// of the one before, and thinned into `skeleton`. `ridges` is a working image of the same
// size; it may be `image` itself, which is then overwritten.
struct Chain {
  bool inverted;
  int passes;
  double segmentation_divisor;
};
void skeletonize(const ImageView& image, const Chain& chain, BlockField& blocks,
                 std::uint8_t* ridges, std::uint8_t* skeleton);

}  // namespace recognition::enhancement
