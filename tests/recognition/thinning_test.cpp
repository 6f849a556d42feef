// Ridge thinning on small drawn pictures: '#' a ridge pixel (255), '.' background.
#include "recognition/thinning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace recognition::thinning {
namespace {

using Drawing = std::vector<std::string>;

struct Picture {
  explicit Picture(const Drawing& drawing)
      : width(static_cast<int>(drawing.front().size())), height(static_cast<int>(drawing.size())) {
    for (const std::string& row : drawing) {
      for (const char c : row) pixels.push_back(c == '#' ? 255 : 0);
    }
  }
  Drawing drawing() const {
    Drawing rows;
    for (int y = 0; y < height; ++y) {
      std::string row;
      for (int x = 0; x < width; ++x) row += pixels[y * width + x] != 0 ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  }
  int width;
  int height;
  std::vector<std::uint8_t> pixels;
};

Drawing thinned(const Drawing& drawing) {
  Picture ridges(drawing);
  Picture skeleton(drawing);
  thin_ridges(ridges.pixels.data(), skeleton.pixels.data(), ridges.width, ridges.height);
  return skeleton.drawing();
}

std::string shown(const Drawing& drawing) {
  std::string text = "\n";
  for (const std::string& row : drawing) text += row + "\n";
  return text;
}

TEST(Thinning, ShapesAlreadyOnePixelWideStayAsTheyAre) {
  const std::vector<Drawing> cases = {
      {"..........",  // empty
       "..........", "..........", "..........", ".........."},
      {"..........",  // isolated pixel
       "..........", "....#.....", "..........", ".........."},
      {"..........",  // straight line: its ends have one neighbour, inner pixels two runs
       "..........", "..######..", "..........", ".........."},
      {"..........",  // diagonal line
       "..#.......", "...#......", "....#.....", ".....#....", "......#...", ".........."},
      {"..........",  // vertical line
       "....#.....", "....#.....", "....#.....", "....#.....", ".........."},
  };
  for (const Drawing& drawing : cases) {
    EXPECT_EQ(shown(thinned(drawing)), shown(drawing));
  }
}

TEST(Thinning, BarThreePixelsHighBecomesItsMiddleRow) {
  // Every decision of a parallel pass is taken on the image before the pass: judged in
  // place, the removed top and bottom rows would save the ends of the middle row.
  const Drawing bar = {
      "..............................", "..............................",
      "..............................", ".....####################.....",
      ".....####################.....", ".....####################.....",
      "..............................", "..............................",
      "..............................",
  };
  const Drawing expected = {
      "..............................", "..............................",
      "..............................", "..............................",
      "......##################......", "..............................",
      "..............................", "..............................",
      "..............................",
  };
  EXPECT_EQ(shown(thinned(bar)), shown(expected));
}

TEST(Thinning, RightAngledTurnLosesItsCornerButStaysJoinedDiagonally) {
  const Drawing turn = {
      "..........", "..#.......", "..#.......", "..#.......", "..#####...", "..........",
  };
  const Drawing expected = {
      "..........", "..#.......", "..#.......", "..#.......", "...####...", "..........",
  };
  EXPECT_EQ(shown(thinned(turn)), shown(expected));
}

TEST(Thinning, ParallelPassesLeaveTheTwoOutermostRowsAndColumns) {
  // A thick ridge along the top edge and down the left edge.
  Drawing drawing(12, std::string(16, '.'));
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (y < 5 || x < 5) drawing[y][x] = '#';
    }
  }
  Picture image(drawing);
  Picture work(drawing);
  remove_thick_ridge_pixels(image.pixels.data(), work.pixels.data(), image.width, image.height);
  const Drawing result = image.drawing();
  EXPECT_NE(result, drawing) << "the inner edge of the ridge is thinned";
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (y < 2 || x < 2 || y >= 10 || x >= 14) {
        EXPECT_EQ(result[y][x], drawing[y][x]) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(work.pixels, image.pixels) << "both images hold the result";
}

TEST(Thinning, SequentialPassesLeaveTheOutermostRowAndColumn) {
  // Row 0 would be simple pixels and the corner at column 0 a removable turn, but the
  // sequential passes start one pixel in.
  Picture band(Drawing{
      "##########",
      "##########",
      "..........",
      "#.........",
      "######....",
      "..........",
  });
  remove_simple_pixels(band.pixels.data(), band.width, band.height);
  EXPECT_EQ(shown(band.drawing()), shown({
                                       "##########",
                                       "#........#",
                                       "..........",
                                       "#.........",
                                       "######....",
                                       "..........",
                                   }));
  remove_corner_pixels(band.pixels.data(), band.width, band.height);
  EXPECT_EQ(band.drawing()[4], "######....");
}

}  // namespace
}  // namespace recognition::thinning
