#include "app/shape.h"

#include <algorithm>

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "platform/rounding.h"

namespace rn {
namespace {

constexpr std::int32_t kNoRun = -1;
constexpr std::int32_t kPointsPerRectangle = 4;

class ShapeWriter {
 public:
  explicit ShapeWriter(ShapeScan& scan) : scan_(scan) {}

  void Emit(std::int32_t from, std::int32_t to, std::int32_t row) {
    Store(scan_.PointIndex, {from, row});
    Store(scan_.PointIndex + 1, {to, row});
    Store(scan_.PointIndex + 2, {to, row + 1});
    Store(scan_.PointIndex + 3, {from, row + 1});
    const std::size_t entry = static_cast<std::size_t>(scan_.PointIndex / kPointsPerRectangle);
    if (entry < scan_.ShapeCounts.size()) scan_.ShapeCounts[entry] = kPointsPerRectangle;
    scan_.PointIndex += kPointsPerRectangle;
  }

 private:
  void Store(std::int32_t index, Point point) {
    if (static_cast<std::size_t>(index) < scan_.ShapePoints.size())
      scan_.ShapePoints[index] = point;
  }
  ShapeScan& scan_;
};

}  // namespace

std::int32_t ShapeScan::StoredPolygons() const {
  const auto whole = static_cast<std::int32_t>(ShapePoints.size()) / kPointsPerRectangle;
  return std::min(Polygons(), whole);
}

ShapeScan ScanShape(float width, float height, const PixelReader& pixel) {
  ShapeScan scan;
  const ColorRef key = pixel(0, 0);
  const std::int32_t capacity = tk::RoundToInt32(static_cast<double>(width) * height / 2.0);
  scan.ShapePoints.resize(static_cast<std::size_t>(std::max(capacity, 0)) + 1);
  scan.ShapeCounts.resize(scan.ShapePoints.size());
  ShapeWriter writer(scan);
  const std::int32_t lastRow = tk::RoundToInt32(static_cast<double>(height) - 1.0);
  const std::int32_t columns = tk::RoundToInt32(width);
  for (std::int32_t y = 0; y <= lastRow; ++y) {
    std::int32_t runStart = kNoRun;
    for (std::int32_t x = 0; x <= static_cast<double>(width) - 1.0; ++x) {
      if (pixel(x, y) != key) {
        if (runStart == kNoRun) runStart = x;
      } else if (runStart != kNoRun) {
        writer.Emit(runStart, x, y);
        runStart = kNoRun;
      }
    }
    if (runStart != kNoRun) writer.Emit(runStart, columns, y);
  }
  return scan;
}

void ApplyShape(Program& p, tk::ResumeNext& next) {
  WinApi& api = p.api();
  // Every use of the panel stands inside a unit, as the first one may load it.
  const auto picture = [&p]() -> tk::PictureBox& { return p.Form2().Picture1; };
  // The badge's own image is its picture as drawn at its monitor's scale, which
  // may not be the panel's: the outline is cut from exactly what is seen.
  const auto drawn = [&p]() -> tk::Form& { return p.Form1(); };
  Handle memoryDC = 0;
  Handle bitmap = 0;
  Handle region = 0;
  next([&] { memoryDC = api.CreateCompatibleDC(drawn().hDC()); });
  next([&] {
    bitmap = api.CreateCompatibleBitmap(drawn().hDC(), tk::RoundToInt32(drawn().ScaleWidth()),
                                        tk::RoundToInt32(drawn().ScaleHeight()));
  });
  next([&] { api.SelectObject(memoryDC, bitmap); });
  next([&] {
    api.BitBlt(memoryDC, 0, 0, tk::RoundToInt32(drawn().ScaleWidth()),
               tk::RoundToInt32(drawn().ScaleHeight()), drawn().hDC(), 0, 0, win::SrcCopy);
  });
  {
    ShapeScan scan;
    next([&] {
      scan =
          ScanShape(drawn().ScaleWidth(), drawn().ScaleHeight(),
                    [&](std::int32_t x, std::int32_t y) { return api.GetPixel(memoryDC, x, y); });
    });
    next([&] {
      if (!scan.StoresCreated()) return;
      region = api.CreatePolyPolygonRgn(scan.ShapePoints.data(), scan.ShapeCounts.data(),
                                        scan.StoredPolygons(), win::Winding);
    });
  }
  next([&] { picture().SetVisible(false); });
  // The bitmap is still selected into the memory context; deleting the context
  // first frees it for deletion.
  next([&] { api.DeleteDC(memoryDC); });
  next([&] { api.DeleteObject(bitmap); });
  constexpr std::int32_t kRedraw = -1;
  next([&] {
    // A region the window refused is still ours to delete.
    if (api.SetWindowRgn(p.Form1().hWnd(), region, kRedraw) == 0 && region != 0) {
      api.DeleteObject(region);
    }
  });
}

}  // namespace rn
