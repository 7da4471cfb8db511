// The platform operations SimApi forwards to the window manager and the
// notification area, with the results and last errors the platform gives.
#include <algorithm>

#include "platform/sim/sim_desktop.h"
#include "platform/sim/world.h"

namespace rn::sim {

Outcome SimDesktop::ApiSetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                                    std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  WindowState* w = W(hwnd);
  if (!w) return {0, err::kInvalidWindowHandle};
  Rect b = w->bounds;
  if (!(flags & win::SwpNoMove)) b = {x, y, x + b.Width(), y + b.Height()};
  if (!(flags & win::SwpNoSize))
    b = {b.left, b.top, b.left + std::max(cx, 0), b.top + std::max(cy, 0)};
  Resize(*w, b);
  if (!(flags & win::SwpNoZOrder)) Restack(*w, insertAfter);
  if (flags & win::SwpShowWindow) {
    w->visible = true;
  } else if (flags & win::SwpHideWindow) {
    SetVisible(hwnd, false);
  }
  // Last: it can raise events, which may change anything.
  if (!(flags & win::SwpNoActivate) && Find(hwnd) && Find(hwnd)->kind == WindowKind::Form) {
    Activate(hwnd);
  }
  return {1, 0};
}

Outcome SimDesktop::ApiSendMessage(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                                   std::int32_t) {
  if (!W(hwnd)) return {0, err::kInvalidWindowHandle};
  if (message != win::WmNcLButtonDown || wParam != win::HtCaption) return {0, 0};
  // The move loop: it holds the mouse until the button goes up, and that
  // release is its own.
  capture_ = hwnd;
  if (!drags_.empty()) {
    const Drag drag = std::move(drags_.front());
    drags_.pop_front();
    if (drag.during) drag.during();
    if (WindowState* w = W(hwnd)) {
      Resize(*w, {w->bounds.left + drag.offset.x, w->bounds.top + drag.offset.y,
                  w->bounds.right + drag.offset.x, w->bounds.bottom + drag.offset.y});
    }
  }
  capture_ = 0;
  release_taken_ = true;
  return {0, 0};
}

Outcome SimDesktop::ApiReleaseCapture() {
  capture_ = 0;
  return {1, 0};
}

Outcome SimDesktop::ApiSetWindowRgn(HWnd hwnd, Handle region) {
  WindowState* w = W(hwnd);
  if (!w) return {0, err::kInvalidWindowHandle};
  if (region == w->region) return {1, 0};
  if (region != 0) {
    if (const std::uint32_t error = world_.gdi().Adopt(region, hwnd); error != 0) return {0, error};
  }
  // The window frees the region it had.
  if (w->region != 0) world_.gdi().DeleteOwnedRegion(w->region);
  w->region = region;
  return {1, 0};
}

Outcome SimDesktop::ApiNotifyIcon(std::uint32_t message, const NotifyRecordBytes& bytes) {
  const NotifyAnsiFields f = FromAnsiForm(bytes);
  if (f.cbSize != kNotifyRecordBytes) return {0, err::kInvalidParameter};
  const auto icon = std::ranges::find_if(
      icons_, [&](const NotifyIcon& i) { return i.owner == f.hWnd && i.id == f.uID; });
  const bool known = icon != icons_.end();
  const auto apply = [&](NotifyIcon& i) -> Outcome {
    i.flags |= f.uFlags;
    if (f.uFlags & win::NifMessage) i.callbackMessage = f.uCallbackMessage;
    if (f.uFlags & win::NifIcon) i.icon = f.hIcon;
    if (f.uFlags & win::NifTip) i.tip.assign(f.szTip.begin(), std::ranges::find(f.szTip, '\0'));
    return {1, 0};
  };
  if (message == win::NimAdd && !known) {
    return apply(icons_.emplace_back(NotifyIcon{f.hWnd, f.uID, 0, 0, 0, {}}));
  }
  if (message == win::NimModify && known) return apply(*icon);
  if (message == win::NimDelete && known) {
    icons_.erase(icon);
    return {1, 0};
  }
  return {0, err::kInvalidParameter};
}

}  // namespace rn::sim
