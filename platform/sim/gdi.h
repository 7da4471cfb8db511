// The simulated desktop's graphics objects: memory DCs, bitmaps, regions and
// the desktop's own pictures, with the platform's ownership rules, so that a
// leak or a double delete in the gadget shows up in a test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/sim/basics.h"
#include "platform/types.h"

namespace rn::art {
struct Image;
}

namespace rn::sim {

// The last-error values the simulated calls leave behind, the platform's own.
namespace err {
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kInvalidWindowHandle = 1400;
}  // namespace err

// A call's value and the last-error value it leaves (0 on success).
struct Outcome {
  std::uint32_t value = 0;
  std::uint32_t error = 0;
};

// Who frees an object: the gadget, the desktop (pictures and picture boxes'
// images, which the gadget must not delete) or nobody (the stock bitmap).
enum class Keeper { Caller, Desktop, Stock };

struct BitmapObject {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool mono = false;  // pixels are then only black or white
  std::vector<ColorRef> pixels;
  Handle selectedInto = 0;
  Keeper keeper = Keeper::Caller;
  // Deleted while selected: the platform frees it once it is deselected.
  bool deleted = false;
};

struct DcObject {
  Handle bitmap = 0;     // what is selected now
  Handle ownBitmap = 0;  // a picture box's image, kept by the desktop
  Keeper keeper = Keeper::Caller;
};

// An axis-aligned rectangle of a region and how often the outline winds round it.
struct RegionPart {
  Rect rect;
  std::int32_t winding = 1;
};

struct RegionObject {
  std::vector<RegionPart> parts;
  std::int32_t fillMode = 0;
  HWnd window = 0;  // the window that owns it, if any
  bool Contains(Point p) const;
  std::vector<Rect> Rects() const;
};

struct IconObject {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<ColorRef> pixels;
  std::vector<bool> opaque;
};

class Gdi {
 public:
  explicit Gdi(std::function<Handle()> newHandle);

  Outcome CreateCompatibleDC(Handle dc);
  Outcome CreateCompatibleBitmap(Handle dc, std::int32_t width, std::int32_t height);
  Outcome SelectObject(Handle dc, Handle object);
  Outcome BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, Handle source, std::int32_t sourceX, std::int32_t sourceY,
                 std::uint32_t rop);
  Outcome GetPixel(Handle dc, std::int32_t x, std::int32_t y);
  Outcome CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                               std::int32_t polygons, std::int32_t fillMode);
  Outcome DeleteDC(Handle dc);
  Outcome DeleteObject(Handle object);

  // The desktop's own objects, which live as long as the desktop.
  Handle AddPicture(const art::Image& image);
  Handle AddIcon(const art::Image& image);
  // A picture box's or form's image: a DC holding a bitmap of its client size,
  // filled with `background` and then the picture at its top left, drawn at `dpi`.
  Handle AddPictureDc();
  void PaintPictureDc(Handle dc, std::int32_t width, std::int32_t height, ColorRef background,
                      Handle picture, std::int32_t dpi);
  void RemovePictureDc(Handle dc);

  // A window takes a region over; 0 on success, else the last-error value.
  std::uint32_t Adopt(Handle region, HWnd window);
  void DeleteOwnedRegion(Handle region);

  const RegionObject* FindRegion(Handle h) const { return Found(regions_, h); }
  Handle StockBitmap() const { return stock_; }

  // Objects the gadget created and has not deleted.
  int LiveDcs() const;
  int LiveBitmaps() const;
  int LiveRegions() const;  // not owned by a window
  int OwnedRegions() const;

 private:
  BitmapObject& Bitmap(Handle h) { return bitmaps_.at(h); }
  void Deselect(Handle bitmap);
  // Every object is handed out here, under a handle of its own.
  template <class Object>
  Handle Add(std::map<Handle, Object>& objects, Object object) {
    const Handle h = new_handle_();
    objects.emplace(h, std::move(object));
    return h;
  }

  std::function<Handle()> new_handle_;
  Handle stock_ = 0;
  std::map<Handle, DcObject> dcs_;
  std::map<Handle, BitmapObject> bitmaps_;
  std::map<Handle, RegionObject> regions_;
  std::map<Handle, IconObject> icons_;
};

}  // namespace rn::sim
