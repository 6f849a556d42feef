#include "recognition/extraction.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using namespace recognition;

// A hand-drawn skeleton: 0 background, 255 ridge.
class Drawing {
 public:
  Drawing(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height) {}

  void set(int x, int y) { pixels_[static_cast<std::size_t>(y) * width_ + x] = kRidge; }
  std::uint8_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

  // `length` pixels from (x, y) on, one step of (dx, dy) apart.
  void line(int x, int y, int dx, int dy, int length) {
    for (int i = 0; i < length; ++i) set(x + i * dx, y + i * dy);
  }

  // A closed ridge `margin` pixels inside the image: the rest of the drawing lies inside the
  // print, so that no line end is the first ridge pixel seen from outside.
  void frame(int margin) {
    line(margin, margin, 1, 0, width_ - 2 * margin);
    line(margin, height_ - 1 - margin, 1, 0, width_ - 2 * margin);
    line(margin, margin, 0, 1, height_ - 2 * margin);
    line(width_ - 1 - margin, margin, 0, 1, height_ - 2 * margin);
  }

  // A Y: stem down from the junction, two diagonal arms up, each `arm` pixels long.
  void y_junction(int x, int y, int arm) {
    set(x, y);
    line(x, y + 1, 0, 1, arm);
    line(x - 1, y - 1, -1, -1, arm);
    line(x + 1, y - 1, 1, -1, arm);
  }

  // Extracts; false when the room for minutiae ran out.
  bool extract_into(MinutiaSet& set) {
    set.width = static_cast<std::int16_t>(width_);
    set.height = static_cast<std::int16_t>(height_);
    set.image = pixels_.data();
    return extract_minutiae(set);
  }

