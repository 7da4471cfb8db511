#include "platform/win32/win32_desktop.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cwchar>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/form_class.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_desktop_impl.h"

namespace rn::win32 {
namespace {

constexpr wchar_t kFrameClass[] = L"RavikN.Frame";
constexpr wchar_t kUserControlClass[] = L"RavikN.UserControl";
constexpr wchar_t kImageClass[] = L"RavikN.Image";
constexpr wchar_t kPictureBoxClass[] = L"RavikN.PictureBox";
constexpr wchar_t kOwnerClass[] = L"RavikN.Owner";

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

const Win32Desktop::Impl::KindRow& Win32Desktop::Impl::RowOf(WindowKind kind) {
  // In the order of WindowKind.
  static constexpr KindRow kRows[] = {
      // Styled by its border in CreateForm; painted whole in WM_ERASEBKGND.
      {kFormClass, 0, 0, nullptr},
      {kPictureBoxClass, 0, 0, &Impl::PaintPictureBox},
      {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, nullptr},
      // Never the default button: Enter presses nothing.
      {L"BUTTON", BS_PUSHBUTTON, 0, nullptr},
      // Not automatic: the click toggles it here, before the event.
      {L"BUTTON", BS_3STATE, 0, nullptr},
      {kFrameClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, &Impl::PaintFrame},
      // One line, clipped at its edge.
      {L"STATIC", SS_LEFTNOWORDWRAP, 0, nullptr},
      {kImageClass, 0, 0, &Impl::PaintImage},
      {kUserControlClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, nullptr},
  };
  static_assert(std::size(kRows) == static_cast<std::size_t>(WindowKind::UserControl) + 1);
  return kRows[static_cast<std::size_t>(kind)];
}

// Each class is registered when its first window is made: the badge goes on
// screen having paid for its own class alone (each costs 0.2 ms under Wine).
void Win32Desktop::Impl::RegisterOwnClass(const wchar_t* name) {
  struct ClassInfo {
    const wchar_t* name;
    UINT style;
    HBRUSH background;
    WNDPROC procedure;
  };
  const HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  const ClassInfo classes[] = {
      {kFormClass, CS_DBLCLKS, face, &WindowProc},
      {kFrameClass, CS_HREDRAW | CS_VREDRAW, face, &WindowProc},
      {kUserControlClass, 0, face, &WindowProc},
      {kImageClass, CS_HREDRAW | CS_VREDRAW, face, &WindowProc},
      {kPictureBoxClass, CS_DBLCLKS, nullptr, &WindowProc},
      {kOwnerClass, 0, nullptr, &::DefWindowProcW},
  };
  static_assert(std::size(classes) <= sizeof(registeredClasses) * CHAR_BIT);
  for (std::size_t i = 0; i < std::size(classes); ++i) {
    const ClassInfo& info = classes[i];
    if (std::wcscmp(info.name, name) != 0) continue;
    const unsigned bit = 1u << i;
    if ((registeredClasses & bit) != 0) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = info.style;
    wc.lpfnWndProc = info.procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = info.background;
    wc.lpszClassName = info.name;
    // A second desktop in the same process finds its classes already there.
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw tk::RuntimeError(tk::Error::InternalError,
                             "RegisterClassExW failed: " + SystemMessage(::GetLastError()));
    }
    registeredClasses |= bit;
    return;
  }
}

void Win32Desktop::Impl::InitCommonControls() {
  if (commonControls) return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  commonControls = ::InitCommonControlsEx(&controls) != FALSE;
}

bool Win32Desktop::Impl::OverlapsASibling(HWND control, HWND parent) const {
  RECT mine{};
  ::GetWindowRect(control, &mine);
  return std::any_of(windows.begin(), windows.end(), [&](const auto& entry) {
    const HWND other = entry.first;
    RECT theirs{};
    RECT common{};
    return other != control && ::GetAncestor(other, GA_PARENT) == parent &&
           ::GetWindowRect(other, &theirs) && ::IntersectRect(&common, &mine, &theirs);
  });
}

HWND Win32Desktop::Impl::Owner() {
  if (!owner) {
    RegisterOwnClass(kOwnerClass);
    // Untitled: nothing that looks for the gadget's windows by name finds it.
    owner.reset(::CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr));
  }
  return owner.get();
}

const ScreenMetrics& Win32Desktop::Impl::Screen() {
  if (!screen) {
    const int dpi = SystemDpi();
    screen = ScreenMetrics{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                           dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI};
  }
  return *screen;
}

// ---------------------------------------------------------------- the desktop

Win32Desktop::Win32Desktop(Options options) : impl_(std::make_unique<Impl>(options)) {}

Win32Desktop::~Win32Desktop() = default;

