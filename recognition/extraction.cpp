#include "recognition/extraction.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "recognition/pair_geometry.h"

namespace recognition {
namespace {

// The eight neighbours in the order every search tries them; y grows downward.
enum Direction { kE, kSE, kS, kSW, kW, kNW, kN, kNE, kDirections };
struct Step {
  int dx;
  int dy;
};
constexpr std::array<Step, kDirections> kSteps = {Step{1, 0},  Step{1, 1},  Step{0, 1},
                                                  Step{-1, 1}, Step{-1, 0}, Step{-1, -1},
                                                  Step{0, -1}, Step{1, -1}};

constexpr unsigned bit(Direction d) { return 1u << d; }

// Skeleton noise left by the thinning: an L of two edge neighbours or a T of three, with
// no diagonal neighbour. The pixel in the corner goes.
constexpr std::array<unsigned, 8> kSpurPatterns = {
    bit(kN) | bit(kE),           bit(kE) | bit(kS),           bit(kS) | bit(kW),
    bit(kN) | bit(kW),           bit(kN) | bit(kE) | bit(kS), bit(kN) | bit(kE) | bit(kW),
    bit(kN) | bit(kS) | bit(kW), bit(kE) | bit(kS) | bit(kW)};

constexpr std::array<bool, 256> make_spur_lookup() {
  std::array<bool, 256> lookup{};
  for (const unsigned pattern : kSpurPatterns) lookup[pattern] = true;
  return lookup;
}
constexpr std::array<bool, 256> kIsSpur = make_spur_lookup();

// The thinning leaves artefact lines along the image border; up to 12 lines deep are
// searched, and 3 more than the densest one are cleared.
constexpr int kBorderSearchDepth = 12;
constexpr int kBorderClearMargin = 3;

// Three-branch candidates need three walks of kTraceLength; one is recorded from the two
// branch ends closest to each other.
constexpr int kBranches = 3;

class Skeleton {
 public:
  explicit Skeleton(MinutiaSet& set)
      : set_(set), image_(set.image), width_(set.width), height_(set.height) {
    for (int d = 0; d < kDirections; ++d) offsets_[d] = kSteps[d].dx + kSteps[d].dy * width_;
  }

  bool extract() {
    clear_border_artefacts();
    scan_interior([this](std::ptrdiff_t p) {
      if (image_[p] != kBackground && kIsSpur[neighbour_mask(p)]) image_[p] = kBackground;
    });
    // Crossings of two ridges carry no reliable minutia.
    scan_interior([this](std::ptrdiff_t p) {
      if (image_[p] != kBackground && neighbour_count(p) == 4) image_[p] = kBackground;
    });
    mark_print_edge_ends();
    scan_interior([this](std::ptrdiff_t p) {
      if (image_[p] != kRidge) return;
      const int count = neighbour_count(p);
      if (count == 1) image_[p] = kEndingCandidate;
      if (count == 3) image_[p] = kBifurcationCandidate;
    });
    scan_interior([this](std::ptrdiff_t p) {
      if (image_[p] == kBifurcationCandidate) dissolve_adjacent_bifurcations(p);
    });
    bool room = true;
    scan_interior([this, &room](std::ptrdiff_t p) {
      if (!room) return;
      if (image_[p] == kEndingCandidate)
        room = trace_ending(p);
      else if (image_[p] == kBifurcationCandidate)
        room = trace_bifurcation(p);
    });
    return room;
  }

 private:
  std::ptrdiff_t at(int x, int y) const { return static_cast<std::ptrdiff_t>(y) * width_ + x; }
  std::ptrdiff_t neighbour(std::ptrdiff_t p, int d) const { return p + offsets_[d]; }

  // Bit d set when the neighbour in direction d is not background.
  unsigned neighbour_mask(std::ptrdiff_t p) const {
    unsigned mask = 0;
    for (int d = 0; d < kDirections; ++d) {
      mask |= static_cast<unsigned>(image_[neighbour(p, d)] != kBackground) << d;
    }
    return mask;
  }
  int neighbour_count(std::ptrdiff_t p) const { return std::popcount(neighbour_mask(p)); }

