#include "recognition/matcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "recognition/template_format.h"

namespace {

using namespace recognition;
namespace tf = recognition::template_format;

// Minutiae of a made-up finger, spread out so that no two have alike neighbourhoods.
std::vector<Minutia> finger(int count, std::uint32_t seed) {
  std::vector<Minutia> minutiae;
  std::uint32_t state = seed;
  auto next = [&state](int range) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<std::uint32_t>(range));
  };
  while (static_cast<int>(minutiae.size()) < count) {
    const int x = 20 + next(260);
    const int y = 20 + next(260);
    bool crowded = false;
    for (const Minutia& m : minutiae) crowded = crowded || distance(m.x, m.y, x, y) < 30;
    if (crowded) continue;
    const int direction = next(8);
    const int dx[] = {20, 14, 0, -14, -20, -14, 0, 14};
    const int dy[] = {0, 14, 20, 14, 0, -14, -20, -14};
    minutiae.push_back(Minutia{x, y, minutiae.size() % 2 == 0 ? kRidgeEnding : kBifurcation,
                               x + dx[direction], y + dy[direction]});
  }
  return minutiae;
}

// The nodes point into `minutiae`, which must outlive them.
NodeList nodes_of(const std::vector<Minutia>& minutiae) {
  return build_relations(minutiae.data(), static_cast<int>(minutiae.size()), false);
}

// A template enrolled from two identical images of `minutiae`.
std::vector<std::uint8_t> enrolled_template(const std::vector<Minutia>& minutiae) {
  TemplateMatcher matcher(40);
  const NodeList first = nodes_of(minutiae);
  const NodeList second = nodes_of(minutiae);
  EXPECT_EQ(matcher.run(first, MatchMode::kEnrol), 0);
  EXPECT_EQ(matcher.run(second, MatchMode::kEnrol), 1);
  return {matcher.template_bytes(), matcher.template_bytes() + matcher.template_size()};
}

// A node with hand-made relations, for the agreement rule.
struct Node {
  Minutia minutia;
  std::vector<PairRelation> relations;
  MinutiaNode node(bool kindless = false) const {
    return MinutiaNode{&minutia, relations.data(), static_cast<std::int16_t>(relations.size()),
                       kindless};
  }
};

Node node(std::uint8_t kind, std::vector<PairRelation> relations) {
  return Node{Minutia{0, 0, kind, 0, 0}, std::move(relations)};
}

std::vector<PairRelation> spread(int count, int shift = 0) {
  std::vector<PairRelation> relations;
  for (int i = 0; i < count; ++i) {
    relations.push_back(PairRelation{static_cast<std::int16_t>(30 * (i + 1) + shift),
                                     static_cast<std::int16_t>(20 + 30 * i),
                                     static_cast<std::int16_t>(300 - 20 * i), 0});
  }
  return relations;
}

