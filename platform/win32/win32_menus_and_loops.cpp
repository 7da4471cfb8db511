// The popup menu and the message loops, modal and main.
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_desktop_impl.h"

namespace rn::win32 {

void Win32Desktop::Impl::Dispatch(MSG& message, Win32Desktop& desktop) {
  if (desktop.PreTranslate(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

std::int32_t Win32Desktop::TrackPopupMenu(HWnd ownerHandle,
                                          const std::vector<std::string>& captions,
                                          std::uint32_t flags) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(ownerHandle);
  if (!window) return -1;
  const HWND owner = window->hwnd;
  unique_hmenu menu(::CreatePopupMenu());
  if (!menu) return -1;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    if (captions[i] == "-") {
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu.get(), MF_STRING, i + 1, Widen(captions[i]).c_str());
    }
  }
  POINT at{};
  ::GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  ::SetForegroundWindow(owner);
  UINT track = TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN;
  if (flags & 2) track |= TPM_RIGHTBUTTON;
  const BOOL chosen = ::TrackPopupMenu(menu.get(), track, at.x, at.y, 0, owner, nullptr);
  // Lets the owner's queue run once, so that a second menu opens properly.
  ::PostMessageW(owner, WM_NULL, 0, 0);
  return chosen > 0 ? static_cast<std::int32_t>(chosen) - 1 : -1;
}

void Win32Desktop::RunModalLoop(const std::function<bool()>& done) {
  MSG message{};
  while (!done()) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return;
    if (got == 0) {
      // The main loop must see the quit too.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    impl_->Dispatch(message, *this);
  }
}

int Win32Desktop::RunMessageLoop() {
  MSG message{};
  while (impl_->AnyForm()) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return -1;
    if (got == 0) return static_cast<int>(message.wParam);
    impl_->Dispatch(message, *this);
  }
  return 0;
}

}  // namespace rn::win32
