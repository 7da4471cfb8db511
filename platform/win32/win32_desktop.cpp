#include "platform/win32/win32_desktop.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "platform/errors.h"
#include "platform/mouse_keys.h"
#include "platform/notify_icon.h"
#include "platform/rounding.h"
#include "platform/scale.h"
#include "platform/win32/display_scale.h"
#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_files.h"

namespace rn::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"RavikN.Form";
constexpr wchar_t kFrameClass[] = L"RavikN.Frame";
constexpr wchar_t kUserControlClass[] = L"RavikN.UserControl";
constexpr wchar_t kImageClass[] = L"RavikN.Image";
constexpr wchar_t kPictureBoxClass[] = L"RavikN.PictureBox";
constexpr wchar_t kOwnerClass[] = L"RavikN.Owner";
constexpr wchar_t kTitle[] = L"Ravik N";
constexpr int kFirstControlId = 1000;
constexpr int kFrameCaptionIndent = 8;

// A captured pointer left of or above the window has negative coordinates.
int LowSigned(LPARAM value) { return static_cast<short>(LOWORD(value)); }
int HighSigned(LPARAM value) { return static_cast<short>(HIWORD(value)); }

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

std::wstring WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

HBRUSH FaceBrush() { return ::GetSysColorBrush(COLOR_BTNFACE); }

MouseInput Input(std::int16_t button, WPARAM wParam, LPARAM lParam) {
  MouseInput input;
  input.button = button;
  input.shift = static_cast<std::int16_t>(ShiftHeld(static_cast<std::uint32_t>(wParam)) |
                                          (::GetKeyState(VK_MENU) < 0 ? kAltMask : 0));
  input.x = LowSigned(lParam);
  input.y = HighSigned(lParam);
  return input;
}

// COM on this thread, for the shell, which may hand a URL to an extension. Only
// the home-page link needs it, so the apartment is entered at its first press
// rather than at start-up.
class ComApartment {
 public:
  ComApartment() = default;
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (entered_) ::CoUninitialize();
  }

  // Without COM the shell still opens most URLs: a failure here is no failure of the link.
  void Enter() {
    if (!entered_) {
      entered_ =
          SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
  }

 private:
  bool entered_ = false;
};

}  // namespace