  // Row by row over the pixels that have all eight neighbours inside the image; changes
  // are seen by the later pixels of the same scan. No scan does anything to a background
  // pixel, so the search for the next skeleton pixel takes eight at a time; it starts
  // afresh after every visit, which may have changed the pixels ahead.
  template <class Visit>
  void scan_interior(Visit visit) {
    for (int y = 1; y <= height_ - 2; ++y) {
      const std::ptrdiff_t row = at(0, y);
      int x = 1;
      while (x + kWord <= width_ - 1) {
        std::uint64_t word = 0;
        std::memcpy(&word, image_ + row + x, sizeof word);
        const int skip = first_set_byte(word);
        if (skip == kWord) {
          x += kWord;
          continue;
        }
        x += skip;
        visit(row + x);
        ++x;
      }
      for (; x <= width_ - 2; ++x) {
        if (image_[row + x] != kBackground) visit(row + x);
      }
    }
  }

  // Index in memory order of the first non-zero byte of `word`, 8 when there is none.
  static int first_set_byte(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    // The high bit of each byte becomes set exactly when the byte is not 0 (no carries
    // cross bytes: (b & 0x7F) + 0x7F <= 0xFE).
    const std::uint64_t set = (((word & kLow7) + kLow7) | word) & ~kLow7;
    if (set == 0) return kWord;
    if constexpr (std::endian::native == std::endian::little) return std::countr_zero(set) / 8;
    return std::countl_zero(set) / 8;
  }
  static constexpr int kWord = sizeof(std::uint64_t);

  void clear_border_artefacts() {
    struct Edge {
      bool columns;
      bool from_far_side;
    };
    constexpr std::array<Edge, 4> kEdges = {Edge{true, false}, Edge{true, true}, Edge{false, false},
                                            Edge{false, true}};
    for (const Edge& edge : kEdges) {
      const int lines = edge.columns ? width_ : height_;
      const int length = edge.columns ? height_ : width_;
      auto pixel = [&](int line, int i) -> std::uint8_t& {
        const int index = edge.from_far_side ? lines - 1 - line : line;
        return edge.columns ? image_[at(index, i)] : image_[at(i, index)];
      };
      int densest = 0;
      int densest_count = -1;
      for (int k = 0; k < kBorderSearchDepth; ++k) {
        int count = 0;
        for (int i = 0; i < length; ++i) count += pixel(k, i) != kBackground ? 1 : 0;
        if (count > densest_count) {
          densest = k;
          densest_count = count;
        }
      }
      for (int line = 0; line < densest + kBorderClearMargin; ++line) {
        for (int i = 0; i < length; ++i) pixel(line, i) = kBackground;
      }
    }
  }

  // A line end that is the first skeleton pixel seen from outside the print lies on its
  // edge: the ridge goes on beyond what the sensor saw, so it is no minutia.
  void mark_print_edge_ends() {
    auto first_from = [this](int x, int y, int dx, int dy, int steps) {
      for (int i = 0; i < steps; ++i, x += dx, y += dy) {
        const std::ptrdiff_t p = at(x, y);
        if (image_[p] == kBackground || image_[p] == kPrintEdgeEnd) continue;
        if (neighbour_count(p) == 1) image_[p] = kPrintEdgeEnd;
        return;
      }
    };
    for (int y = 1; y <= height_ - 2; ++y) first_from(1, y, 1, 0, width_ - 2);
    for (int y = 1; y <= height_ - 2; ++y) first_from(width_ - 1, y, -1, 0, width_ - 1);
    for (int x = 1; x <= width_ - 2; ++x) first_from(x, 1, 0, 1, height_ - 2);
    for (int x = 1; x <= width_ - 2; ++x) first_from(x, height_ - 1, 0, -1, height_ - 2);
  }

  // Two bifurcation candidates side by side are one thick junction, not two minutiae.
  void dissolve_adjacent_bifurcations(std::ptrdiff_t p) {
    constexpr std::array<std::array<Direction, 2>, 4> kPairs = {
        std::array<Direction, 2>{kE, kN}, {kN, kW}, {kW, kS}, {kE, kS}};
    for (const auto& pair : kPairs) {
      const std::ptrdiff_t a = neighbour(p, pair[0]);
      const std::ptrdiff_t b = neighbour(p, pair[1]);
      if (image_[a] == kBifurcationCandidate && image_[b] == kBifurcationCandidate) {
        image_[a] = kRidge;
        image_[b] = kRidge;
        return;
      }
    }
  }