  std::vector<std::array<int, 5>> extract() {
    MinutiaSet set;
    EXPECT_TRUE(extract_into(set));
    std::vector<std::array<int, 5>> rows;
    for (const Minutia& m : set.minutiae) rows.push_back({m.x, m.y, m.kind, m.x2, m.y2});
    return rows;
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

using Rows = std::vector<std::array<int, 5>>;

struct Pixel {
  int x;
  int y;
  bool cleared;
};

void expect_cleared(const Drawing& d, std::initializer_list<Pixel> pixels) {
  for (const Pixel& p : pixels) {
    EXPECT_EQ(d.at(p.x, p.y) == kBackground, p.cleared) << "(" << p.x << ", " << p.y << ")";
  }
}
constexpr int kFrameMargin = 12;  // beyond the 12 columns searched for border artefacts

TEST(Extraction, StraightRidgesInsideThePrint) {
  struct Case {
    int length;
    Rows minutiae;
    std::uint8_t right_end;
  };
  // The left end is traced first; its direction point (200) stops the walk from the right
  // end of a 30-pixel ridge after 9 steps.
  const Case cases[] = {
      {10, {}, kEndingCandidate},
      {30, {{30, 30, kRidgeEnding, 50, 30}}, kEndingCandidate},
      {60, {{30, 30, kRidgeEnding, 50, 30}, {89, 30, kRidgeEnding, 69, 30}}, kRecorded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " pixels");
    Drawing d(120, 60);
    d.frame(kFrameMargin);
    d.line(30, 30, 1, 0, c.length);
    EXPECT_EQ(d.extract(), c.minutiae);
    EXPECT_EQ(d.at(30, 30), c.length >= 20 ? kRecorded : kEndingCandidate);
    EXPECT_EQ(d.at(29 + c.length, 30), c.right_end);
    EXPECT_EQ(d.at(35, 30), kRidge);
  }
}

TEST(Extraction, RidgeEndsAtTheEdgeOfThePrintAreIgnored) {
  Drawing d(120, 60);
  d.line(30, 30, 1, 0, 60);
  EXPECT_EQ(d.extract(), Rows{});
  EXPECT_EQ(d.at(30, 30), kPrintEdgeEnd);
  EXPECT_EQ(d.at(89, 30), kPrintEdgeEnd);
}

TEST(Extraction, YJunctionWithArmsEndingAtThePrintEdgeIsOneBifurcation) {
  Drawing d(120, 100);
  d.y_junction(60, 50, 25);
  // Branch ends (60, 70), (40, 30), (80, 30): the two upper ones are closest.
  EXPECT_EQ(d.extract(), (Rows{{60, 50, kBifurcation, 60, 30}}));
  EXPECT_EQ(d.at(60, 50), kRecorded);
  EXPECT_EQ(d.at(60, 30), kRecorded);
  EXPECT_EQ(d.at(35, 25), kPrintEdgeEnd);
  EXPECT_EQ(d.at(60, 75), kPrintEdgeEnd);
}

TEST(Extraction, YJunctionWithArmEndsInsideThePrintGivesItsEndings) {
  // The upper arm ends are traced before the junction; their direction points cut the
  // junction's upper branches short, so it stays a candidate.
  Drawing d(120, 100);
  d.frame(kFrameMargin);
  d.y_junction(60, 50, 25);
  EXPECT_EQ(d.extract(), (Rows{{35, 25, kRidgeEnding, 55, 45},
                               {85, 25, kRidgeEnding, 65, 45},
                               {60, 75, kRidgeEnding, 60, 55}}));
  EXPECT_EQ(d.at(60, 50), kBifurcationCandidate);
}

TEST(Extraction, JunctionWithTwoLongArmsStaysACandidate) {
  Drawing d(120, 100);
  d.set(60, 50);
  d.line(59, 49, -1, -1, 20);
  d.line(61, 49, 1, -1, 20);
  d.line(60, 51, 0, 1, 2);  // a stub too short to follow
  EXPECT_EQ(d.extract(), Rows{});
  EXPECT_EQ(d.at(60, 50), kBifurcationCandidate);
}

TEST(Extraction, EmptySkeletonHasNoMinutiae) {
  Drawing d(16, 16);
  EXPECT_EQ(d.extract(), Rows{});
}

TEST(Extraction, BorderArtefactLinesAreClearedWithTheirMargin) {
  Drawing d(100, 60);
  d.line(5, 0, 0, 1, 60);   // left: cleared with columns 0..7
  d.line(94, 0, 0, 1, 60);  // right: the 6th column from the edge, cleared with 8 more
  d.line(0, 2, 1, 0, 100);  // top: the 3rd row, cleared with rows 0..4
  d.set(7, 30);
  d.set(8, 30);
  d.set(92, 30);
  d.set(91, 30);
  d.set(50, 4);
  d.set(50, 5);
  d.extract();
  expect_cleared(d, {{5, 30, true},
                     {7, 30, true},
                     {8, 30, false},
                     {94, 30, true},
                     {92, 30, true},
                     {91, 30, false},
                     {50, 4, true},
                     {50, 5, false}});
}

TEST(Extraction, CornersOfRightAngledTurnsAndCrossingsAreRemoved) {
  Drawing d(120, 100);
  d.frame(kFrameMargin);
  d.line(30, 20, 0, 1, 21);  // an L: down, then right from (30, 40)
  d.line(31, 40, 1, 0, 20);
  d.line(30, 50, 1, 1, 21);  // an X crossing at (40, 60)
  d.line(50, 50, -1, 1, 21);
  d.line(70, 20, 0, 1, 21);  // a + crossing at (70, 30)
  d.line(60, 30, 1, 0, 21);
  d.extract();
  // In the + the pixel above the centre has four neighbours first; once it is gone the
  // centre has three and stays, and the pixel below goes in its turn.
  expect_cleared(d, {{30, 40, true},
                     {30, 39, false},
                     {40, 60, true},
                     {39, 59, false},
                     {70, 29, true},
                     {70, 30, false},
                     {70, 31, true}});
}

TEST(Extraction, MoreMinutiaeThanAnFpCodeCanCountAreRefused) {
  // 21 x 210 ridges of 25 pixels, each recorded once from its left end.
  Drawing d(640, 640);
  d.frame(kFrameMargin);
  for (int y = 16; y < 640 - 16; y += 3) {
    for (int x = 16; x + 25 < 640 - 16; x += 29) d.line(x, y, 1, 0, 25);
  }
  MinutiaSet set;
  EXPECT_FALSE(d.extract_into(set));
  EXPECT_EQ(set.minutiae.size(), static_cast<std::size_t>(kMaxMinutiae));
}

}  // namespace