TEST(Agreement, ThresholdsAndTolerances) {
  struct Case {
    const char* name;
    Node q;
    Node p;
    std::int16_t threshold;
    bool joins;
  };
  auto with = [](std::vector<PairRelation> r, int index, int dd, int dh, int dt) {
    r[index].distance = static_cast<std::int16_t>(r[index].distance + dd);
    r[index].angle_here = static_cast<std::int16_t>(r[index].angle_here + dh);
    r[index].angle_there = static_cast<std::int16_t>(r[index].angle_there + dt);
    return r;
  };
  std::vector<PairRelation> five_of_eleven = spread(11);
  for (int i = 5; i < 11; ++i)
    five_of_eleven[i].angle_here = static_cast<std::int16_t>(five_of_eleven[i].angle_here + 50);
  const Case cases[] = {
      {"same neighbourhood", node(1, spread(11)), node(1, spread(11)), 40, true},
      {"100 percent is not above 100", node(1, spread(4)), node(1, spread(4)), 100, false},
      {"four relations above 99", node(1, spread(4)), node(1, spread(4)), 99, true},
      {"three agreeing relations never join", node(1, spread(3)), node(1, spread(3)), -100, false},
      {"kinds differ", node(1, spread(11)), node(3, spread(11)), 40, false},
      {"all within 9", node(1, spread(11)), node(1, spread(11, 9)), 99, true},
      {"distances 10 apart", node(1, spread(11)), node(1, spread(11, 10)), -100, false},
      {"5 of 11 is 45 percent, above 44", node(1, spread(11)), node(1, five_of_eleven), 44, true},
      {"5 of 11 is not above 45", node(1, spread(11)), node(1, five_of_eleven), 45, false},
      {"angle here 10 apart", node(1, spread(4)), node(1, with(spread(4), 0, 0, 10, 0)), -100,
       false},
      {"angle there 9 apart", node(1, spread(4)), node(1, with(spread(4), 0, 0, 0, 9)), 99, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TemplateMatcher matcher(c.threshold);
    EXPECT_EQ(matcher.joins(c.q.node(), c.p.node()), c.joins);
  }
}

TEST(Agreement, MoreAgreeingRelationsThanTheSmallerNodeHas) {
  // Eight relations of q agree with the same one of p, which has five: s = 8 x 100 / 5.
  std::vector<PairRelation> p_relations = {
      {40, 0, 0, 0}, {60, 0, 0, 0}, {100, 50, 50, 0}, {200, 0, 0, 0}, {300, 0, 0, 0}};
  const Node q = node(1, std::vector<PairRelation>(8, PairRelation{100, 50, 50, 0}));
  const Node p = node(1, p_relations);
  EXPECT_TRUE(TemplateMatcher(159).joins(q.node(), p.node()));
  EXPECT_FALSE(TemplateMatcher(160).joins(q.node(), p.node()));
}

TEST(Agreement, AnglesDoNotWrapAround) {
  const Node q =
      node(1, {{50, 359, 100, 0}, {60, 359, 110, 0}, {70, 359, 120, 0}, {80, 359, 130, 0}});
  const Node p = node(1, {{50, 2, 100, 0}, {60, 2, 110, 0}, {70, 2, 120, 0}, {80, 2, 130, 0}});
  EXPECT_FALSE(TemplateMatcher(-1).joins(q.node(), p.node()));
}

TEST(Agreement, MinutiaeFromAnFpCodePairWithEitherKind) {
  const Node q = node(kBifurcation, spread(11));
  const Node p = node(kKindNone, spread(11));
  const TemplateMatcher matcher(40);
  EXPECT_TRUE(matcher.joins(q.node(), p.node(/*kindless=*/true)));
  EXPECT_FALSE(matcher.joins(q.node(), p.node(/*kindless=*/false)));
}

TEST(Enrolment, TheSameImageTwiceAddsNoRowAndGivesAFullTemplate) {
  const std::vector<Minutia> minutiae = finger(16, 7);
  TemplateMatcher matcher(40);
  const NodeList first = nodes_of(minutiae);
  const NodeList second = nodes_of(minutiae);
  EXPECT_EQ(matcher.run(first, MatchMode::kEnrol), 0);
  EXPECT_EQ(matcher.rows(), 16u);
  EXPECT_EQ(matcher.run(second, MatchMode::kEnrol), 1);
  EXPECT_EQ(matcher.rows(), 16u);
  EXPECT_EQ(matcher.columns(), 2u);

  ASSERT_EQ(matcher.template_size(), tf::kTemplateSize);
  const std::uint8_t* t = matcher.template_bytes();
  EXPECT_EQ(tf::check_template(t), tf::TemplateCheck::kValid);
  // Rows 0..11 in row order, each with its relations to the other eleven in order.
  for (int r = 0; r < 12; ++r) {
    SCOPED_TRACE(testing::Message() << "record " << r);
    const std::uint8_t* record =
        t + tf::kHeaderSize + static_cast<std::ptrdiff_t>(r) * tf::kRecordSize;
    EXPECT_EQ(record[0], 100);
    EXPECT_EQ(record[1], minutiae[r].kind);
    int field = 2;
    for (int j = 0; j < 12; ++j) {
      if (j == r) continue;
      EXPECT_EQ(static_cast<std::int16_t>(byte_order::load_le16(record + field)),
                distance(minutiae[r], minutiae[j]));
      EXPECT_EQ(static_cast<std::int16_t>(byte_order::load_le16(record + field + 2)),
                angle(minutiae[r], minutiae[j]));
      EXPECT_EQ(static_cast<std::int16_t>(byte_order::load_le16(record + field + 4)),
                angle(minutiae[j], minutiae[r]));
      field += 6;
    }
  }
}

TEST(Enrolment, OccurrencePercentagesOverThreeImages) {
  std::vector<Minutia> all = finger(12, 11);
  std::vector<Minutia> without_last_two(all.begin(), all.end() - 2);
  TemplateMatcher matcher(40);
  const NodeList a = nodes_of(all);
  const NodeList b = nodes_of(all);
  const NodeList c = nodes_of(without_last_two);
  EXPECT_EQ(matcher.run(a, MatchMode::kEnrol), 0);
  EXPECT_EQ(matcher.run(b, MatchMode::kEnrol), 1);
  EXPECT_EQ(matcher.run(c, MatchMode::kEnrol), 1);
  EXPECT_EQ(matcher.rows(), 12u);
  const std::uint8_t* body = matcher.template_bytes() + tf::kHeaderSize;
  for (std::size_t r = 0; r < 12; ++r)
    EXPECT_EQ(body[r * tf::kRecordSize], r < 10 ? 100 : 66) << "record " << r;
}

TEST(Enrolment, TooFewRowsSeenTwiceGiveNoTemplate) {
  const std::vector<Minutia> minutiae = finger(16, 3);
  TemplateMatcher matcher(40);
  const NodeList empty;
  const NodeList all = nodes_of(minutiae);
  const std::vector<Minutia> first_eleven(minutiae.begin(), minutiae.begin() + 11);
  const NodeList eleven = nodes_of(first_eleven);
  EXPECT_EQ(matcher.run(empty, MatchMode::kEnrol),
            0);  // the first image makes the table, even empty
  EXPECT_EQ(matcher.run(all, MatchMode::kEnrol), 0);
  EXPECT_EQ(matcher.columns(), 2u);
  EXPECT_EQ(matcher.rows(), 16u);
  EXPECT_EQ(matcher.run(eleven, MatchMode::kEnrol), 0);  // only 11 rows seen twice
  EXPECT_EQ(matcher.rows(), 16u);
}

TEST(Enrolment, RowsSeenTwiceAmongMoreThan200ImagesStillCount) {
  // Beyond 200 images a row seen in two of them has 0 percent; it is still one of the 12.
  const std::vector<Minutia> all = finger(12, 21);
  const std::vector<Minutia> common(all.begin(), all.begin() + 10);
  const NodeList rare = nodes_of(all);
  const NodeList usual = nodes_of(common);
  TemplateMatcher matcher(40);
  ASSERT_EQ(matcher.run(rare, MatchMode::kEnrol), 0);
  ASSERT_EQ(matcher.run(rare, MatchMode::kEnrol), 1);
  for (int image = 2; image < 201; ++image) matcher.run(usual, MatchMode::kEnrol);
  ASSERT_EQ(matcher.run(usual, MatchMode::kEnrol), 1);
  EXPECT_EQ(matcher.columns(), 202u);
  const std::uint8_t* t = matcher.template_bytes();
  EXPECT_EQ(tf::check_template(t), tf::TemplateCheck::kValid);
  EXPECT_EQ(t[tf::kHeaderSize + 10 * tf::kRecordSize], 0);
  EXPECT_EQ(t[tf::kHeaderSize], 100);
}

TEST(Comparison, ScoreIsTheShareOfTemplateRowsWithAPartner) {
  const std::vector<Minutia> minutiae = finger(12, 7);
  const std::vector<std::uint8_t> stored = enrolled_template(minutiae);
  struct Case {
    const char* name;
    std::vector<Minutia> live;
    std::int16_t score;
  };
  const Case cases[] = {
      {"all twelve", minutiae, 100},
      {"nine of twelve", std::vector<Minutia>(minutiae.begin(), minutiae.begin() + 9), 75},
      {"no minutiae", {}, 0},
      {"another finger", finger(20, 99), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemplateMatcher matcher(40);
    ASSERT_EQ(matcher.load_template(stored.data()), 0);
    EXPECT_EQ(matcher.rows(), 12u);
    const NodeList live = nodes_of(c.live);
    EXPECT_EQ(matcher.run(live, MatchMode::kCompare), c.score);
  }
}

TEST(Comparison, ARejectedTemplateLoadsNothing) {
  std::vector<std::uint8_t> stored = enrolled_template(finger(12, 7));
  stored[100] ^= 1;
  TemplateMatcher matcher(40);
  EXPECT_EQ(matcher.load_template(stored.data()), -3);
  EXPECT_EQ(matcher.rows(), 0u);
  EXPECT_EQ(matcher.columns(), 0u);
}

TEST(Comparison, ClearedMatcherScoresTheSameAgain) {
  const std::vector<Minutia> minutiae = finger(12, 7);
  const std::vector<std::uint8_t> stored = enrolled_template(minutiae);
  const std::vector<Minutia> nine(minutiae.begin(), minutiae.begin() + 9);
  const NodeList live = nodes_of(nine);
  TemplateMatcher matcher(40);
  for (int round = 0; round < 2; ++round) {
    matcher.clear();
    ASSERT_EQ(matcher.load_template(stored.data()), 0);
    EXPECT_EQ(matcher.run(live, MatchMode::kCompare), 75);
  }
  EXPECT_EQ(matcher.run(live, MatchMode::kExtractOnly), 0);
}

}  // namespace