  // Follows the ridge from `start`, coming from `previous`; the end pixel when the walk
  // reaches its trace_length-th pixel (the start counting as the first) over ordinary
  // ridge pixels only, else -1.
  std::ptrdiff_t walk(std::ptrdiff_t previous, std::ptrdiff_t start) const {
    std::ptrdiff_t current = start;
    for (int steps = 1;;) {
      std::ptrdiff_t next = -1;
      for (int d = 0; d < kDirections && next < 0; ++d) {
        const std::ptrdiff_t n = neighbour(current, d);
        if (image_[n] != kBackground && n != previous) next = n;
      }
      if (next < 0) return -1;
      ++steps;
      previous = current;
      current = next;
      if (steps == set_.trace_length) return current;
      if (image_[current] != kRidge) return -1;
    }
  }

  bool record(std::ptrdiff_t p, MinutiaKind kind, std::ptrdiff_t direction_point) {
    std::vector<Minutia>& minutiae = set_.minutiae;
    if (minutiae.size() >= static_cast<std::size_t>(kMaxMinutiae)) return false;
    if (minutiae.size() == minutiae.capacity()) minutiae.reserve(minutiae.size() + kRoomStep);
    minutiae.push_back(Minutia{static_cast<std::int32_t>(p % width_),
                               static_cast<std::int32_t>(p / width_), kind,
                               static_cast<std::int32_t>(direction_point % width_),
                               static_cast<std::int32_t>(direction_point / width_)});
    return true;
  }

  bool trace_ending(std::ptrdiff_t p) {
    for (int d = 0; d < kDirections; ++d) {
      const std::ptrdiff_t n = neighbour(p, d);
      if (image_[n] == kBackground) continue;
      const std::ptrdiff_t end = walk(p, n);
      if (end < 0) continue;
      image_[p] = kRecorded;
      if (!record(p, kRidgeEnding, end)) return false;
      image_[end] = kRecorded;
      return true;
    }
    return true;
  }

  bool trace_bifurcation(std::ptrdiff_t p) {
    std::array<std::uint8_t, kDirections> saved{};
    for (int d = 0; d < kDirections; ++d) {
      saved[d] = image_[neighbour(p, d)];
      image_[neighbour(p, d)] = kBackground;
    }
    // Each branch is walked with the other branches cut off at the junction.
    std::array<std::ptrdiff_t, kBranches> ends{};
    int found = 0;
    for (int d = 0; d < kDirections && found < kBranches; ++d) {
      if (saved[d] == kBackground) continue;
      const std::ptrdiff_t n = neighbour(p, d);
      image_[n] = saved[d];
      const std::ptrdiff_t end = walk(p, n);
      image_[n] = kBackground;
      if (end >= 0) ends[found++] = end;
    }
    bool room = true;
    if (found == kBranches) {
      image_[p] = kRecorded;
      auto x = [this](std::ptrdiff_t q) { return static_cast<std::int32_t>(q % width_); };
      auto y = [this](std::ptrdiff_t q) { return static_cast<std::int32_t>(q / width_); };
      auto apart = [&](int a, int b) {
        return distance(x(ends[a]), y(ends[a]), x(ends[b]), y(ends[b]));
      };
      const int d01 = apart(0, 1);
      const int d02 = apart(0, 2);
      const int d12 = apart(1, 2);
      int a = 1;
      int b = 2;
      if (d01 <= d02 && d01 <= d12) {
        a = 0;
        b = 1;
      } else if (d02 <= d12) {
        a = 0;
        b = 2;
      }
      const std::ptrdiff_t direction_point =
          at((x(ends[a]) + x(ends[b])) / 2, (y(ends[a]) + y(ends[b])) / 2);
      room = record(p, kBifurcation, direction_point);
      if (room) image_[direction_point] = kRecorded;
    }
    // Put back afterwards: a direction point on a neighbour is overwritten by it.
    for (int d = 0; d < kDirections; ++d) image_[neighbour(p, d)] = saved[d];
    return room;
  }

  MinutiaSet& set_;
  std::uint8_t* image_;
  int width_;
  int height_;
  std::array<std::ptrdiff_t, kDirections> offsets_{};
};

}  // namespace

bool extract_minutiae(MinutiaSet& set) {
  if (set.minutiae.capacity() < static_cast<std::size_t>(kInitialRoom))
    set.minutiae.reserve(kInitialRoom);
  return Skeleton(set).extract();
}

}  // namespace recognition
