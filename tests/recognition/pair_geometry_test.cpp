#include "recognition/pair_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using namespace recognition;

Minutia at(int x, int y, int x2 = 0, int y2 = 0) { return Minutia{x, y, kRidgeEnding, x2, y2}; }

TEST(Arctangent, WorkedValuesAndTheStepTable) {
  struct Case {
    std::int64_t a, b;
    int degrees;
  };
  const Case cases[] = {
      {0, 5, -1},       {1, 1, 45},      {1, 0, 90},        {0, -5, -179},   {0, 0, 0},
      {-1, -1, -135},   {27, 1000, 1},   {28, 1000, 2},     {500, 1000, 24}, {1000, 1000, 45},
      {986, 1000, 44},  {987, 1000, 45}, {1000, 27, 89},    {1000, 28, 88},  {1000, -28, 92},
      {28, -1000, 178}, {-28, 1000, -2}, {-1000, -28, -92}, {0, 1, -1},      {1, 1000000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "arctangent(" << c.a << ", " << c.b << ")");
    EXPECT_EQ(arctangent(c.a, c.b), c.degrees);
  }
}

TEST(Arctangent, LargeArgumentsDoNotOverflow) {
  EXPECT_EQ(arctangent(INT32_MIN, INT32_MIN), -135);
  EXPECT_EQ(arctangent(INT32_MAX, 1), 89);
}

TEST(Distance, TruncatedEuclideanOf16BitDifferences) {
  EXPECT_EQ(distance(at(0, 0), at(3, 4)), 5);
  EXPECT_EQ(distance(at(0, 0), at(1, 1)), 1);
  EXPECT_EQ(distance(at(10, 10), at(10, 10)), 0);
  EXPECT_EQ(distance(at(0, 0), at(4095, 4095)), 5791);
  // Differences are taken in 16 bits, as in the FP code's fields.
  EXPECT_EQ(distance(at(0, 0), at(65536 + 3, 4)), 5);
  EXPECT_EQ(distance(at(-32768, -32768), at(0, 0)), 46340);
}

TEST(Angle, FromTheMinutiaDirectionTowardsTheOther) {
  const Minutia facing_right = at(100, 100, 120, 100);  // direction point 20 pixels to the right
  struct Case {
    const char* name;
    Minutia other;
    int degrees;
  };
  const Case cases[] = {
      {"10 pixels below (y grows downward)", at(100, 110), 270},
      {"straight ahead", at(115, 100), 1},
      {"straight behind", at(85, 100), 179},
      {"10 pixels above", at(100, 90), 90},
      {"at the same place", at(100, 100), 360},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(angle(facing_right, c.other), c.degrees);
  }
}

TEST(ExchangeSort, FixesTheOrderOfEqualDistances) {
  struct Case {
    std::vector<std::int16_t> distances;
    std::vector<std::uint16_t> order;  // original positions, as they come out
  };
  const Case cases[] = {
      {{6, 6, 5}, {2, 1, 0}}, {{7, 5, 5}, {1, 2, 0}},       {{1, 2, 3}, {0, 1, 2}},
      {{3, 3, 3}, {0, 1, 2}}, {{9, 4, 4, 1}, {3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    std::vector<PairRelation> relations;
    for (std::size_t i = 0; i < c.distances.size(); ++i) {
      relations.push_back(PairRelation{c.distances[i], 0, 0, static_cast<std::uint16_t>(i)});
    }
    exchange_sort_by_distance(relations.data(), static_cast<int>(relations.size()));
    std::vector<std::uint16_t> order;
    for (const PairRelation& r : relations) order.push_back(r.other);
    EXPECT_EQ(order, c.order);
  }
}

// The exchange sort as the relations were first ordered: the entry at p held aside and
// swapped with every later entry of a smaller distance. n^2, for short lists only.
void held_aside_exchange_sort(std::vector<PairRelation>& relations) {
  for (std::size_t p = 0; p + 1 < relations.size(); ++p) {
    PairRelation at_p = relations[p];
    for (std::size_t q = p + 1; q < relations.size(); ++q) {
      if (at_p.distance > relations[q].distance) std::swap(at_p, relations[q]);
    }
    relations[p] = at_p;
  }
}

std::vector<std::uint16_t> order_of(const std::vector<PairRelation>& relations) {
  std::vector<std::uint16_t> order;
  for (const PairRelation& r : relations) order.push_back(r.other);
  return order;
}

// The fast sort must leave equal distances exactly where the exchange left them: lists
// full of ties over few distinct values, runs that fall (the exchange's worst case), and
// lists as real nodes give them.
TEST(ExchangeSort, SameOrderAsTheExchangeOnTies) {
  struct Case {
    const char* name;
    int lists;
    int longest;
    int distinct_distances;
  };
  const Case cases[] = {
      {"two values", 3000, 12, 2},         {"few values", 3000, 16, 4},
      {"some ties", 500, 60, 12},          {"long, few values", 40, 700, 5},
      {"long, like a node", 40, 700, 300}, {"no ties", 100, 200, 30000},
  };
  std::mt19937 random(20240607);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int list = 0; list < c.lists; ++list) {
      const int length = std::uniform_int_distribution<int>(0, c.longest)(random);
      std::uniform_int_distribution<int> value(0, c.distinct_distances - 1);
      std::vector<PairRelation> relations;
      for (int i = 0; i < length; ++i) {
        relations.push_back(PairRelation{static_cast<std::int16_t>(value(random)), 0, 0,
                                         static_cast<std::uint16_t>(i)});
      }
      std::vector<PairRelation> expected = relations;
      held_aside_exchange_sort(expected);
      exchange_sort_by_distance(relations.data(), static_cast<int>(relations.size()));
      ASSERT_EQ(order_of(relations), order_of(expected)) << "list " << list << " of " << length;
    }
  }
}

