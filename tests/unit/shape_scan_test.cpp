// Turning a pixel grid into the floating window's outline.
#include <gtest/gtest.h>

#include <map>

#include "app/shape.h"

namespace rn {
namespace {

constexpr ColorRef kKey = 0x0000FF00;
constexpr ColorRef kInk = 0x00000000;

// A grid drawn as text: '.' is the key colour, anything else a colour of its own.
struct Grid {
  std::vector<std::string> rows;
  int reads = 0;
  ColorRef operator()(std::int32_t x, std::int32_t y) {
    ++reads;
    const char c = rows.at(static_cast<std::size_t>(y)).at(static_cast<std::size_t>(x));
    return c == '.' ? kKey : static_cast<ColorRef>(c);
  }
  float width() const { return static_cast<float>(rows.front().size()); }
  float height() const { return static_cast<float>(rows.size()); }
};

ShapeScan Scan(Grid& grid) {
  return ScanShape(grid.width(), grid.height(),
                   [&](std::int32_t x, std::int32_t y) { return grid(x, y); });
}

std::vector<Point> Rectangle(std::int32_t a, std::int32_t b, std::int32_t y) {
  return {{a, y}, {b, y}, {b, y + 1}, {a, y + 1}};
}

std::vector<Point> PolygonAt(const ShapeScan& scan, std::int32_t k) {
  return {scan.ShapePoints.begin() + 4 * k, scan.ShapePoints.begin() + 4 * k + 4};
}

TEST(ScanShape, ASinglePixelIsOneUnitSquare) {
  Grid grid{{"....", "..x.", "...."}};
  const ShapeScan scan = Scan(grid);
  ASSERT_EQ(scan.Polygons(), 1);
  EXPECT_EQ(PolygonAt(scan, 0), Rectangle(2, 3, 1));
  EXPECT_EQ(scan.ShapeCounts[0], 4);
}

TEST(ScanShape, RunsAreOrderedAndNeverMerged) {
  Grid grid{{
      ".xx..xx",
      ".xx..xx",
      "x......",
      ".......",  // key rows keep the stores large enough for five runs
      ".......",
      ".......",
  }};
  const ShapeScan scan = Scan(grid);
  ASSERT_EQ(scan.Polygons(), 5);
  EXPECT_EQ(scan.PointIndex, 20);
  EXPECT_EQ(PolygonAt(scan, 0), Rectangle(1, 3, 0));
  EXPECT_EQ(PolygonAt(scan, 1), Rectangle(5, 7, 0)) << "a run reaching the last column ends at W";
  EXPECT_EQ(PolygonAt(scan, 2), Rectangle(1, 3, 1)) << "identical rows stay separate rectangles";
  EXPECT_EQ(PolygonAt(scan, 3), Rectangle(5, 7, 1));
  EXPECT_EQ(PolygonAt(scan, 4), Rectangle(0, 1, 2)) << "a row may start a run at column 0";
  for (int k = 0; k < 5; ++k) EXPECT_EQ(scan.ShapeCounts[k], 4);
}

TEST(ScanShape, ARunNeverContinuesIntoTheNextRow) {
  Grid grid{{"...x", "x...", "....", "...."}};
  const ShapeScan scan = Scan(grid);
  ASSERT_EQ(scan.Polygons(), 2);
  EXPECT_EQ(PolygonAt(scan, 0), Rectangle(3, 4, 0));
  EXPECT_EQ(PolygonAt(scan, 1), Rectangle(0, 1, 1));
}

TEST(ScanShape, OnlyTheExactKeyColourIsTransparent) {
  for (const ColorRef near : {kKey ^ 1u, kKey ^ 0x100u, kKey | 0x01000000u}) {
    const ShapeScan scan = ScanShape(
        3, 3, [&](std::int32_t x, std::int32_t y) { return x == 1 && y == 0 ? near : kKey; });
    ASSERT_EQ(scan.Polygons(), 1) << std::hex << near;
    EXPECT_EQ(PolygonAt(scan, 0), Rectangle(1, 2, 0));
  }
}

TEST(ScanShape, ReadsTheKeyOnceThenEveryPixelOnce) {
  Grid grid{{"..x..", ".xxx.", "..x.."}};
  (void)Scan(grid);
  EXPECT_EQ(grid.reads, 5 * 3 + 1);
}

TEST(ScanShape, CapacityIsHalfThePixelsRoundedHalvesToEven) {
  const auto capacity = [](float w, float h) {
    return ScanShape(w, h, [](std::int32_t, std::int32_t) { return kKey; }).ShapePoints.size() - 1;
  };
  EXPECT_EQ(capacity(50, 50), 1250u);
  EXPECT_EQ(capacity(3, 1), 2u);   // 1.5
  EXPECT_EQ(capacity(7, 7), 24u);  // 24.5
  EXPECT_EQ(capacity(5, 1), 2u);   // 2.5
  EXPECT_EQ(capacity(1, 1), 0u);   // 0.5
}

TEST(ScanShape, APictureWithoutInkGivesNoRectangles) {
  const ShapeScan scan = ScanShape(4, 4, [](std::int32_t, std::int32_t) { return kKey; });
  EXPECT_EQ(scan.Polygons(), 0);
  EXPECT_EQ(scan.StoredPolygons(), 0);
}

TEST(ScanShape, PointsPastTheCapacityAreDroppedButCounted) {
  // A checkerboard row has a run at every other pixel: far more runs than the
  // stores hold (capacity 6 x 1 / 2 = 3, so 4 points: one rectangle).
  Grid grid{{".x.x.x"}};
  const ShapeScan scan = Scan(grid);
  EXPECT_EQ(scan.Polygons(), 3) << "every run is counted";
  EXPECT_EQ(scan.ShapePoints.size(), 4u);
  EXPECT_EQ(scan.StoredPolygons(), 1) << "the region never reads past the stored points";
  EXPECT_EQ(PolygonAt(scan, 0), Rectangle(1, 2, 0));
}

TEST(ScanShape, APictureTooLargeForTheStoresFailsBeforeScanning) {
  int reads = 0;
  try {
    ScanShape(70000, 70000, [&](std::int32_t, std::int32_t) {
      ++reads;
      return kKey;
    });
    ADD_FAILURE() << "no stores can hold 2.45e9 points";
  } catch (const tk::RuntimeError& e) {
    EXPECT_EQ(e.error(), tk::Error::Overflow);
  }
  EXPECT_LE(reads, 1);
}

}  // namespace
}  // namespace rn
