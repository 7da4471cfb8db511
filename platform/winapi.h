// The window-manager, graphics and notification-area operations the gadget asks
// of its desktop, by their platform names. Results are 32-bit values; the gadget
// captures them and, but for the topmost switch, decides nothing on them.
#pragma once

#include <cstdint>

#include "platform/notify_icon.h"
#include "platform/types.h"

namespace rn {

class WinApi {
 public:
  virtual ~WinApi() = default;

  virtual std::int32_t SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                                    std::int32_t cx, std::int32_t cy, std::uint32_t flags) = 0;
  virtual std::int32_t ReleaseCapture() = 0;
  // Returns once the window manager is done with the message; for a caption press
  // that is when the mouse button goes up.
  virtual std::int32_t SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                                    std::int32_t lParam) = 0;
  virtual Handle CreateCompatibleDC(Handle hdc) = 0;
  virtual Handle CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) = 0;
  virtual Handle SelectObject(Handle hdc, Handle object) = 0;
  virtual std::int32_t BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, Handle source, std::int32_t sourceX,
                              std::int32_t sourceY, std::uint32_t rop) = 0;
  virtual ColorRef GetPixel(Handle hdc, std::int32_t x, std::int32_t y) = 0;
  // Reads exactly the points that the counts add up to.
  virtual Handle CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                                      std::int32_t polygons, std::int32_t fillMode) = 0;
  // On success the window owns the region.
  virtual std::int32_t SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) = 0;
  virtual std::int32_t DeleteDC(Handle hdc) = 0;
  virtual std::int32_t DeleteObject(Handle object) = 0;
  virtual std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) = 0;

  // The platform's last-error value after the latest call; kept, never consulted.
  std::uint32_t LastDllError() const { return last_dll_error_; }

 protected:
  std::uint32_t last_dll_error_ = 0;
};

}  // namespace rn
