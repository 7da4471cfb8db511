// Types and constants shared by the gadget and the desktops it runs on.
// Handles are 32-bit values: window, DC, bitmap, region and icon handles have
// 32 significant bits on 64-bit Windows too, so the gadget stores them as such.
#pragma once

#include <cstdint>

namespace rn {

using Handle = std::uint32_t;
using HWnd = Handle;
using ColorRef = std::uint32_t;  // 0x00BBGGRR, red in the low byte

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
static_assert(sizeof(Point) == 8, "the region call takes the platform's POINT layout");

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The platform's own values. The spelling differs from the platform headers only
// because those define their names as macros; the Win32 backend checks each value.
namespace win {
inline constexpr HWnd HwndTopmost = 0xFFFFFFFFu;    // (HWND)-1
inline constexpr HWnd HwndNoTopmost = 0xFFFFFFFEu;  // (HWND)-2
inline constexpr std::uint32_t SwpNoSize = 0x0001;
inline constexpr std::uint32_t SwpNoMove = 0x0002;
inline constexpr std::uint32_t SwpNoZOrder = 0x0004;
inline constexpr std::uint32_t SwpNoActivate = 0x0010;
inline constexpr std::uint32_t SwpShowWindow = 0x0040;
inline constexpr std::uint32_t SwpHideWindow = 0x0080;
inline constexpr HWnd HwndTop = 0;     // (HWND)0
inline constexpr HWnd HwndBottom = 1;  // (HWND)1
inline constexpr std::uint32_t WmMouseMove = 0x0200;
inline constexpr std::uint32_t WmLButtonDown = 0x0201;
inline constexpr std::uint32_t WmLButtonUp = 0x0202;
inline constexpr std::uint32_t WmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t WmRButtonDown = 0x0204;
inline constexpr std::uint32_t WmRButtonUp = 0x0205;
inline constexpr std::uint32_t WmNcLButtonDown = 0x00A1;
inline constexpr std::uint32_t HtCaption = 2;
inline constexpr std::uint32_t SrcCopy = 0x00CC0020;
inline constexpr std::int32_t Winding = 2;
inline constexpr std::uint32_t NimAdd = 0;
inline constexpr std::uint32_t NimModify = 1;
inline constexpr std::uint32_t NimDelete = 2;
inline constexpr std::uint32_t NifMessage = 1;
inline constexpr std::uint32_t NifIcon = 2;
inline constexpr std::uint32_t NifTip = 4;
inline constexpr ColorRef ClrInvalid = 0xFFFFFFFFu;
// The keys and buttons held, in a mouse message's wParam.
inline constexpr std::uint32_t MkLButton = 0x0001;
inline constexpr std::uint32_t MkRButton = 0x0002;
inline constexpr std::uint32_t MkShift = 0x0004;
inline constexpr std::uint32_t MkControl = 0x0008;
inline constexpr std::uint32_t MkMButton = 0x0010;
inline constexpr std::uint32_t VkTab = 0x09;
inline constexpr std::uint32_t VkReturn = 0x0D;
inline constexpr std::uint32_t VkEscape = 0x1B;
inline constexpr std::uint32_t VkSpace = 0x20;
inline constexpr std::uint32_t VkF4 = 0x73;
}  // namespace win

}  // namespace rn
