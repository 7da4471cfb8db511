// Keyboard focus: the first stop, the stop restored on coming back, Tab and
// Shift+Tab along the form's tab order.
#include <utility>
#include <vector>

#include "platform/win32/win32_desktop_impl.h"

namespace rn::win32 {
namespace {

// Visible and enabled all the way up to the form (the form itself may still be
// on its way to the screen).
bool CanTakeFocus(HWND stop, HWND form) {
  if (!::IsWindow(stop)) return false;
  HWND at = stop;
  for (; at != nullptr && at != form; at = ::GetParent(at)) {
    const LONG style = ::GetWindowLongW(at, GWL_STYLE);
    if ((style & WS_VISIBLE) == 0 || (style & WS_DISABLED) != 0) return false;
  }
  return at == form;
}

}  // namespace

void Win32Desktop::Impl::FocusFirstStop(Window& form) {
  for (HWND stop : form.tabOrder) {
    if (CanTakeFocus(stop, form.hwnd)) {
      ::SetFocus(stop);
      return;
    }
  }
  ::SetFocus(form.hwnd);
}

void Win32Desktop::Impl::RestoreFocus(Window& form) {
  const HWND last = std::exchange(form.lastFocus, nullptr);
  if (last == nullptr || !::IsChild(form.hwnd, last) || !CanTakeFocus(last, form.hwnd)) {
    FocusFirstStop(form);
    return;
  }
  ::SetFocus(last);
}

void Win32Desktop::Impl::MoveFocus(Window& form, bool backward) {
  const std::vector<HWND> order = form.tabOrder;
  const int count = static_cast<int>(order.size());
  const HWND focus = ::GetFocus();
  int current = -1;
  for (int i = 0; i < count; ++i) {
    if (order[i] == focus || ::IsChild(order[i], focus)) {
      current = i;
      break;
    }
  }
  for (int step = 1; step <= count; ++step) {
    int index;
    if (current < 0) {
      index = backward ? count - step : step - 1;
    } else {
      index = (current + (backward ? count - step : step)) % count;
    }
    if (CanTakeFocus(order[index], form.hwnd)) {
      ::SetFocus(order[index]);
      return;
    }
  }
}

bool Win32Desktop::PreTranslate(tagMSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return false;
  const std::shared_ptr<Impl::Window> form = impl_->Lookup(::GetAncestor(message.hwnd, GA_ROOT));
  if (!form || form->kind != WindowKind::Form) return false;
  impl_->MoveFocus(*form, ::GetKeyState(VK_SHIFT) < 0);
  return true;
}

}  // namespace rn::win32