// The window styles of a form's border, and the owner that keeps a captioned
// form out of the task bar unless it asks to be there.
Win32Desktop::Impl::FormFrame Win32Desktop::Impl::FrameOf(const FormWindowSpec& request) {
  FormFrame frame{WS_CLIPCHILDREN, 0, nullptr};
  const DWORD closeBox = request.closeBox ? WS_SYSMENU : 0;
  switch (request.border) {
    case BorderStyle::None:
      frame.style |= WS_POPUP;
      frame.exStyle |= WS_EX_TOOLWINDOW;  // a floating shape has no place in the task bar
      break;
    case BorderStyle::FixedToolWindow:
      frame.style |= WS_CAPTION | closeBox;
      frame.exStyle |= WS_EX_TOOLWINDOW;
      break;
    case BorderStyle::FixedSingle:
      frame.style |= WS_CAPTION | closeBox | (request.minButton ? WS_MINIMIZEBOX : 0) |
                     (request.maxButton ? WS_MAXIMIZEBOX : 0);
      // An unowned captioned window always gets a task-bar button; an owned one
      // gets one only when it asks.
      if (request.showInTaskbar) {
        frame.exStyle |= WS_EX_APPWINDOW;
      } else {
        frame.owner = Owner();
      }
      break;
  }
  return frame;
}

// Where a new form's outer rectangle of this size starts.
POINT Win32Desktop::Impl::StartPlace(StartUpPosition startUp, int width, int height) {
  switch (startUp) {
    case StartUpPosition::Manual: break;
    case StartUpPosition::CenterScreen:
      // The whole screen, task bar included, as the toolkit's forms centre.
      return {(::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
              (::GetSystemMetrics(SM_CYSCREEN) - height) / 2};
    case StartUpPosition::WindowsDefault: return {CW_USEDEFAULT, CW_USEDEFAULT};
  }
  return {0, 0};
}

HWnd Win32Desktop::CreateForm(const FormWindowSpec& request, WindowEvents& events) {
  const Impl::FormFrame frame = impl_->FrameOf(request);
  RECT outer{0, 0, request.clientWidth, request.clientHeight};
  ::AdjustWindowRectEx(&outer, frame.style, FALSE, frame.exStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const POINT place = Impl::StartPlace(request.startUp, width, height);

  const Picture icon = request.icon ? LoadPicture(*request.icon) : Picture{};
  auto window = std::make_shared<Impl::Window>();
  window->desktop = impl_.get();
  window->events = &events;
  impl_->RegisterOwnClass(kFormClass);
  const HWND hwnd = ::CreateWindowExW(frame.exStyle, kFormClass, Widen(request.caption).c_str(),
                                      frame.style, place.x, place.y, width, height, frame.owner,
                                      nullptr, impl_->instance, window.get());
  if (!hwnd) {
    throw tk::RuntimeError(tk::Error::InternalError,
                           "Cannot create a window: " + SystemMessage(::GetLastError()));
  }
  impl_->windows[hwnd] = window;

  if (icon) {
    const auto iconParam = reinterpret_cast<LPARAM>(FromHandle<HICON>(icon.handle));
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, iconParam);
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, iconParam);
  }
  return ToHandle(hwnd);
}

HWnd Win32Desktop::CreateControl(HWnd parentHandle, const ControlWindowSpec& request,
                                 WindowEvents& events) {
  const std::shared_ptr<Impl::Window> parent = impl_->Lookup(parentHandle);
  if (!parent) return 0;

  const WindowKind kind = KindOf(request.kind);
  const Impl::KindRow& row = Impl::RowOf(kind);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | row.style;
  const DWORD exStyle = row.exStyle;
  const wchar_t* className = row.className;
  const bool standard = FactsOf(kind).standard;

  if (standard) impl_->InitCommonControls();
  impl_->RegisterOwnClass(className);
  auto window = std::make_shared<Impl::Window>();
  window->desktop = impl_.get();
  window->kind = kind;
  window->events = &events;
  const int id = impl_->nextControlId++;
  const HWND hwnd = ::CreateWindowExW(
      exStyle, className, Widen(request.caption).c_str(), style, request.bounds.left,
      request.bounds.top, request.bounds.Width(), request.bounds.Height(), parent->hwnd,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), impl_->instance, window.get());
  if (!hwnd) {
    throw tk::RuntimeError(tk::Error::InternalError,
                           "Cannot create a control: " + SystemMessage(::GetLastError()));
  }
  // Each control lies above those made before it that it overlaps, as the form
  // lists them, so a label that overlaps an earlier, wider one (the version
  // beside the product name) stays readable. One that overlaps none may stay
  // where it was made, and spares start-up a window move.
  if (impl_->OverlapsASibling(hwnd, parent->hwnd)) {
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (standard) {
    window->hwnd = hwnd;
    ::SetWindowSubclass(hwnd, &Impl::ControlProc, 0, reinterpret_cast<DWORD_PTR>(window.get()));
  }
  impl_->windows[hwnd] = window;

  window->fontRequest = request.font;
  window->fontPending = true;
  if (::IsWindowVisible(::GetAncestor(parent->hwnd, GA_ROOT))) impl_->GiveFont(*window);
  if (kind == WindowKind::TextBox) ::SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return ToHandle(hwnd);
}

