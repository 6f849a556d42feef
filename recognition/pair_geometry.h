// Minutia pair geometry: the integer distance of two minutiae, the integer angle under
// which one sees the other relative to its own direction, and the per-image lists of these
// relations. Matching compares only these, never absolute positions, so that it does not
// depend on where the finger lay. Every value is integer and fixed to the bit: templates
// made by one installation are scored by another.
#pragma once

#include <cstdint>
#include <vector>

#include "recognition/minutia.h"

namespace recognition {

// Integer atan2 in whole degrees, -179..179, from a 1001-step table; the ratio is taken in
// thousandths and truncated. arctangent(0, b > 0) is -1 and arctangent(0, 0) is 0.
int arctangent(std::int64_t a, std::int64_t b);

// Square root of dx^2 + dy^2 truncated, dx and dy being 16-bit differences.
int distance(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by);
int distance(const Minutia& a, const Minutia& b);

// The angle at `a` towards `c`, measured from a's direction: 1..179 or 181..360; a
// direction point straight at `c` gives 1, straight away from it 179.
int angle(const Minutia& a, const Minutia& c);

struct PairRelation {
  std::int16_t distance = 0;
  std::int16_t angle_here = 0;   // at this node's minutia towards the other one, 1..360
  std::int16_t angle_there = 0;  // at the other minutia towards this one, 1..360
  std::uint16_t other = 0;       // index of the other node in its list (0 for loaded templates)
};

struct MinutiaNode {
  const Minutia* minutia = nullptr;
  const PairRelation* relations = nullptr;  // sorted by distance for image and code nodes
  std::int16_t relation_count = 0;
  bool kindless = false;  // from an FP code: its kind is unknown
};

// One image's (or FP code's) nodes, with the storage of all their relations.
struct NodeList {
  std::vector<MinutiaNode> nodes;
  std::vector<PairRelation> relations;  // node i's at [i x (n - 1), (i + 1) x (n - 1))
};

// Makes one node per minutia, in order, with all pair relations, each node's list sorted by
// distance into the order of the exchange sort below (which fixes the order of equal
// distances). Throws std::bad_alloc when memory runs out.
NodeList build_relations(const Minutia* minutiae, int count, bool kindless);

// Orders a node's relations by distance exactly as the original exchange sort did (for p in
// turn, the entry at p swapped with every later entry of a smaller distance), which is not
// stable: distances 6, 6, 5 come out as the third, second, first entry. The order is part of
// the pinned arithmetic, so it is kept; it is computed in n log n steps instead of the
// exchange's n^2, which made a dense image cost the cube of its minutiae.
void exchange_sort_by_distance(PairRelation* relations, int count);

}  // namespace recognition
