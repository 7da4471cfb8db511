#include "platform/sim/gdi.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "platform/picture_decoder.h"
#include "platform/scale.h"

namespace rn::sim {
namespace {

constexpr std::int32_t kAlternate = 1;
constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kWhite = 0xFFFFFF;
// Keeps a wild size from the gadget from exhausting the test process.
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 24;

Outcome Ok(std::uint32_t value) { return {value, 0}; }
Outcome Fail(std::uint32_t error, std::uint32_t value = 0) { return {value, error}; }

// A polygon the region can hold: only axis-parallel edges between the corners
// of one rectangle. Its interior winds round as often as its signed area says.
std::optional<RegionPart> RectangleOf(std::span<const Point> pts) {
  const auto [minX, maxX] =
      std::minmax_element(pts.begin(), pts.end(), [](Point a, Point b) { return a.x < b.x; });
  const auto [minY, maxY] =
      std::minmax_element(pts.begin(), pts.end(), [](Point a, Point b) { return a.y < b.y; });
  const Rect rect{minX->x, minY->y, maxX->x, maxY->y};
  std::int64_t twiceArea = 0;
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const Point a = pts[k];
    const Point b = pts[(k + 1) % pts.size()];
    if (a.x != b.x && a.y != b.y) return std::nullopt;
    if ((a.x != rect.left && a.x != rect.right) || (a.y != rect.top && a.y != rect.bottom)) {
      return std::nullopt;
    }
    twiceArea += std::int64_t{a.x} * b.y - std::int64_t{b.x} * a.y;
  }
  const std::int64_t area = std::int64_t{rect.Width()} * rect.Height();
  if (area == 0) return RegionPart{rect, 0};
  if (twiceArea % (2 * area) != 0) return std::nullopt;
  return RegionPart{rect, static_cast<std::int32_t>(twiceArea / (2 * area))};
}

ColorRef ToMono(ColorRef c) { return c == kWhite ? kWhite : kBlack; }

// Of a copy of `length` pixels from `from` to `to` along one axis, the steps
// [first, last) that lie inside both bitmaps: only those are copied.
std::pair<std::int64_t, std::int64_t> Copied(std::int64_t to, std::int64_t from,
                                             std::int64_t length, std::int64_t toSize,
                                             std::int64_t fromSize) {
  return {std::max<std::int64_t>({0, -to, -from}),
          std::min({length, toSize - to, fromSize - from})};
}

template <class Map>
int CallersIn(const Map& objects) {
  return static_cast<int>(std::ranges::count_if(
      objects, [](const auto& entry) { return entry.second.keeper == Keeper::Caller; }));
}

}  // namespace

bool RegionObject::Contains(Point p) const {
  std::int64_t winding = 0;
  for (const RegionPart& part : parts) {
    if (Inside(part.rect, p)) winding += part.winding;
  }
  return fillMode == kAlternate ? winding % 2 != 0 : winding != 0;
}

std::vector<Rect> RegionObject::Rects() const {
  std::vector<Rect> rects;
  for (const RegionPart& part : parts) rects.push_back(part.rect);
  return rects;
}

Gdi::Gdi(std::function<Handle()> newHandle) : new_handle_(std::move(newHandle)) {
  stock_ = Add(bitmaps_, BitmapObject{1, 1, true, {kBlack}, 0, Keeper::Stock});
}

Outcome Gdi::CreateCompatibleDC(Handle dc) {
  if (dc != 0 && !Found(dcs_, dc)) return Fail(err::kInvalidHandle);
  return Ok(Add(dcs_, DcObject{stock_, 0, Keeper::Caller}));
}

Outcome Gdi::CreateCompatibleBitmap(Handle dc, std::int32_t width, std::int32_t height) {
  const DcObject* d = Found(dcs_, dc);
  if (!d) return Fail(err::kInvalidHandle);
  if (width < 0 || height < 0) return Fail(err::kInvalidParameter);
  // The platform answers an empty size with its 1x1 monochrome stock bitmap.
  if (width == 0 || height == 0) return Ok(stock_);
  if (std::int64_t{width} * height > kMaxBitmapPixels) return Fail(err::kNotEnoughMemory);
  // Compatible means: the format of what the DC holds now. A fresh memory DC
  // holds the monochrome stock bitmap, so its compatible bitmaps are monochrome.
  const bool mono = Bitmap(d->bitmap).mono;
  const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return Ok(
      Add(bitmaps_, BitmapObject{width, height, mono, std::vector<ColorRef>(pixels, kBlack)}));
}

