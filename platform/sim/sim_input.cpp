// The user's hand: presses, releases, moves, keys, the caption's buttons, the
// session's end and the notification icon, each delivered as the platform does.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/mouse_keys.h"
#include "platform/sim/sim_desktop.h"

namespace rn::sim {
namespace {

// What a window of the toolkit makes of a mouse-move message. It cannot tell
// which icon a message comes from, so it takes the one of identifier 0.
MouseInput DecodeMove(std::uint32_t wParam, std::uint32_t lParam) {
  return {ButtonsHeld(wParam), ShiftHeld(wParam), static_cast<std::int16_t>(lParam & 0xFFFF),
          static_cast<std::int16_t>(lParam >> 16), IsNotifyIconCallback(wParam, lParam, 0)};
}

}  // namespace

bool SimDesktop::MouseDown(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x,
                           std::int32_t y) {
  if (!CanTakeInput(hwnd)) return false;
  FocusForClick(hwnd, button);
  if (!CanTakeInput(hwnd)) return true;  // a focus handler took it away
  release_taken_ = false;
  capture_ = hwnd;
  if (!FactsOf(W(hwnd)->kind).standard) {
    Raise(hwnd, [&](WindowEvents& e) { e.OnMouseDown({button, shift, x, y, false}); });
  }
  return true;
}

bool SimDesktop::MouseUp(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x,
                         std::int32_t y) {
  if (std::exchange(release_taken_, false) || !CanTakeInput(hwnd)) return false;
  const bool pressed = capture_ == hwnd;
  if (pressed) capture_ = 0;
  const WindowKindFacts& facts = FactsOf(W(hwnd)->kind);
  if (!facts.standard) {
    Raise(hwnd, [&](WindowEvents& e) { e.OnMouseUp({button, shift, x, y, false}); });
  } else if (pressed && button == kLeftButton && facts.button) {
    PushButton(hwnd);
  }
  return true;
}

void SimDesktop::PushButton(HWnd hwnd) {
  // Toggled before the click, so that the handler sees the new value; a grey
  // box turns unchecked.
  if (WindowState* w = W(hwnd); w->kind == WindowKind::CheckBox) w->check = w->check == 0 ? 1 : 0;
  Raise(hwnd, [](WindowEvents& e) { e.OnClick(); });
}

bool SimDesktop::DragPointer(HWnd hwnd, std::int32_t x, std::int32_t y, std::int32_t dx,
                             std::int32_t dy) {
  drags_.push_front({{dx, dy}, {}});
  const std::size_t pending = drags_.size();
  if (!MouseDown(hwnd, kLeftButton, 0, x, y)) {
    drags_.pop_front();
    return false;
  }
  if (drags_.size() == pending) {  // no move loop: the window hears the move
    drags_.pop_front();
    PointerMove(hwnd, x + dx, y + dy, kLeftButton);
  }
  MouseUp(hwnd, kLeftButton, 0, x + dx, y + dy);
  return true;
}

bool SimDesktop::DoubleClick(HWnd hwnd, std::int32_t x, std::int32_t y) {
  if (!MouseDown(hwnd, kLeftButton, 0, x, y)) return false;
  MouseUp(hwnd, kLeftButton, 0, x, y);
  if (!CanTakeInput(hwnd)) return true;
  Raise(hwnd, [](WindowEvents& e) { e.OnDblClick(); });
  MouseUp(hwnd, kLeftButton, 0, x, y);
  return true;
}

bool SimDesktop::PointerMove(HWnd hwnd, std::int32_t x, std::int32_t y, std::int16_t buttonsHeld,
                             std::int16_t shift) {
  if (!CanTakeInput(hwnd)) return false;
  const std::uint32_t lParam =
      (static_cast<std::uint32_t>(x) & 0xFFFF) | ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16);
  const MouseInput in = DecodeMove(KeysHeld(buttonsHeld, shift), lParam);
  Raise(hwnd, [&](WindowEvents& e) { e.OnMouseMove(in); });
  return true;
}

bool SimDesktop::ClickControl(HWnd hwnd) {
  const WindowState* w = Find(hwnd);
  if (!w || w->kind == WindowKind::Form || !CanTakeInput(hwnd)) return false;
  const std::int32_t x = w->bounds.Width() / 2;
  const std::int32_t y = w->bounds.Height() / 2;
  MouseDown(hwnd, kLeftButton, 0, x, y);
  MouseUp(hwnd, kLeftButton, 0, x, y);
  return true;
}

bool SimDesktop::PressKey(std::uint32_t virtualKey, std::int16_t shift) {
  if (active_ == 0) return false;
  switch (virtualKey) {
    case win::VkTab: return PressTab((shift & kShiftMask) != 0);
    case win::VkSpace:
      if (const WindowState* w = Find(focus_); w && FactsOf(w->kind).button) PushButton(focus_);
      return true;
    case win::VkF4: return (shift & kAltMask) == 0 || PressAltF4(active_);
    default: return true;
  }
}

bool SimDesktop::Type(HWnd hwnd, std::string_view text) {
  const WindowState* w = Find(hwnd);
  if (!w || w->kind != WindowKind::TextBox || !CanTakeInput(hwnd)) return false;
  Focus(hwnd);
  if (WindowState* after = W(hwnd)) after->text += text;
  return true;
}

bool SimDesktop::ClickCaption(HWnd form) {
  const WindowState* w = Find(form);
  if (!w || !w->Captioned() || !CanTakeInput(form)) return false;
  Activate(form);
  return true;
}

bool SimDesktop::RequestClose(HWnd hwnd) {
  const WindowState* w = Find(hwnd);
  return w && w->Captioned() && w->style.closeBox && PressAltF4(hwnd);
}

bool SimDesktop::PressAltF4(HWnd hwnd) {
  const WindowState* w = Find(hwnd);
  if (!w || w->kind != WindowKind::Form || !CanTakeInput(hwnd)) return false;
  Raise(hwnd, [](WindowEvents& e) { e.OnCloseRequest(); });
  return true;
}

void SimDesktop::EndSession() {
  std::vector<HWnd> forms = Forms();
  std::ranges::sort(forms);  // in the order they were made
  for (const HWnd form : forms) Raise(form, [](WindowEvents& e) { e.OnSessionEnd(); });
}

bool SimDesktop::ClickIcon(std::uint32_t mouseMessage) {
  if (icons_.size() != 1) {
    throw std::logic_error("ClickIcon: the notification area holds " +
                           std::to_string(icons_.size()) +
                           " icons; name the one meant by owner and id");
  }
  return ClickIcon(icons_.front().owner, icons_.front().id, mouseMessage);
}

bool SimDesktop::ClickIcon(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage) {
  const auto icon = std::ranges::find_if(
      icons_, [&](const NotifyIcon& i) { return i.owner == owner && i.id == id; });
  if (icon == icons_.end()) return false;
  // The toolkit's windows turn only the mouse-move message into an event.
  if (!(icon->flags & win::NifMessage) || icon->callbackMessage != win::WmMouseMove) return false;
  if (!W(owner)) return false;
  // The icon's message comes whatever the window's state: hidden, disabled
  // behind a modal form, or in the middle of a modal loop.
  const MouseInput in = DecodeMove(id, mouseMessage);
  Raise(owner, [&](WindowEvents& e) { e.OnMouseMove(in); });
  return true;
}

}  // namespace rn::sim