std::wstring DirectoryOfModule(const std::wstring& modulePath) {
  const std::size_t separator = modulePath.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  std::wstring folder = modulePath.substr(0, separator);
  // "C:" alone would mean the drive's current folder, not its root.
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

struct Win32Desktop::Impl {
  // The window procedures hold their window through weak_from_this().lock():
  // shared_from_this() can throw bad_weak_ptr, whose library code alone adds
  // 3.5 KB to the executable.
  struct Window : std::enable_shared_from_this<Window> {
    Impl* desktop = nullptr;
    HWND hwnd = nullptr;
    bool form = false;
    ControlKind kind = ControlKind::Label;
    WindowEvents* events = nullptr;  // null once the window is on its way out
    std::vector<HWND> tabOrder;      // forms
    HWND lastFocus = nullptr;        // forms: where the focus was when they lost the activation
    int dpi = 0;                     // forms: the scale WM_DPICHANGED last gave, if any
    HFONT font = nullptr;            // own-class controls: what WM_SETFONT gave
    // Controls: the font they get when their form is first shown. Realizing a
    // font loads its file (megabytes for a Japanese one, tens of milliseconds
    // under Wine), which a form that start-up loads hidden need not pay for.
    std::optional<Font> fontRequest;  // none: the message font
    bool fontPending = false;
    Picture picture;  // forms and images: what they paint
    // Picture boxes: the persistent image. Declared so that the selection is
    // undone before the bitmap and the DC go.
    unique_hdc imageDc;
    unique_hbitmap image;
    select_guard imageSelection;
    SIZE imageSize{};
    // The last left press that counted as a single one, for telling a double click.
    bool pressPending = false;
    DWORD pressTime = 0;
    POINT pressAt{};
  };

  struct LoadedPicture {
    unique_hbitmap bitmap;
    unique_hicon icon;
    Picture picture;
  };

  using FontKey = std::tuple<std::wstring, int, int, int>;

  explicit Impl(Options o) : options(o), instance(::GetModuleHandleW(nullptr)) {}

  ~Impl() {
    std::vector<HWND> all;
    for (auto& [hwnd, window] : windows) {
      window->events = nullptr;
      all.push_back(hwnd);
    }
    for (HWND hwnd : all) {
      if (windows.count(hwnd) != 0 && windows[hwnd]->form) ::DestroyWindow(hwnd);
    }
    for (HWND hwnd : all) {
      if (windows.count(hwnd) != 0) ::DestroyWindow(hwnd);
    }
    windows.clear();
  }

  ComApartment com;  // first in, so left only after every window has gone
  Options options;
  HINSTANCE instance;
  Win32FileSystem files;
  std::vector<std::string> errors;
  int endRequests = 0;
  std::map<PictureId, LoadedPicture> pictures;
  // Bitmaps drawn at another scale than 100 %, by picture and size.
  std::map<std::tuple<Handle, int, int>, unique_hbitmap> scaledBitmaps;
  std::map<FontKey, unique_hfont> fonts;
  std::map<int, unique_hfont> messageFonts;  // by scale
  unique_hwnd owner;                         // hidden; owns the forms kept out of the task bar
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  int nextControlId = kFirstControlId;

  void RegisterClasses();
  // The common controls (and the DLL that brings them) come with the first
  // standard control: the badge, a window of the gadget's own, goes on screen
  // without them.
  void InitCommonControls();
  bool commonControls = false;
  std::shared_ptr<Window> Lookup(HWnd handle) const { return Lookup(ToHwnd(handle)); }
  std::shared_ptr<Window> Lookup(HWND hwnd) const {
    if (hwnd == nullptr) return nullptr;
    const auto found = windows.find(hwnd);
    return found == windows.end() ? nullptr : found->second;
  }
  void Forget(Window& window) {
    if (window.hwnd == nullptr) return;
    ::SetWindowLongPtrW(window.hwnd, GWLP_USERDATA, 0);
    windows.erase(window.hwnd);
    window.hwnd = nullptr;
    window.events = nullptr;
  }
  HWND Owner();
  HFONT MessageFont(int dpi);
  HFONT FontFor(const Font& font, int dpi);
  void GiveFont(Window& control);
  void GiveFontsOnFirstShow(HWND form);
  // The screen, asked once: each question is a round trip to the display
  // server (about half a millisecond under Wine) and start-up converts twips
  // dozens of times. Forgotten when the display or a scale changes.
  const ScreenMetrics& Screen();
  void ScreenChanged() { screen.reset(); }
  std::optional<ScreenMetrics> screen;
  // The system scale: the primary monitor's, which twips positions follow.
  int Dpi() { return Screen().dpi; }
  // The scale of the monitor under the window's form. Windows 8.1 tells it only
  // through WM_DPICHANGED.
  int DpiOf(HWND hwnd) {
    const HWND form = ::GetAncestor(hwnd, GA_ROOT);
    if (const int dpi = WindowDpi(form); dpi > 0) return dpi;
    const std::shared_ptr<Window> known = Lookup(form);
    return known && known->dpi > 0 ? known->dpi : Dpi();
  }
  void FollowScale(Window& form, const RECT& suggested);
  // Pictures are bitmaps (the badge) or icons; either sits at the top left, at
  // the size its own pixels make at `dpi`.
  void DrawPicture(HDC dc, const Picture& picture, int dpi);

  // Events reach the toolkit here; nothing it throws goes further.
  template <class F>
  void Raise(Window& window, F&& f) {
    if (window.events == nullptr) return;
    try {
      f(*window.events);
    } catch (const std::exception& e) {
      Report(e.what());
    } catch (...) {
      Report("An unexpected error ended an event.");
    }
  }
  void Report(const std::string& message);

  LRESULT OnMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
  bool IsSecondPress(Window& window);
  LRESULT DoubleClick(Window& window);
  LRESULT MouseDown(Window& window, std::int16_t button, WPARAM wParam, LPARAM lParam);
  LRESULT MouseUp(Window& window, std::int16_t button, WPARAM wParam, LPARAM lParam);
  void Clicked(HWND control);
  void FocusFirstStop(Window& form);
  // Coming back to a form puts the focus where it was, and that control gets
  // its got-focus as for any other arrival.
  void RestoreFocus(Window& form);
  void MoveFocus(Window& form, bool backward);
  void EraseForm(Window& window, HDC dc);
  void PaintFrame(Window& window);
  void PaintImage(Window& window);
  void PaintPictureBox(Window& window);
  void BuildImage(Window& window, int width, int height, const Picture* picture);
  void BuildClientImage(Window& window);
  void Dispatch(MSG& message, Win32Desktop& desktop);
  bool AnyForm() const {
    return std::any_of(windows.begin(), windows.end(),
                       [](const auto& w) { return w.second->form; });
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
};

// ---------------------------------------------------------------- window procedures

// Binds the window to its object at WM_NCCREATE; keeps the object alive for the
// length of the message even if the window is destroyed meanwhile.
LRESULT CALLBACK Win32Desktop::Impl::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  try {
    Window* window = nullptr;
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      window = static_cast<Window*>(create->lpCreateParams);
      if (window) {
        window->hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
      }
    } else {
      window = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (window == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const std::shared_ptr<Window> keep = window->weak_from_this().lock();
    return window->desktop->OnMessage(*window, message, wParam, lParam);
  } catch (...) {
    // A form never closes behind the toolkit's back.
    return message == WM_CLOSE ? 0 : ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// The standard controls keep their own procedures; this sits in front of them.
LRESULT CALLBACK Win32Desktop::Impl::ControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  try {
    auto* window = reinterpret_cast<Window*>(data);
    const std::shared_ptr<Window> keep = window->weak_from_this().lock();
    switch (message) {
      case WM_SETFOCUS: {
        const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
        window->desktop->Raise(*window, [](WindowEvents& e) { e.OnGotFocus(); });
        return result;
      }
      case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, &ControlProc, id);
        window->desktop->Forget(*window);
        break;
      default: break;
    }
  } catch (...) {
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT Win32Desktop::Impl::OnMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = window.hwnd;
  switch (message) {
    case WM_LBUTTONDOWN:
      return IsSecondPress(window) ? DoubleClick(window)
                                   : MouseDown(window, kLeftButton, wParam, lParam);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return MouseDown(window, kRightButton, wParam, lParam);
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return MouseDown(window, kMiddleButton, wParam, lParam);
    case WM_LBUTTONDBLCLK: return DoubleClick(window);
    case WM_LBUTTONUP: return MouseUp(window, kLeftButton, wParam, lParam);
    case WM_RBUTTONUP: return MouseUp(window, kRightButton, wParam, lParam);
    case WM_MBUTTONUP: return MouseUp(window, kMiddleButton, wParam, lParam);
    case WM_MOUSEMOVE: {
      MouseInput input = Input(ButtonsHeld(static_cast<std::uint32_t>(wParam)), wParam, lParam);
      input.fromNotifyIcon = IsNotifyIconCallback(static_cast<std::uint32_t>(wParam),
                                                  static_cast<std::uint32_t>(lParam), 0);
      Raise(window, [&](WindowEvents& e) { e.OnMouseMove(input); });
      return 0;
    }
    case WM_COMMAND:
      // Forms, frames and user controls all pass their buttons' clicks on.
      if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
        Clicked(reinterpret_cast<HWND>(lParam));
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (window.form || window.kind == ControlKind::PictureBox) {
        Raise(window, [](WindowEvents& e) { e.OnGotFocus(); });
      }
      return 0;
    case WM_ACTIVATE:
      if (!window.form) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        window.lastFocus = focus != nullptr && ::IsChild(hwnd, focus) ? focus : nullptr;
      } else if (HIWORD(wParam) == 0) {
        // In place of the default, which would focus the form itself.
        RestoreFocus(window);
      }
      return 0;
    case WM_CLOSE:
      if (window.form) Raise(window, [](WindowEvents& e) { e.OnCloseRequest(); });
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      // A cancelled shutdown (wParam FALSE) changes nothing.
      if (window.form && wParam) Raise(window, [](WindowEvents& e) { e.OnSessionEnd(); });
      return 0;
    case WM_DPICHANGED:
      if (!window.form || lParam == 0) break;
      window.dpi = LOWORD(wParam);
      FollowScale(window, *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGING:
      // Every way of showing a window passes here, before anything is painted.
      if (window.form && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
        GiveFontsOnFirstShow(hwnd);
      }
      break;
    case WM_ERASEBKGND:
      if (window.form) {
        EraseForm(window, reinterpret_cast<HDC>(wParam));
        return 1;
      }
      if (window.kind == ControlKind::PictureBox) return 1;  // painted whole in WM_PAINT
      break;
    case WM_PAINT:
      if (window.form) break;
      switch (window.kind) {
        case ControlKind::Frame: PaintFrame(window); return 0;
        case ControlKind::Image: PaintImage(window); return 0;
        case ControlKind::PictureBox: PaintPictureBox(window); return 0;
        default: break;
      }
      break;
    case WM_SETFONT:
      window.font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) ::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(window.font);
    case WM_DISPLAYCHANGE: ScreenChanged(); break;
    case WM_SETTEXT:
    case WM_ENABLE:
      if (window.kind == ControlKind::Frame && !window.form) {
        const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
        ::InvalidateRect(hwnd, nullptr, TRUE);
        return result;
      }
      break;
    case WM_NCDESTROY: {
      const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
      Forget(window);
      return result;
    }
    default: break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The gadget drags its floating window from the first press, through the
// caption move loop, which takes the button's release for itself. Measured under
// Wine 8 (xdotool clicks 80 ms apart, with and without a real drag in between):
// the next press still arrives as WM_LBUTTONDBLCLK. Should a system lose the
// pairing in the loop, a plain press that meets the system's own double-click
// time and distance on the same window is taken as the double click here.
bool Win32Desktop::Impl::IsSecondPress(Window& window) {
  const DWORD time = static_cast<DWORD>(::GetMessageTime());
  const DWORD position = ::GetMessagePos();
  const POINT at{LowSigned(position), HighSigned(position)};
  const bool second = window.pressPending && time - window.pressTime <= ::GetDoubleClickTime() &&
                      std::abs(at.x - window.pressAt.x) <= ::GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                      std::abs(at.y - window.pressAt.y) <= ::GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  window.pressPending = !second;
  window.pressTime = time;
  window.pressAt = at;
  return second;
}

// The second press of a double click is the double click and nothing else, so
// it cannot start a drag.
LRESULT Win32Desktop::Impl::DoubleClick(Window& window) {
  window.pressPending = false;
  if (::GetCapture() != window.hwnd) ::SetCapture(window.hwnd);
  Raise(window, [](WindowEvents& e) { e.OnDblClick(); });
  return 0;
}

LRESULT Win32Desktop::Impl::MouseDown(Window& window, std::int16_t button, WPARAM wParam,
                                      LPARAM lParam) {
  const HWND hwnd = window.hwnd;
  if (!window.form && window.kind == ControlKind::PictureBox) ::SetFocus(hwnd);
  // The button's release comes back here even when it happens outside.
  if (::GetCapture() != hwnd) ::SetCapture(hwnd);
  const MouseInput input = Input(button, wParam, lParam);
  Raise(window, [&](WindowEvents& e) { e.OnMouseDown(input); });
  return 0;
}

LRESULT Win32Desktop::Impl::MouseUp(Window& window, std::int16_t button, WPARAM wParam,
                                    LPARAM lParam) {
  const HWND hwnd = window.hwnd;
  // Released first: the handler may open a menu, which wants the mouse itself.
  if (ButtonsHeld(static_cast<std::uint32_t>(wParam)) == 0 && ::GetCapture() == hwnd) {
    ::ReleaseCapture();
  }
  const MouseInput input = Input(button, wParam, lParam);
  Raise(window, [&](WindowEvents& e) { e.OnMouseUp(input); });
  return 0;
}

void Win32Desktop::Impl::Clicked(HWND control) {
  const std::shared_ptr<Window> window = Lookup(control);
  if (!window) return;
  if (window->kind == ControlKind::CheckBox) {
    // Toggled here, not by the system, so that the handler already sees the new
    // value; a grey box turns unchecked, as the toolkit's boxes do.
    const LRESULT state = ::SendMessageW(control, BM_GETCHECK, 0, 0);
    ::SendMessageW(control, BM_SETCHECK, state == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (window->kind == ControlKind::CommandButton || window->kind == ControlKind::CheckBox) {
    Raise(*window, [](WindowEvents& e) { e.OnClick(); });
  }
}

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

void Win32Desktop::Impl::EraseForm(Window& window, HDC dc) {
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  ::FillRect(dc, &client, FaceBrush());
  DrawPicture(dc, window.picture, DpiOf(window.hwnd));
}

void Win32Desktop::Impl::PaintFrame(Window& window) {
  paint_scope paint(window.hwnd);
  const HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  const HFONT font = window.font ? window.font : MessageFont(DpiOf(window.hwnd));
  select_guard selected(dc, font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  RECT box = client;
  box.top += metrics.tmHeight / 2;
  ::DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);

  const std::wstring caption = WindowText(window.hwnd);
  if (caption.empty()) return;
  RECT text{0, 0, 0, 0};
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
  ::OffsetRect(&text, kFrameCaptionIndent, 0);
  // The caption interrupts the line; a little room either side of it.
  RECT gap{text.left - 2, text.top, text.right + 2, text.bottom};
  ::FillRect(dc, &gap, FaceBrush());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc,
                 ::GetSysColor(::IsWindowEnabled(window.hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
}

void Win32Desktop::Impl::PaintImage(Window& window) {
  paint_scope paint(window.hwnd);
  DrawPicture(paint.get(), window.picture, DpiOf(window.hwnd));
}

void Win32Desktop::Impl::PaintPictureBox(Window& window) {
  paint_scope paint(window.hwnd);
  const HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  if (window.imageDc) {
    ::BitBlt(dc, 0, 0, window.imageSize.cx, window.imageSize.cy, window.imageDc.get(), 0, 0,
             SRCCOPY);
    ::ExcludeClipRect(dc, 0, 0, window.imageSize.cx, window.imageSize.cy);
  }
  ::FillRect(dc, &client, FaceBrush());
}

void Win32Desktop::Impl::BuildImage(Window& window, int width, int height, const Picture* picture) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  // Compatible with the screen, not with the memory DC, which starts out
  // monochrome: the picture's colours must come out as they are.
  window_dc screen(nullptr);
  unique_hdc dc(::CreateCompatibleDC(screen.get()));
  unique_hbitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!dc || !bitmap) throw tk::RuntimeError(tk::Error::OutOfMemory, "a picture box's image");
  select_guard selection(dc.get(), bitmap.get());
  RECT all{0, 0, width, height};
  ::FillRect(dc.get(), &all, FaceBrush());
  if (picture) DrawPicture(dc.get(), *picture, DpiOf(window.hwnd));

  window.imageSelection.restore();
  window.image = std::move(bitmap);
  window.imageDc = std::move(dc);
  window.imageSelection = std::move(selection);
  window.imageSize = SIZE{width, height};
}

void Win32Desktop::Impl::BuildClientImage(Window& window) {
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  BuildImage(window, client.right, client.bottom, window.form ? &window.picture : nullptr);
}

void Win32Desktop::Impl::DrawPicture(HDC dc, const Picture& picture, int dpi) {
  if (!picture) return;
  const int width = tk::ScaledLength(picture.width, dpi);
  const int height = tk::ScaledLength(picture.height, dpi);
  const HGDIOBJ object = FromHandle<HGDIOBJ>(picture.handle);
  if (::GetObjectType(object) != OBJ_BITMAP) {
    // The artwork's 32 x 32 icons, scaled by the system.
    ::DrawIconEx(dc, 0, 0, FromHandle<HICON>(picture.handle), width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  HGDIOBJ drawn = object;
  if (width != picture.width || height != picture.height) {
    auto& scaled = scaledBitmaps[{picture.handle, width, height}];
    if (!scaled) scaled = ScaledBitmap(static_cast<HBITMAP>(object), width, height);
    if (!scaled) return;
    drawn = scaled.get();
  }
  unique_hdc source(::CreateCompatibleDC(dc));
  if (!source) return;
  select_guard selected(source.get(), drawn);
  if (!selected) return;
  ::BitBlt(dc, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
}

// The suggested rectangle keeps the window where the user is moving it without
// sending it back across the monitors' edge; the toolkit sizes it exactly next.
void Win32Desktop::Impl::FollowScale(Window& form, const RECT& suggested) {
  ScreenChanged();
  const HWND hwnd = form.hwnd;
  ::SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<std::shared_ptr<Window>> given;
  for (const auto& [child, window] : windows) {
    if (!window->form && !window->fontPending && ::GetAncestor(child, GA_ROOT) == hwnd) {
      given.push_back(window);
    }
  }
  for (const auto& control : given) GiveFont(*control);
  Raise(form, [](WindowEvents& e) { e.OnDpiChanged(); });
}

void Win32Desktop::Impl::Report(const std::string& message) {
  if (!options.errorsToMessageBox) {
    errors.push_back(message);
    return;
  }
  ::MessageBoxW(::GetActiveWindow(), Widen(message).c_str(), kTitle,
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Win32Desktop::Impl::RegisterClasses() {
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
  for (const ClassInfo& info : classes) {
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
  }
}

void Win32Desktop::Impl::InitCommonControls() {
  if (commonControls) return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  commonControls = ::InitCommonControlsEx(&controls) != FALSE;
}

HWND Win32Desktop::Impl::Owner() {
  if (!owner) {
    // Untitled: nothing that looks for the gadget's windows by name finds it.
    owner.reset(::CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr));
  }
  return owner.get();
}

const ScreenMetrics& Win32Desktop::Impl::Screen() {
  if (!screen) {
    window_dc dc(nullptr);
    const int dpi = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 0;
    screen = ScreenMetrics{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                           dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI};
  }
  return *screen;
}

HFONT Win32Desktop::Impl::MessageFont(int dpi) {
  unique_hfont& font = messageFonts[dpi];
  if (!font) {
    LOGFONTW face{};
    if (MessageFontAt(dpi, Dpi(), face)) font.reset(::CreateFontIndirectW(&face));
  }
  return font ? font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HFONT Win32Desktop::Impl::FontFor(const Font& font, int dpi) {
  constexpr double kPointsPerInch = 72.0;
  const int height = -tk::RoundToInt32(font.points * dpi / kPointsPerInch);
  FontKey key{Widen(font.face), height, font.weight, font.charset};
  const auto found = fonts.find(key);
  if (found != fonts.end()) return found->second.get();
  const HFONT created =
      ::CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                    static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, std::get<0>(key).c_str());
  if (!created) return MessageFont(dpi);
  fonts.emplace(std::move(key), unique_hfont(created));
  return created;
}

void Win32Desktop::Impl::GiveFont(Window& control) {
  // A font given again, at another scale, shows at once.
  const BOOL redraw = control.fontPending ? FALSE : TRUE;
  control.fontPending = false;
  const int dpi = DpiOf(control.hwnd);
  const HFONT font = control.fontRequest ? FontFor(*control.fontRequest, dpi) : MessageFont(dpi);
  ::SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

void Win32Desktop::Impl::GiveFontsOnFirstShow(HWND form) {
  std::vector<std::shared_ptr<Window>> waiting;
  for (const auto& [hwnd, window] : windows) {
    if (window->fontPending && ::GetAncestor(hwnd, GA_ROOT) == form) waiting.push_back(window);
  }
  for (const auto& control : waiting) GiveFont(*control);
}

void Win32Desktop::Impl::Dispatch(MSG& message, Win32Desktop& desktop) {
  if (desktop.PreTranslate(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

// ---------------------------------------------------------------- the desktop

Win32Desktop::Win32Desktop(Options options) : impl_(std::make_unique<Impl>(options)) {
  impl_->RegisterClasses();
}

Win32Desktop::~Win32Desktop() = default;

HWnd Win32Desktop::CreateForm(const FormWindowSpec& request, WindowEvents& events) {
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  HWND owner = nullptr;
  const DWORD closeBox = request.closeBox ? WS_SYSMENU : 0;
  switch (request.border) {
    case BorderStyle::None:
      style |= WS_POPUP;
      exStyle |= WS_EX_TOOLWINDOW;  // a floating shape has no place in the task bar
      break;
    case BorderStyle::FixedToolWindow:
      style |= WS_CAPTION | closeBox;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
    case BorderStyle::FixedSingle:
      style |= WS_CAPTION | closeBox | (request.minButton ? WS_MINIMIZEBOX : 0) |
               (request.maxButton ? WS_MAXIMIZEBOX : 0);
      // An unowned captioned window always gets a task-bar button; an owned one
      // gets one only when it asks.
      if (request.showInTaskbar) {
        exStyle |= WS_EX_APPWINDOW;
      } else {
        owner = impl_->Owner();
      }
      break;
  }

  RECT outer{0, 0, request.clientWidth, request.clientHeight};
  ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  int x = 0;
  int y = 0;
  switch (request.startUp) {
    case StartUpPosition::Manual: break;
    case StartUpPosition::CenterScreen:
      // The whole screen, task bar included, as the toolkit's forms centre.
      x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
      y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      break;
    case StartUpPosition::WindowsDefault:
      x = CW_USEDEFAULT;
      y = CW_USEDEFAULT;
      break;
  }

  const Picture icon = request.icon ? LoadPicture(*request.icon) : Picture{};
  auto window = std::make_shared<Impl::Window>();
  window->desktop = impl_.get();
  window->form = true;
  window->events = &events;
  const HWND hwnd =
      ::CreateWindowExW(exStyle, kFormClass, Widen(request.caption).c_str(), style, x, y, width,
                        height, owner, nullptr, impl_->instance, window.get());
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

  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  const wchar_t* className = nullptr;
  bool standard = true;
  switch (request.kind) {
    case ControlKind::PictureBox:
      className = kPictureBoxClass;
      standard = false;
      break;
    case ControlKind::TextBox:
      className = L"EDIT";
      style |= ES_LEFT | ES_AUTOHSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::CommandButton:
      className = L"BUTTON";
      style |= BS_PUSHBUTTON;  // never the default button: Enter presses nothing
      break;
    case ControlKind::CheckBox:
      className = L"BUTTON";
      style |= BS_3STATE;  // not automatic: the click toggles it here, before the event
      break;
    case ControlKind::Frame:
      className = kFrameClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      standard = false;
      break;
    case ControlKind::Label:
      className = L"STATIC";
      style |= SS_LEFTNOWORDWRAP;  // one line, clipped at its edge
      break;
    case ControlKind::Image:
      className = kImageClass;
      standard = false;
      break;
    case ControlKind::UserControl:
      className = kUserControlClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      standard = false;
      break;
  }

  if (standard) impl_->InitCommonControls();
  auto window = std::make_shared<Impl::Window>();
  window->desktop = impl_.get();
  window->kind = request.kind;
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
  // Each control lies above those made before it, as the form lists them, so a
  // label that overlaps an earlier, wider one (the version beside the product
  // name) stays readable.
  ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (standard) {
    window->hwnd = hwnd;
    ::SetWindowSubclass(hwnd, &Impl::ControlProc, 0, reinterpret_cast<DWORD_PTR>(window.get()));
  }
  impl_->windows[hwnd] = window;

  window->fontRequest = request.font;
  window->fontPending = true;
  if (::IsWindowVisible(::GetAncestor(parent->hwnd, GA_ROOT))) impl_->GiveFont(*window);
  if (request.kind == ControlKind::TextBox) ::SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return ToHandle(hwnd);
}

void Win32Desktop::SetTabOrder(HWnd form, const std::vector<HWnd>& order) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(form);
  if (!window || !window->form) return;
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
  if (!window->form) {
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
  ::SetWindowPos(window->hwnd, nullptr, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
  if (visible && !wasVisible && window->form && window->hwnd && ::IsWindowEnabled(hwnd)) {
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
  if (!window || window->kind != ControlKind::CheckBox) return 0;
  return static_cast<std::int32_t>(::SendMessageW(window->hwnd, BM_GETCHECK, 0, 0));
}

void Win32Desktop::SetCheck(HWnd checkBox, std::int32_t value) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(checkBox);
  if (!window || window->kind != ControlKind::CheckBox) return;
  static_assert(BST_UNCHECKED == kUnchecked && BST_CHECKED == kChecked &&
                BST_INDETERMINATE == kGrayed);
  ::SendMessageW(window->hwnd, BM_SETCHECK, static_cast<WPARAM>(std::clamp(value, 0, 2)), 0);
}

Picture Win32Desktop::LoadPicture(PictureId id) {
  const auto found = impl_->pictures.find(id);
  if (found != impl_->pictures.end()) return found->second.picture;

  Impl::LoadedPicture loaded;
  int resource = 0;
  if (id == PictureId::ShapeBitmap) {
    resource = RN_IDB_BADGE;
    // A DIB section keeps the palette's colours exactly as drawn.
    loaded.bitmap.reset(static_cast<HBITMAP>(::LoadImageW(
        impl_->instance, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (loaded.bitmap && ::GetObjectW(loaded.bitmap.get(), sizeof(info), &info)) {
      loaded.picture = {ToHandle(loaded.bitmap.get()), info.bmWidth, std::abs(info.bmHeight)};
    }
  } else {
    resource = id == PictureId::TrayIcon ? RN_IDI_TRAY : RN_IDI_DIALOG;
    // Size 0 x 0 without LR_DEFAULTSIZE: the icon's own size.
    loaded.icon.reset(static_cast<HICON>(
        ::LoadImageW(impl_->instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, 0, 0, 0)));
    ICONINFO info{};
    if (loaded.icon && ::GetIconInfo(loaded.icon.get(), &info)) {
      const unique_hbitmap color(info.hbmColor);
      const unique_hbitmap mask(info.hbmMask);
      BITMAP bits{};
      if (::GetObjectW(color ? color.get() : mask.get(), sizeof(bits), &bits)) {
        loaded.picture = {ToHandle(loaded.icon.get()), bits.bmWidth,
                          color ? bits.bmHeight : bits.bmHeight / 2};
      }
    }
  }
  if (!loaded.picture) {
    throw tk::RuntimeError(tk::Error::FileNotFound, "picture resource " + std::to_string(resource) +
                                                        ": " + SystemMessage(::GetLastError()));
  }
  const Picture picture = loaded.picture;
  impl_->pictures.emplace(id, std::move(loaded));
  return picture;
}

void Win32Desktop::SetPicture(HWnd handle, const Picture& picture) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  if (window->form || window->kind == ControlKind::Image) {
    window->picture = picture;
    if (window->imageDc) impl_->BuildClientImage(*window);
  } else if (window->kind == ControlKind::PictureBox) {
    if (picture) {
      const int dpi = impl_->DpiOf(window->hwnd);
      impl_->BuildImage(*window, tk::ScaledLength(picture.width, dpi),
                        tk::ScaledLength(picture.height, dpi), &picture);
    } else {
      impl_->BuildClientImage(*window);
    }
  } else {
    return;
  }
  ::InvalidateRect(window->hwnd, nullptr, TRUE);
}

Handle Win32Desktop::PictureDC(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window || (!window->form && window->kind != ControlKind::PictureBox)) return 0;
  RECT client{};
  ::GetClientRect(window->hwnd, &client);
  // A form's image is what it shows now, so it follows the form's size.
  const bool stale = window->form && (window->imageSize.cx != client.right ||
                                      window->imageSize.cy != client.bottom);
  if (!window->imageDc || stale) impl_->BuildClientImage(*window);
  return ToHandle(window->imageDc.get());
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

bool Win32Desktop::PreTranslate(tagMSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return false;
  const std::shared_ptr<Impl::Window> form = impl_->Lookup(::GetAncestor(message.hwnd, GA_ROOT));
  if (!form || !form->form) return false;
  impl_->MoveFocus(*form, ::GetKeyState(VK_SHIFT) < 0);
  return true;
}

void Win32Desktop::ReportError(const std::string& message) { impl_->Report(message); }

void Win32Desktop::OpenUrl(const std::string& url) {
  impl_->com.Enter();
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return;
  // Three results are the system's own error codes; for the others, which are
  // the shell's, the system's last error says more.
  tk::Error error = tk::Error::PathFileAccess;
  if (code == SE_ERR_FNF) error = tk::Error::FileNotFound;
  if (code == SE_ERR_PNF) error = tk::Error::PathNotFound;
  if (code == SE_ERR_ACCESSDENIED) error = tk::Error::PermissionDenied;
  const DWORD reason =
      error == tk::Error::PathFileAccess ? ::GetLastError() : static_cast<DWORD>(code);
  throw tk::RuntimeError(error, url + ": cannot open it (" + std::to_string(code) + ", " +
                                    SystemMessage(reason) + ")");
}

ScreenMetrics Win32Desktop::Screen() { return impl_->Screen(); }

std::string Win32Desktop::ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the path may have been cut.
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Narrow(DirectoryOfModule(path));
}

FileSystem& Win32Desktop::Files() { return impl_->files; }

void Win32Desktop::EndProcess() {
  if (impl_->options.exitOnEnd) ::ExitProcess(0);
  ++impl_->endRequests;
}

const std::vector<std::string>& Win32Desktop::ReportedErrors() const { return impl_->errors; }
int Win32Desktop::EndProcessRequests() const { return impl_->endRequests; }

}  // namespace rn::win32