Outcome Gdi::SelectObject(Handle dc, Handle object) {
  DcObject* d = Found(dcs_, dc);
  if (!d) return Fail(err::kInvalidHandle);
  BitmapObject* b = Found(bitmaps_, object);
  // Selecting a region would set the clipping region, which nothing here models.
  if (!b) return Fail(regions_.contains(object) ? err::kInvalidParameter : err::kInvalidHandle);
  if (object == d->bitmap) return Ok(object);
  // A bitmap can be selected into one DC at a time.
  if (b->keeper != Keeper::Stock && b->selectedInto != 0) return Fail(err::kInvalidParameter);
  if (b->keeper != Keeper::Stock) b->selectedInto = dc;
  const Handle previous = std::exchange(d->bitmap, object);
  Deselect(previous);
  return Ok(previous);
}

void Gdi::Deselect(Handle bitmap) {
  BitmapObject& b = Bitmap(bitmap);
  if (b.keeper == Keeper::Stock) return;
  b.selectedInto = 0;
  if (b.deleted) bitmaps_.erase(bitmap);
}

Outcome Gdi::BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height, Handle source, std::int32_t sourceX, std::int32_t sourceY,
                    std::uint32_t rop) {
  const DcObject* d = Found(dcs_, dest);
  const DcObject* s = Found(dcs_, source);
  if (!d || !s) return Fail(err::kInvalidHandle);
  if (rop != win::SrcCopy || width < 0 || height < 0) return Fail(err::kInvalidParameter);
  BitmapObject& to = Bitmap(d->bitmap);
  // A copy, so that source and destination may be the same bitmap.
  const BitmapObject from = Bitmap(s->bitmap);
  const auto [i0, i1] = Copied(x, sourceX, width, to.width, from.width);
  const auto [j0, j1] = Copied(y, sourceY, height, to.height, from.height);
  for (std::int64_t j = j0; j < j1; ++j) {
    for (std::int64_t i = i0; i < i1; ++i) {
      const ColorRef c =
          from.pixels[static_cast<std::size_t>((sourceY + j) * from.width + sourceX + i)];
      to.pixels[static_cast<std::size_t>((y + j) * to.width + x + i)] = to.mono ? ToMono(c) : c;
    }
  }
  return Ok(1);
}

Outcome Gdi::GetPixel(Handle dc, std::int32_t x, std::int32_t y) {
  const DcObject* d = Found(dcs_, dc);
  if (!d) return Fail(err::kInvalidHandle, win::ClrInvalid);
  const BitmapObject& b = Bitmap(d->bitmap);
  if (x < 0 || y < 0 || x >= b.width || y >= b.height) {
    return Fail(err::kInvalidParameter, win::ClrInvalid);
  }
  return Ok(b.pixels[static_cast<std::size_t>(y) * b.width + x]);
}

Outcome Gdi::CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                                  std::int32_t polygons, std::int32_t fillMode) {
  // Windows refuses no polygons and an unknown fill mode (Wine 8 makes a region
  // of either).
  if (!points || !counts || polygons <= 0) return Fail(err::kInvalidParameter);
  if (fillMode != kAlternate && fillMode != win::Winding) return Fail(err::kInvalidParameter);
  RegionObject region;
  region.fillMode = fillMode;
  const Point* next = points;
  for (std::int32_t i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return Fail(err::kInvalidParameter);
    const std::span<const Point> polygon(next, static_cast<std::size_t>(counts[i]));
    next += counts[i];
    const std::optional<RegionPart> part = RectangleOf(polygon);
    if (!part) return Fail(err::kInvalidParameter);
    if (part->winding != 0) region.parts.push_back(*part);
  }
  return Ok(Add(regions_, std::move(region)));
}

Outcome Gdi::DeleteDC(Handle dc) {
  const DcObject* d = Found(dcs_, dc);
  if (!d) return Fail(err::kInvalidHandle);
  if (d->keeper != Keeper::Caller) return Fail(err::kAccessDenied);
  const Handle selected = d->bitmap;
  dcs_.erase(dc);
  Deselect(selected);
  return Ok(1);
}