TEST(ExchangeSort, SameOrderOnFallingRunsAndNegativeDistances) {
  struct Case {
    const char* name;
    std::vector<std::int16_t> distances;
  };
  std::vector<Case> cases = {
      {"falling", {}}, {"falling in pairs", {}}, {"saw", {}}, {"wrapped 16-bit", {}}};
  for (int i = 0; i < 300; ++i) {
    cases[0].distances.push_back(static_cast<std::int16_t>(300 - i));
    cases[1].distances.push_back(static_cast<std::int16_t>(300 - i / 2));
    cases[2].distances.push_back(static_cast<std::int16_t>(i % 7 == 0 ? 1 : 50 - i % 13));
    // Distances of far-apart coordinates from a code wrap to negative 16-bit values.
    cases[3].distances.push_back(
        static_cast<std::int16_t>(i % 3 == 0 ? -20000 + i % 5 : 30000 - i % 4));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<PairRelation> relations;
    for (std::size_t i = 0; i < c.distances.size(); ++i) {
      relations.push_back(PairRelation{c.distances[i], 0, 0, static_cast<std::uint16_t>(i)});
    }
    std::vector<PairRelation> expected = relations;
    held_aside_exchange_sort(expected);
    exchange_sort_by_distance(relations.data(), static_cast<int>(relations.size()));
    EXPECT_EQ(order_of(relations), order_of(expected));
  }
}

TEST(BuildRelations, EveryOtherMinutiaSortedByDistance) {
  const std::vector<Minutia> minutiae = {at(100, 100, 120, 100), at(100, 130, 100, 150),
                                         at(140, 100, 140, 80), at(100, 110, 80, 110)};
  const NodeList list = build_relations(minutiae.data(), static_cast<int>(minutiae.size()), false);
  ASSERT_EQ(list.nodes.size(), 4u);
  const MinutiaNode& first = list.nodes[0];
  EXPECT_EQ(first.minutia, &minutiae[0]);
  ASSERT_EQ(first.relation_count, 3);
  EXPECT_EQ(first.relations[0].distance, 10);
  EXPECT_EQ(first.relations[0].other, 3);
  EXPECT_EQ(first.relations[0].angle_here, 270);
  EXPECT_EQ(first.relations[0].angle_there, angle(minutiae[3], minutiae[0]));
  EXPECT_EQ(first.relations[1].distance, 30);
  EXPECT_EQ(first.relations[2].distance, 40);
  EXPECT_EQ(first.relations[2].angle_here, 1);
  for (const MinutiaNode& node : list.nodes) {
    EXPECT_FALSE(node.kindless);
    for (int i = 1; i < node.relation_count; ++i) {
      EXPECT_LE(node.relations[i - 1].distance, node.relations[i].distance);
    }
  }
}

TEST(BuildRelations, OneMinutiaHasNoRelations) {
  const Minutia alone = at(50, 50, 60, 50);
  const NodeList list = build_relations(&alone, 1, true);
  ASSERT_EQ(list.nodes.size(), 1u);
  EXPECT_EQ(list.nodes[0].relation_count, 0);
  EXPECT_TRUE(list.nodes[0].kindless);
  EXPECT_TRUE(build_relations(nullptr, 0, false).nodes.empty());
}

}  // namespace
