// Ridge thinning: reduces the binary ridge image (0 background, 255 ridge) to a skeleton
// one pixel wide, which the minutia extraction walks.
#pragma once

#include <cstdint>

namespace recognition::thinning {

// Thins `ridges` into `skeleton` (both width x height bytes, 0 or 255). `ridges` serves as
// the working image of the parallel passes and holds their result afterwards, so that
// thinning allocates nothing.
void thin_ridges(std::uint8_t* ridges, std::uint8_t* skeleton, int width, int height);

// The three steps, for the tests. Parallel passes of 3 x 3 and 5 x 5 templates, all
// decisions of a pass taken on the image before it, until a pass removes nothing; the
// result is in `image`, `work` is overwritten. The two outermost rows and columns stay.
void remove_thick_ridge_pixels(std::uint8_t* image, std::uint8_t* work, int width, int height);
// Sequential passes in place, row by row, inside the outermost row and column.
void remove_simple_pixels(std::uint8_t* image, int width, int height);
void remove_corner_pixels(std::uint8_t* image, int width, int height);

}  // namespace recognition::thinning
