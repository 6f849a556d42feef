#include "recognition/thinning.h"

#include <array>
#include <cstddef>
#include <utility>

namespace recognition::thinning {
namespace {

// The eight neighbours as bits of a code, in circular order starting north, clockwise.
enum Neighbour : unsigned {
  kN = 1u << 0,
  kNE = 1u << 1,
  kE = 1u << 2,
  kSE = 1u << 3,
  kS = 1u << 4,
  kSW = 1u << 5,
  kW = 1u << 6,
  kNW = 1u << 7,
};

unsigned neighbour_code(const std::uint8_t* p, std::ptrdiff_t width) {
  const std::uint8_t* up = p - width;
  const std::uint8_t* down = p + width;
  return (up[0] != 0 ? kN : 0u) | (up[1] != 0 ? kNE : 0u) | (p[1] != 0 ? kE : 0u) |
         (down[1] != 0 ? kSE : 0u) | (down[0] != 0 ? kS : 0u) | (down[-1] != 0 ? kSW : 0u) |
         (p[-1] != 0 ? kW : 0u) | (up[-1] != 0 ? kNW : 0u);
}

constexpr bool all_set(unsigned code, unsigned bits) { return (code & bits) == bits; }
constexpr bool all_clear(unsigned code, unsigned bits) { return (code & bits) == 0; }

// A simple border pixel: two to seven neighbours, forming a single run around it, so
// removing it neither breaks the ridge nor shortens a line end.
constexpr std::array<bool, 256> kSimplePixel = [] {
  std::array<bool, 256> table{};
  for (unsigned code = 0; code < 256; ++code) {
    int neighbours = 0;
    int runs = 0;
    for (unsigned i = 0; i < 8; ++i) {
      const bool set = (code >> i) & 1u;
      const bool next = (code >> ((i + 1) % 8)) & 1u;
      neighbours += set ? 1 : 0;
      runs += (!set && next) ? 1 : 0;
    }
    table[code] = neighbours >= 2 && neighbours <= 7 && runs == 1;
  }
  return table;
}();

// The corner of a right-angled turn whose two arms stay joined diagonally without it.
constexpr std::array<bool, 256> kCornerPixel = [] {
  std::array<bool, 256> table{};
  for (unsigned code = 0; code < 256; ++code) {
    const bool east_turn = all_set(code, kE) && ((all_set(code, kN) && all_clear(code, kW | kS | kSW)) ||
                                                 (all_set(code, kS) && all_clear(code, kW | kN | kNW)));
    const bool west_turn = all_set(code, kW) && ((all_set(code, kN) && all_clear(code, kE | kS | kSE)) ||
                                                 (all_set(code, kS) && all_clear(code, kE | kN | kNE)));
    table[code] = east_turn || west_turn;
  }
  return table;
}();

// One parallel pass over a row: `q` points at the row in the image before the pass, `a`
// at the same row of the image after it. Pixels are 0 or 255, so the tests are byte masks
// and the loop runs without branches. Returns non-zero if a pixel was removed.
std::uint8_t thin_row(const std::uint8_t* q, std::uint8_t* a, std::ptrdiff_t width, int x_begin,
                      int x_end) {
  const std::uint8_t* up2 = q - 2 * width;
  const std::uint8_t* up = q - width;
  const std::uint8_t* down = q + width;
  const std::uint8_t* down2 = q + 2 * width;
  std::uint8_t removed_any = 0;
  for (int x = x_begin; x < x_end; ++x) {
    const unsigned p = q[x];
    const unsigned n = up[x], s = down[x], e = q[x + 1], w = q[x - 1];
    const unsigned ne = up[x + 1], nw = up[x - 1], se = down[x + 1], sw = down[x - 1];
    const unsigned nn = up2[x], ss = down2[x], ee = q[x + 2], ww = q[x - 2];
    // A diagonal link that the pixel's removal would break.
    const unsigned keeps = (sw & ~w & ~s) | (nw & ~w & ~n) | (se & ~s & ~e) | (ne & ~e & ~n);
    // Edges of a ridge at least three pixels thick, straight or diagonal.
    const unsigned edge = (ww & nw & w & sw & ~e) | (ee & ne & e & se & ~w) |
                          (ss & sw & s & se & ~n) | (nn & nw & n & ne & ~s) |
                          (down2[x - 1] & down[x - 2] & w & sw & s & ~e & ~ne & ~n) |
                          (down2[x + 1] & down[x + 2] & s & se & e & ~nw & ~w & ~n) |
                          (up2[x - 1] & up[x - 2] & nw & w & n & ~s & ~se & ~e) |
                          (up2[x + 1] & up[x + 2] & e & ne & n & ~w & ~sw & ~s);
    const unsigned removed = p & ~keeps & edge & 0xFFu;
    a[x] = static_cast<std::uint8_t>(p & ~removed);
    removed_any |= static_cast<std::uint8_t>(removed);
  }
  return removed_any;
}

}  // namespace

void remove_thick_ridge_pixels(std::uint8_t* image, std::uint8_t* work, int width, int height) {
  const std::size_t size = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < size; ++i) work[i] = image[i];
  std::uint8_t* before = image;
  std::uint8_t* after = work;
  bool removed = true;
  while (removed) {
    removed = false;
    for (int y = 2; y < height - 2; ++y) {
      const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y) * width;
      removed |= thin_row(before + row, after + row, width, 2, width - 2) != 0;
    }
    std::swap(before, after);
  }
  // The last pass removed nothing, so both images hold the result.
}

void remove_simple_pixels(std::uint8_t* image, int width, int height) {
  for (int y = 1; y < height - 1; ++y) {
    std::uint8_t* row = image + static_cast<std::ptrdiff_t>(y) * width;
    for (int x = 1; x < width - 1; ++x) {
      if (row[x] != 0 && kSimplePixel[neighbour_code(row + x, width)]) row[x] = 0;
    }
  }
}

void remove_corner_pixels(std::uint8_t* image, int width, int height) {
  for (int y = 1; y < height - 1; ++y) {
    std::uint8_t* row = image + static_cast<std::ptrdiff_t>(y) * width;
    for (int x = 1; x < width - 1; ++x) {
      if (row[x] != 0 && kCornerPixel[neighbour_code(row + x, width)]) row[x] = 0;
    }
  }
}

void thin_ridges(std::uint8_t* ridges, std::uint8_t* skeleton, int width, int height) {
  remove_thick_ridge_pixels(ridges, skeleton, width, height);
  remove_simple_pixels(skeleton, width, height);
  remove_corner_pixels(skeleton, width, height);
}

}  // namespace recognition::thinning
