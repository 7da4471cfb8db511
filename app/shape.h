// Cuts the floating window's outline from its bitmap: every pixel that has the
// colour of the top-left pixel is outside, every other pixel inside.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/errors.h"
#include "platform/types.h"

namespace rn {

class Program;

// One-pixel-high rectangles, one per horizontal run of non-key pixels, each as
// four points: top-left, top-right, bottom-right, bottom-left, right and bottom
// exclusive. Runs of neighbouring rows are never merged.
struct ShapeScan {
  std::vector<Point> ShapePoints;         // capacity + 1 entries
  std::vector<std::int32_t> ShapeCounts;  // capacity + 1 entries, 4 for each polygon in use
  std::int32_t PointIndex = 0;            // 4 x the rectangles found
  std::int32_t Polygons() const { return PointIndex / 4; }
  // The rectangles whose four points were all stored: a picture with more runs
  // than the stores hold gets the region of those.
  std::int32_t StoredPolygons() const;
  bool StoresCreated() const { return !ShapePoints.empty(); }
};

using PixelReader = std::function<ColorRef(std::int32_t x, std::int32_t y)>;

// Reads pixel (0, 0) for the key colour, then every pixel once, row by row from
// the top, each row from left to right. The stores hold width x height / 2
// (rounded halves to even) + 1 entries; points past them are not stored, while
// the count of rectangles goes on. A size whose capacity has no 32-bit value
// raises Overflow before any store is made.
ShapeScan ScanShape(float width, float height, const PixelReader& pixel);

// Copies Form1's picture as drawn (at 100 %, Picture1's bitmap pixel for pixel)
// into memory, scans it, hides Picture1, gives Form1 the region and releases
// every drawing object it made. Each platform step is a step of the caller's
// resume-next mode.
void ApplyShape(Program& p, tk::ResumeNext& next);

}  // namespace rn
