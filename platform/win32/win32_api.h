// The gadget's window-manager, graphics and notification-area calls, made
// directly on the platform.
#pragma once

#include "platform/winapi.h"

namespace rn::win32 {

class Win32Api final : public WinApi {
 public:
  std::int32_t SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                            std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  std::int32_t ReleaseCapture() override;
  std::int32_t SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                            std::int32_t lParam) override;
  Handle CreateCompatibleDC(Handle hdc) override;
  Handle CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) override;
  Handle SelectObject(Handle hdc, Handle object) override;
  std::int32_t BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, Handle source, std::int32_t sourceX,
                      std::int32_t sourceY, std::uint32_t rop) override;
  ColorRef GetPixel(Handle hdc, std::int32_t x, std::int32_t y) override;
  Handle CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                              std::int32_t polygons, std::int32_t fillMode) override;
  std::int32_t SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) override;
  std::int32_t DeleteDC(Handle hdc) override;
  std::int32_t DeleteObject(Handle object) override;
  std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) override;
};

}  // namespace rn::win32
