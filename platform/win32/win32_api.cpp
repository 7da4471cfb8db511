#include "platform/win32/win32_api.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/native.h"
#include "platform/win32/notify_native.h"

namespace rn::win32 {

// The gadget's spelling of the platform's values must mean the same numbers.
// HWND_TOPMOST and HWND_NOTOPMOST are pointer casts, not constants: their
// 32-bit forms are checked here and their widening in the tests.
static_assert(static_cast<std::int32_t>(win::HwndTopmost) == -1);
static_assert(static_cast<std::int32_t>(win::HwndNoTopmost) == -2);
static_assert(win::SwpNoSize == SWP_NOSIZE);
static_assert(win::SwpNoMove == SWP_NOMOVE);
static_assert(win::SwpShowWindow == SWP_SHOWWINDOW);
static_assert(win::SwpNoZOrder == SWP_NOZORDER && win::SwpNoActivate == SWP_NOACTIVATE);
static_assert(win::SwpHideWindow == SWP_HIDEWINDOW);
static_assert(win::WmMouseMove == WM_MOUSEMOVE);
static_assert(win::WmLButtonDown == WM_LBUTTONDOWN);
static_assert(win::WmLButtonUp == WM_LBUTTONUP);
static_assert(win::WmLButtonDblClk == WM_LBUTTONDBLCLK);
static_assert(win::WmRButtonDown == WM_RBUTTONDOWN);
static_assert(win::WmRButtonUp == WM_RBUTTONUP);
static_assert(win::WmNcLButtonDown == WM_NCLBUTTONDOWN);
static_assert(win::HtCaption == HTCAPTION);
static_assert(win::SrcCopy == SRCCOPY);
static_assert(win::Winding == WINDING);
static_assert(win::NimAdd == NIM_ADD);
static_assert(win::NimDelete == NIM_DELETE && win::NimModify == NIM_MODIFY);
static_assert(win::NifMessage == NIF_MESSAGE);
static_assert(win::NifIcon == NIF_ICON);
static_assert(win::NifTip == NIF_TIP);
static_assert(win::ClrInvalid == CLR_INVALID);
static_assert(win::MkLButton == MK_LBUTTON && win::MkRButton == MK_RBUTTON);
static_assert(win::MkMButton == MK_MBUTTON && win::MkShift == MK_SHIFT &&
              win::MkControl == MK_CONTROL);
static_assert(win::VkTab == VK_TAB && win::VkReturn == VK_RETURN && win::VkEscape == VK_ESCAPE);
static_assert(win::VkSpace == VK_SPACE && win::VkF4 == VK_F4);
static_assert(sizeof(Point) == sizeof(POINT) && offsetof(Point, y) == offsetof(POINT, y));

NOTIFYICONDATAA NativeNotifyRecord(const NotifyRecordBytes& bytes) {
  const NotifyAnsiFields fields = FromAnsiForm(bytes);
  NOTIFYICONDATAA native{};
  native.cbSize = NOTIFYICONDATAA_V1_SIZE;
  native.hWnd = FromHandle<HWND>(fields.hWnd);
  native.uID = fields.uID;
  native.uFlags = fields.uFlags;
  native.uCallbackMessage = fields.uCallbackMessage;
  native.hIcon = FromHandle<HICON>(fields.hIcon);
  static_assert(sizeof(native.szTip) > kNotifyTipChars, "the tip keeps a terminator after it");
  std::memcpy(native.szTip, fields.szTip.data(), kNotifyTipChars);
  return native;
}

std::int32_t Win32Api::SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                                    std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  const BOOL result = ::SetWindowPos(ToHwnd(hwnd), ToHwnd(insertAfter), x, y, cx, cy, flags);
  last_dll_error_ = ::GetLastError();
  return result;
}

std::int32_t Win32Api::ReleaseCapture() {
  const BOOL result = ::ReleaseCapture();
  last_dll_error_ = ::GetLastError();
  return result;
}

std::int32_t Win32Api::SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                                    std::int32_t lParam) {
  const LRESULT result = ::SendMessageA(ToHwnd(hwnd), message, static_cast<WPARAM>(wParam),
                                        static_cast<LPARAM>(lParam));
  last_dll_error_ = ::GetLastError();
  return static_cast<std::int32_t>(result);
}

Handle Win32Api::CreateCompatibleDC(Handle hdc) {
  const HDC result = ::CreateCompatibleDC(FromHandle<HDC>(hdc));
  last_dll_error_ = ::GetLastError();
  return ToHandle(result);
}

Handle Win32Api::CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) {
  const HBITMAP result = ::CreateCompatibleBitmap(FromHandle<HDC>(hdc), width, height);
  last_dll_error_ = ::GetLastError();
  return ToHandle(result);
}

Handle Win32Api::SelectObject(Handle hdc, Handle object) {
  const HGDIOBJ result = ::SelectObject(FromHandle<HDC>(hdc), FromHandle<HGDIOBJ>(object));
  last_dll_error_ = ::GetLastError();
  return ToHandle(result);
}

std::int32_t Win32Api::BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, Handle source, std::int32_t sourceX,
                              std::int32_t sourceY, std::uint32_t rop) {
  const BOOL result = ::BitBlt(FromHandle<HDC>(dest), x, y, width, height, FromHandle<HDC>(source),
                               sourceX, sourceY, rop);
  last_dll_error_ = ::GetLastError();
  return result;
}

ColorRef Win32Api::GetPixel(Handle hdc, std::int32_t x, std::int32_t y) {
  const COLORREF result = ::GetPixel(FromHandle<HDC>(hdc), x, y);
  last_dll_error_ = ::GetLastError();
  return result;
}

Handle Win32Api::CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                                      std::int32_t polygons, std::int32_t fillMode) {
  // The platform's POINT has the same layout, but copying keeps the call free of
  // type punning and reads no point the counts do not claim.
  std::size_t total = 0;
  for (std::int32_t i = 0; i < std::max(polygons, 0); ++i) {
    total += static_cast<std::size_t>(std::max(counts[i], 0));
  }
  std::vector<POINT> native(total);
  for (std::size_t i = 0; i < total; ++i) native[i] = POINT{points[i].x, points[i].y};
  std::vector<INT> nativeCounts(counts, counts + std::max(polygons, 0));
  const HRGN result =
      ::CreatePolyPolygonRgn(native.data(), nativeCounts.data(), polygons, fillMode);
  last_dll_error_ = ::GetLastError();
  return ToHandle(result);
}

std::int32_t Win32Api::SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) {
  const int result = ::SetWindowRgn(ToHwnd(hwnd), FromHandle<HRGN>(region), redraw);
  last_dll_error_ = ::GetLastError();
  return result;
}

std::int32_t Win32Api::DeleteDC(Handle hdc) {
  const BOOL result = ::DeleteDC(FromHandle<HDC>(hdc));
  last_dll_error_ = ::GetLastError();
  return result;
}

std::int32_t Win32Api::DeleteObject(Handle object) {
  const BOOL result = ::DeleteObject(FromHandle<HGDIOBJ>(object));
  last_dll_error_ = ::GetLastError();
  return result;
}

std::int32_t Win32Api::Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) {
  NOTIFYICONDATAA native = NativeNotifyRecord(data);
  const BOOL result = ::Shell_NotifyIconA(message, &native);
  last_dll_error_ = ::GetLastError();
  return result;
}

}  // namespace rn::win32