void Win32Desktop::SetTabOrder(HWnd form, const std::vector<HWnd>& order) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(form);
  if (!window || window->kind != WindowKind::Form) return;
  window->tabOrder.clear();
  for (HWnd stop : order) window->tabOrder.push_back(ToHwnd(stop));
}

void Win32Desktop::DestroyWindow(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  const HWND hwnd = window->hwnd;
  // Their objects may be going too: nothing of this window reaches them now.
  for (auto& [child, data] : impl_->windows) {
    if (child == hwnd || ::IsChild(hwnd, child)) data->events = nullptr;
  }
  ::DestroyWindow(hwnd);
}

Rect Win32Desktop::GetBounds(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return {};
  RECT bounds{};
  ::GetWindowRect(window->hwnd, &bounds);
  if (window->kind != WindowKind::Form) {
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window->hwnd), reinterpret_cast<POINT*>(&bounds),
                      2);
  }
  return ToRect(bounds);
}

Rect Win32Desktop::GetClientRect(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  RECT client{};
  if (window) ::GetClientRect(window->hwnd, &client);
  return ToRect(client);
}

std::int32_t Win32Desktop::Dpi(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  return window ? impl_->DpiOf(window->hwnd) : impl_->Dpi();
}

void Win32Desktop::SetBounds(HWnd handle, const Rect& bounds) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  // Left, Top, Width and Height may arrive one at a time. Moving a shown window
  // without resizing it keeps its surface, which Wine otherwise makes anew.
  const Rect now = GetBounds(handle);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (now.left == bounds.left && now.top == bounds.top) flags |= SWP_NOMOVE;
  if (now.Width() == bounds.Width() && now.Height() == bounds.Height()) flags |= SWP_NOSIZE;
  if ((flags & SWP_NOMOVE) && (flags & SWP_NOSIZE)) return;
  ::SetWindowPos(window->hwnd, nullptr, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                 flags);
}

bool Win32Desktop::IsVisible(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  return window && (::GetWindowLongW(window->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Desktop::SetVisible(HWnd handle, bool visible) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  const HWND hwnd = window->hwnd;
  const bool wasVisible = (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
  ::ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
  // A form shown again starts afresh at its first stop.
  if (!visible) window->lastFocus = nullptr;
  // Activation normally does this; it does not happen when the system refuses
  // the form the foreground.
  if (visible && !wasVisible && window->kind == WindowKind::Form && window->hwnd &&
      ::IsWindowEnabled(hwnd)) {
    impl_->FocusFirstStop(*window);
  }
}

void Win32Desktop::SetEnabled(HWnd handle, bool enabled) {
  if (const auto window = impl_->Lookup(handle)) ::EnableWindow(window->hwnd, enabled);
}

void Win32Desktop::BringToFront(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  ::SetForegroundWindow(window->hwnd);
  ::BringWindowToTop(window->hwnd);
}

void Win32Desktop::SetFocus(HWnd handle) {
  if (const auto window = impl_->Lookup(handle)) ::SetFocus(window->hwnd);
}

std::string Win32Desktop::GetText(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  return window ? Narrow(WindowText(window->hwnd)) : std::string();
}

void Win32Desktop::SetText(HWnd handle, const std::string& text) {
  if (const auto window = impl_->Lookup(handle))
    ::SetWindowTextW(window->hwnd, Widen(text).c_str());
}

std::int32_t Win32Desktop::GetCheck(HWnd checkBox) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(checkBox);
  if (!window || window->kind != WindowKind::CheckBox) return 0;
  return static_cast<std::int32_t>(::SendMessageW(window->hwnd, BM_GETCHECK, 0, 0));
}

void Win32Desktop::SetCheck(HWnd checkBox, std::int32_t value) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(checkBox);
  if (!window || window->kind != WindowKind::CheckBox) return;
  static_assert(BST_UNCHECKED == kUnchecked && BST_CHECKED == kChecked &&
                BST_INDETERMINATE == kGrayed);
  ::SendMessageW(window->hwnd, BM_SETCHECK, static_cast<WPARAM>(std::clamp(value, 0, 2)), 0);
}

ScreenMetrics Win32Desktop::Screen() { return impl_->Screen(); }

FileSystem& Win32Desktop::Files() { return impl_->files; }

}  // namespace rn::win32
