#include "recognition/thinning.h"

#include <array>
#include <cstddef>
#include <cstring>
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

[[gnu::always_inline]] inline unsigned neighbour_code(const std::uint8_t* p, std::ptrdiff_t width) {
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
    const bool east_turn =
        all_set(code, kE) && ((all_set(code, kN) && all_clear(code, kW | kS | kSW)) ||
                              (all_set(code, kS) && all_clear(code, kW | kN | kNW)));
    const bool west_turn =
        all_set(code, kW) && ((all_set(code, kN) && all_clear(code, kE | kS | kSE)) ||
                              (all_set(code, kS) && all_clear(code, kE | kN | kNE)));
    table[code] = east_turn || west_turn;
  }
  return table;
}();

// The image rows around the row being judged, the image before the pass.
struct Rows {
  const std::uint8_t* up2;
  const std::uint8_t* up;
  const std::uint8_t* mid;
  const std::uint8_t* down;
  const std::uint8_t* down2;
};

// 255 if the pass removes pixel x, 0 if not. Pixels are 0 or 255, so every test is a byte
// mask and the judgement has no branch.
[[gnu::always_inline]] inline std::uint8_t removal(const Rows& r, int x) {
  const std::uint8_t p = r.mid[x];
  const std::uint8_t n = r.up[x], s = r.down[x], e = r.mid[x + 1], w = r.mid[x - 1];
  const std::uint8_t ne = r.up[x + 1], nw = r.up[x - 1], se = r.down[x + 1], sw = r.down[x - 1];
  const std::uint8_t nn = r.up2[x], ss = r.down2[x], ee = r.mid[x + 2], ww = r.mid[x - 2];
  // A diagonal link that the pixel's removal would break.
  const std::uint8_t keeps = (sw & ~w & ~s) | (nw & ~w & ~n) | (se & ~s & ~e) | (ne & ~e & ~n);
  // Edges of a ridge at least three pixels thick, straight or diagonal.
  const std::uint8_t edge = (ww & nw & w & sw & ~e) | (ee & ne & e & se & ~w) |
                            (ss & sw & s & se & ~n) | (nn & nw & n & ne & ~s) |
                            (r.down2[x - 1] & r.down[x - 2] & w & sw & s & ~e & ~ne & ~n) |
                            (r.down2[x + 1] & r.down[x + 2] & s & se & e & ~nw & ~w & ~n) |
                            (r.up2[x - 1] & r.up[x - 2] & nw & w & n & ~s & ~se & ~e) |
                            (r.up2[x + 1] & r.up[x + 2] & e & ne & n & ~w & ~sw & ~s);
  return static_cast<std::uint8_t>(p & ~keeps & edge);
}

// One parallel pass over the row `q` of the image before the pass, written to the same row
// `a` of the image after it. Returns non-zero if a pixel was removed.
std::uint8_t thin_row(const std::uint8_t* q, std::uint8_t* a, std::ptrdiff_t width, int x_begin,
                      int x_end) {
  const Rows rows{q - 2 * width, q - width, q, q + width, q + 2 * width};
  std::uint8_t removed_any = 0;
  int x = x_begin;
  // Runs of 16 pixels with a fixed count, so that the compiler judges them side by side.
  constexpr int kRun = 16;
  for (; x + kRun <= x_end; x += kRun) {
    std::uint8_t kept[kRun];  // local, so the compiler need not fear `a` overlapping `q`
    for (int k = 0; k < kRun; ++k) {
      const std::uint8_t removed = removal(rows, x + k);
      kept[k] = static_cast<std::uint8_t>(q[x + k] & ~removed);
      removed_any |= removed;
    }
    std::memcpy(a + x, kept, kRun);
  }
  for (; x < x_end; ++x) {
    const std::uint8_t removed = removal(rows, x);
    a[x] = static_cast<std::uint8_t>(q[x] & ~removed);
    removed_any |= removed;
  }
  return removed_any;
}

}  // namespace

void remove_thick_ridge_pixels(std::uint8_t* image, std::uint8_t* work, int width, int height) {
  std::memcpy(work, image, static_cast<std::size_t>(width) * height);
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

namespace {

// One sequential pass inside the outermost row and column: row by row, left to right, a
// ridge pixel whose neighbourhood `removable` marks is cleared at once, so that earlier
// removals count for later pixels.
void remove_in_scan_order(std::uint8_t* image, int width, int height,
                          const std::array<bool, 256>& removable) {
  for (int y = 1; y < height - 1; ++y) {
    std::uint8_t* row = image + static_cast<std::ptrdiff_t>(y) * width;
    for (int x = 1; x < width - 1; ++x) {
      // Most of a skeleton is background: skip it eight pixels at a time.
      if (x + 8 <= width - 1) {
        std::uint64_t eight;
        std::memcpy(&eight, row + x, sizeof eight);
        if (eight == 0) {
          x += 7;
          continue;
        }
      }
      if (row[x] != 0 && removable[neighbour_code(row + x, width)]) row[x] = 0;
    }
  }
}

}  // namespace

void remove_simple_pixels(std::uint8_t* image, int width, int height) {
  remove_in_scan_order(image, width, height, kSimplePixel);
}

void remove_corner_pixels(std::uint8_t* image, int width, int height) {
  remove_in_scan_order(image, width, height, kCornerPixel);
}

void thin_ridges(std::uint8_t* ridges, std::uint8_t* skeleton, int width, int height) {
  remove_thick_ridge_pixels(ridges, skeleton, width, height);
  remove_simple_pixels(skeleton, width, height);
  remove_corner_pixels(skeleton, width, height);
}

}  // namespace recognition::thinning
