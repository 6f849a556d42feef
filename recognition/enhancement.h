// Ridge enhancement: turns one grey fingerprint image into the one-pixel skeleton of its
// ridges. Per 16 x 16 block it estimates the ridge orientation and frequency, decides
// whether the block belongs to the finger, filters the finger blocks with a Gabor filter
// tuned to them and binarises at the block mean; the ridge image is then thinned.
//
// The arithmetic is fixed to the bit: templates and codes made by one installation are
// scored by another, so every truncation, integer width, loop order and in-place update is
// part of the contract (the skeleton digests in the tests guard it). Points where the
// arithmetic had to be pinned down:
//  - a block's 256 Gabor responses are summed in 64 bits (real images reach about 3.8e9),
//    and so are the grey values of the whole image for the finger mask (4096 x 4096 x 255
//    exceeds 32 bits);
//  - the floating-point neighbourhood sums run in the order of the surrounding block loop:
//    column by column for the 5 x 5 orientation smoothing, row by row for the 7 x 7
//    filling of missing frequencies;
//  - an image of a single grey value is passed on unstretched (copied), so that the later
//    stages see defined pixels and find no finger;
//  - a low-contrast block on the last block column or row of a small grid (fewer than 15
//    blocks across) counts as border and is cleared, instead of looking at a neighbour
//    outside the grid.
//
// Threads: no process-wide mutable state; the Gaussian weights and the Gabor kernel are
// built per call, the cosine table is a constant. Different objects may enhance images at
// the same time; one object must not be used by two threads at once.
#pragma once

#include <cstdint>
#include <memory>

namespace recognition {

class RidgeEnhancer {
 public:
  // `image_type` chooses the inversion and the number of passes (image_variant.h); the
  // segmentation divisor is given to set_up.
  explicit RidgeEnhancer(std::int16_t image_type);
  virtual ~RidgeEnhancer();
  RidgeEnhancer(const RidgeEnhancer&) = delete;
  RidgeEnhancer& operator=(const RidgeEnhancer&) = delete;

  // Stores the geometry and allocates the block arrays; false if any allocation failed.
  // The filters are built for blocks of 16 pixels: any other `block_size` is refused
  // (false). The caller guarantees 16 <= width, height <= 4096.
  bool set_up(int width, int height, int block_size, double segmentation_divisor);

  // Fills `skeleton` (width x height bytes) with the thinned ridge image, 0 background /
  // 255 ridge. `image` is only read, except when the working image cannot be allocated:
  // the image itself then holds the intermediate results. Does nothing before a
  // successful set_up.
  void enhance(std::uint8_t* image, std::uint8_t* skeleton);

  void release();  // frees the block arrays

 private:
  double segmentation_divisor_ = 3.0;
  int block_size_ = 16;
  int width_ = 1;
  int height_ = 1;
  std::int16_t image_type_;
  // Per block, indexed by row x blocks-per-row + column; valid between set_up and release.
  std::unique_ptr<std::uint8_t[]> block_mask_;         // 1 finger, 0 background
  std::unique_ptr<std::int32_t[]> block_frequency_;    // cycles per pixel x 1024, -1 unknown
  std::unique_ptr<std::int32_t[]> block_orientation_;  // whole degrees, -89..90
  // Working arrays of the block stages, allocated with the block arrays.
  std::unique_ptr<double[]> block_cos2_;
  std::unique_ptr<double[]> block_sin2_;
  std::unique_ptr<std::int32_t[]> previous_frequency_;
};

}  // namespace recognition