Outcome Gdi::DeleteObject(Handle object) {
  if (BitmapObject* b = Found(bitmaps_, object)) {
    if (b->keeper == Keeper::Desktop) return Fail(err::kAccessDenied);
    // The stock bitmap stays; a selected one goes when it is deselected.
    b->deleted = b->keeper == Keeper::Caller;
    if (b->deleted && b->selectedInto == 0) bitmaps_.erase(object);
    return Ok(1);
  }
  if (const RegionObject* region = Found(regions_, object)) {
    // A window's region belongs to the system from SetWindowRgn on.
    if (region->window != 0) return Fail(err::kAccessDenied);
    regions_.erase(object);
    return Ok(1);
  }
  return Fail(err::kInvalidHandle);
}

Handle Gdi::AddPicture(const art::Image& image) {
  return Add(bitmaps_,
             BitmapObject{image.width, image.height, false, image.pixels, 0, Keeper::Desktop});
}

Handle Gdi::AddIcon(const art::Image& image) {
  return Add(icons_, IconObject{image.width, image.height, image.pixels, image.opaque});
}

Handle Gdi::AddPictureDc() {
  const Handle bitmap = Add(bitmaps_, BitmapObject{0, 0, false, {}, 0, Keeper::Desktop});
  const Handle dc = Add(dcs_, DcObject{bitmap, bitmap, Keeper::Desktop});
  Bitmap(bitmap).selectedInto = dc;
  return dc;
}

void Gdi::PaintPictureDc(Handle dc, std::int32_t width, std::int32_t height, ColorRef background,
                         Handle picture, std::int32_t dpi) {
  const DcObject* d = Found(dcs_, dc);
  if (!d) return;
  BitmapObject& image = Bitmap(d->ownBitmap);
  image.width = std::clamp<std::int32_t>(width, 0, 1 << 12);
  image.height = std::clamp<std::int32_t>(height, 0, 1 << 12);
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, background);
  const auto draw = [&](std::int32_t w, std::int32_t h, const std::vector<ColorRef>& pixels,
                        const std::vector<bool>* opaque) {
    const std::int32_t drawnWidth = tk::ScaledLength(w, dpi);
    const std::int32_t drawnHeight = tk::ScaledLength(h, dpi);
    for (std::int32_t py = 0; py < std::min(drawnHeight, image.height); ++py) {
      const std::size_t row =
          static_cast<std::size_t>(NearestSource(py, drawnHeight, h)) * static_cast<std::size_t>(w);
      for (std::int32_t px = 0; px < std::min(drawnWidth, image.width); ++px) {
        const std::size_t from = row + static_cast<std::size_t>(NearestSource(px, drawnWidth, w));
        if (opaque && !(*opaque)[from]) continue;
        image.pixels[static_cast<std::size_t>(py) * image.width + px] = pixels[from];
      }
    }
  };
  if (const BitmapObject* b = Found(bitmaps_, picture)) {
    draw(b->width, b->height, b->pixels, nullptr);
  } else if (const IconObject* icon = Found(icons_, picture)) {
    draw(icon->width, icon->height, icon->pixels, &icon->opaque);
  }
}

void Gdi::RemovePictureDc(Handle dc) {
  const DcObject* d = Found(dcs_, dc);
  if (!d) return;
  const Handle own = d->ownBitmap;
  const Handle selected = d->bitmap;
  dcs_.erase(dc);
  Deselect(selected);
  // If the gadget swapped the image into a DC of its own, that DC still holds
  // it; it then stays, and counts as the gadget's.
  if (BitmapObject& image = Bitmap(own); image.selectedInto != 0) {
    image.keeper = Keeper::Caller;
  } else {
    bitmaps_.erase(own);
  }
}

std::uint32_t Gdi::Adopt(Handle region, HWnd window) {
  const auto it = regions_.find(region);
  if (it == regions_.end()) return err::kInvalidHandle;
  if (it->second.window != 0 && it->second.window != window) return err::kInvalidParameter;
  it->second.window = window;
  return 0;
}

void Gdi::DeleteOwnedRegion(Handle region) { regions_.erase(region); }

int Gdi::LiveDcs() const { return CallersIn(dcs_); }

int Gdi::LiveBitmaps() const { return CallersIn(bitmaps_); }

int Gdi::LiveRegions() const {
  return static_cast<int>(
      std::ranges::count_if(regions_, [](auto& r) { return !r.second.window; }));
}

int Gdi::OwnedRegions() const { return static_cast<int>(regions_.size()) - LiveRegions(); }

}  // namespace rn::sim
