#include "settings/topmost.h"

namespace rn {
namespace {

std::int32_t SwitchBand(WinApi& api, HWnd hwnd, HWnd band) {
  constexpr std::uint32_t kFlags = win::SwpNoSize | win::SwpNoMove | win::SwpShowWindow;
  return api.SetWindowPos(hwnd, band, 0, 0, 0, 0, kFlags) != 0 ? -1 : 0;
}

}  // namespace

std::int32_t SetTopmost(WinApi& api, HWnd hwnd) { return SwitchBand(api, hwnd, win::HwndTopmost); }

std::int32_t ClearTopmost(WinApi& api, HWnd hwnd) {
  return SwitchBand(api, hwnd, win::HwndNoTopmost);
}

}  // namespace rn
