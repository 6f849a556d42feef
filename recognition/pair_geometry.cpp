#include "recognition/pair_geometry.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace recognition {
namespace {

// Ratios (in thousandths) at which the whole-degree arctangent steps up by one; it starts
// at 1 for ratio 0 and reaches 45 at ratio 987.
constexpr std::array<int, 44> kDegreeSteps = {
    28,  46,  64,  83,  102, 121, 141, 160, 180, 201, 221, 242, 263, 284, 305,
    327, 349, 371, 393, 415, 438, 461, 483, 507, 530, 553, 577, 600, 624, 648,
    672, 696, 720, 744, 769, 793, 817, 842, 866, 891, 916, 940, 965, 987};

constexpr int kRatioScale = 1000;

constexpr std::array<std::uint8_t, kRatioScale + 1> make_degree_table() {
  std::array<std::uint8_t, kRatioScale + 1> table{};
  int degrees = 1;
  std::size_t step = 0;
  for (int k = 0; k <= kRatioScale; ++k) {
    if (step < kDegreeSteps.size() && k == kDegreeSteps[step]) {
      ++degrees;
      ++step;
    }
    table[k] = static_cast<std::uint8_t>(degrees);
  }
  return table;
}

constexpr std::array<std::uint8_t, kRatioScale + 1> kDegreeTable = make_degree_table();

// Ratios are never above 1000 here: the smaller side is always divided by the larger.
int degrees_of_ratio(std::int64_t numerator, std::int64_t denominator) {
  return kDegreeTable[static_cast<std::size_t>(numerator * kRatioScale / denominator)];
}

// The arctangent for a >= 0: 0..179.
int half_plane_arctangent(std::int64_t a, std::int64_t b) {
  if (b > 0) return a <= b ? degrees_of_ratio(a, b) : 90 - degrees_of_ratio(b, a);
  if (b == 0) return a > 0 ? 90 : 0;
  return a > -b ? 90 + degrees_of_ratio(-b, a) : 180 - degrees_of_ratio(a, -b);
}

// The products of the angle are 32-bit on the devices' hosts; large coordinates from an FP
// code wrap the same way here instead of overflowing.
std::int32_t wrap32(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

int arctangent(std::int64_t a, std::int64_t b) {
  return a > 0 ? half_plane_arctangent(a, b) : -half_plane_arctangent(-a, b);
}

int distance(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
  const std::int64_t dx = std::abs(static_cast<std::int16_t>(ax - bx));
  const std::int64_t dy = std::abs(static_cast<std::int16_t>(ay - by));
  return static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
}

int distance(const Minutia& a, const Minutia& b) { return distance(a.x, a.y, b.x, b.y); }

int angle(const Minutia& a, const Minutia& c) {
  const std::int64_t ux = wrap32(static_cast<std::int64_t>(a.x2) - a.x);
  const std::int64_t uy = wrap32(static_cast<std::int64_t>(a.y2) - a.y);
  const std::int64_t vx = wrap32(static_cast<std::int64_t>(c.x) - a.x);
  const std::int64_t vy = wrap32(static_cast<std::int64_t>(c.y) - a.y);
  const int t = arctangent(wrap32(ux * vy - uy * vx), wrap32(ux * vx + uy * vy));
  return t < 0 ? -t : 360 - t;
}

void exchange_sort_by_distance(PairRelation* relations, int count) {
  for (int p = 0; p + 1 < count; ++p) {
    // The entry at p, held aside while the rest of the list is compared with it.
    PairRelation at_p = relations[p];
    for (int q = p + 1; q < count; ++q) {
      if (at_p.distance > relations[q].distance) std::swap(at_p, relations[q]);
    }
    relations[p] = at_p;
  }
}

NodeList build_relations(const Minutia* minutiae, int count, bool kindless) {
  NodeList list;
  const int per_node = count > 0 ? count - 1 : 0;
  list.nodes.resize(static_cast<std::size_t>(count));
  list.relations.resize(static_cast<std::size_t>(count) * per_node);
  for (int i = 0; i < count; ++i) {
    PairRelation* own = list.relations.data() + static_cast<std::size_t>(i) * per_node;
    int filled = 0;
    for (int j = 0; j < count; ++j) {
      if (j == i) continue;
      own[filled++] = PairRelation{static_cast<std::int16_t>(distance(minutiae[i], minutiae[j])),
                                   static_cast<std::int16_t>(angle(minutiae[i], minutiae[j])),
                                   static_cast<std::int16_t>(angle(minutiae[j], minutiae[i])),
                                   static_cast<std::uint16_t>(j)};
    }
    exchange_sort_by_distance(own, per_node);
    list.nodes[i] = MinutiaNode{&minutiae[i], own, static_cast<std::int16_t>(per_node), kindless};
  }
  return list;
}

}  // namespace recognition
