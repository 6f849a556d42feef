// The processing variants of the sensors, chosen by the image type a ProcTemp is made
// with: one row per type that differs from the default.
#pragma once

#include <cstdint>

namespace recognition {

struct ImageVariant {
  bool inverted;                // light ridges on a dark ground: inverted before anything else
  int passes;                   // orientation, frequency, mask and Gabor filter; later passes
                                // work on the ridge image of the one before
  double segmentation_divisor;  // how much contrast a block needs to count as finger
};

struct ImageTypeRow {
  std::int16_t image_type;
  ImageVariant variant;
};

inline constexpr ImageTypeRow kImageTypes[] = {
    {1, {.inverted = false, .passes = 2, .segmentation_divisor = 5.0}},
    {2, {.inverted = false, .passes = 1, .segmentation_divisor = 3.0}},
    {3, {.inverted = true, .passes = 2, .segmentation_divisor = 3.0}},
    {4, {.inverted = false, .passes = 2, .segmentation_divisor = 7.0}},
};
inline constexpr ImageVariant kOtherImageTypes = {
    .inverted = false, .passes = 2, .segmentation_divisor = 3.0};

constexpr ImageVariant image_variant(std::int16_t image_type) {
  for (const ImageTypeRow& row : kImageTypes) {
    if (row.image_type == image_type) return row.variant;
  }
  return kOtherImageTypes;
}

}  // namespace recognition
