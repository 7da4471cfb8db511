// The conformance driver of the real desktop: the user acts through the system's
// input queue (SendInput), so that the system itself decides which window a
// press reaches, where the focus goes and what a key does; what happens inside
// the desktop's loops is done from a timer, which fires in whichever loop runs.
#include "tests/conformance/win32_driver.h"

#include <algorithm>
#include <map>

#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_desktop.h"
#include "tests/win/thread_windows.h"

namespace rn::conformance {
namespace {

using win32::FromHandle;
using win32::MenuCaptions;
using win32::Narrow;
using win32::OpenMenu;
using win32::PostKey;
using win32::ToHandle;
using win32::ToHwnd;
using win32::Widen;

// Windows has a task bar: the work area is smaller than the screen.
constexpr int kTaskBarHeight = 30;
// Should a move loop ever lose its release, Escape ends it: the test fails
// instead of hanging.
constexpr DWORD kMoveLoopPatienceMs = 3000;

void Send(INPUT input) { ::SendInput(1, &input, sizeof(input)); }

void KeyInput(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  Send(input);
}

void MouseTo(Point screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = ::MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = ::MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  Send(input);
}

void Button(std::int16_t button, bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  switch (button) {
    case 2: input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case 4: input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
    default: input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
  }
  Send(input);
}

// Shift as rn::MouseInput's: 1 Shift, 2 Ctrl, 4 Alt.
void ShiftKeys(std::int16_t shift, bool down) {
  if (shift & 1) KeyInput(VK_SHIFT, down);
  if (shift & 2) KeyInput(VK_CONTROL, down);
  if (shift & 4) KeyInput(VK_MENU, down);
}

Point ToScreen(HWnd hwnd, Point client) {
  POINT p{client.x, client.y};
  ::ClientToScreen(ToHwnd(hwnd), &p);
  return {p.x, p.y};
}

// A point of the form's caption row where the system answers `hit`.
std::optional<Point> CaptionPoint(HWnd form, LRESULT hit) {
  RECT outer{};
  ::GetWindowRect(ToHwnd(form), &outer);
  POINT client{0, 0};
  ::ClientToScreen(ToHwnd(form), &client);
  const int y = (outer.top + client.y) / 2;
  for (int x = outer.right - 1; x >= outer.left; --x) {
    if (::SendMessageW(ToHwnd(form), WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit) {
      return Point{x, y};
    }
  }
  return std::nullopt;
}

std::string Folded(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

class Win32Driver final : public Driver {
 public:
  explicit Win32Driver(bool errorsToMessageBox)
      : desktop_({.exitOnEnd = false, .errorsToMessageBox = errorsToMessageBox}) {
    live_ = this;
    timer_ = ::SetTimer(nullptr, 0, 10, &Tick);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved_work_area_, 0);
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN),
              ::GetSystemMetrics(SM_CYSCREEN) - kTaskBarHeight};
    ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);

    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directory(folder_);
    std::filesystem::current_path(folder_);
  }
  ~Win32Driver() override {
    ::KillTimer(nullptr, timer_);
    live_ = nullptr;
    ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved_work_area_, 0);
    locks_.clear();
    std::filesystem::current_path(saved_directory_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  Desktop& desktop() override { return desktop_; }
  WinApi& api() override { return api_; }

  // Asking for the pointer goes to the display server and back, so the events
  // it sent for earlier requests are in by then; each round then handles them.
  void Settle() override {
    for (int round = 0; round < 2; ++round) {
      POINT pointer{};
      ::GetCursorPos(&pointer);
      MSG message{};
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        // The user's timer acts only inside the desktop's loops, never in this one.
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer_) {
          continue;
        }
        if (message.message == WM_QUIT) {
          ::PostQuitMessage(static_cast<int>(message.wParam));
          return;
        }
        if (!desktop_.PreTranslate(message)) {
          ::TranslateMessage(&message);
          ::DispatchMessageW(&message);
        }
      }
    }
  }

  void Click(HWnd hwnd, Point at, std::int16_t button, std::int16_t shift) override {
    Settle();
    const Point screen = ToScreen(hwnd, at);
    ShiftKeys(shift, true);
    MouseTo(screen);
    Button(button, true);
    Button(button, false);
    ShiftKeys(shift, false);
    Settle();
  }
  void DoubleClick(HWnd hwnd, Point at) override {
    Settle();
    MouseTo(ToScreen(hwnd, at));
    for (int i = 0; i < 2; ++i) {
      Button(1, true);
      Button(1, false);
    }
    Settle();
  }
  // Under Wine 8 a move loop loses an injected release that follows two or more
  // injected moves, so the pointer travels in one step.
  void Drag(HWnd hwnd, Point from, Point by) override {
    Settle();
    const Point start = ToScreen(hwnd, from);
    MouseTo(start);
    Button(1, true);
    MouseTo({start.x + by.x, start.y + by.y});
    Button(1, false);
    move_loop_deadline_ = ::GetTickCount() + kMoveLoopPatienceMs;
    Settle();
    move_loop_deadline_ = 0;
  }
  void MovePointer(HWnd hwnd, Point to) override {
    Settle();
    MouseTo(ToScreen(hwnd, to));
    Settle();
  }
  void ClickCaption(HWnd form) override {
    Settle();
    if (const auto at = CaptionPoint(form, HTCAPTION)) LeftClickAt(*at);
  }
  bool ClickCloseBox(HWnd form) override {
    Settle();
    const auto at = CaptionPoint(form, HTCLOSE);
    if (at) LeftClickAt(*at);
    return at.has_value();
  }
  // A second click into the box would be a double click, which selects a word.
  void Type(HWnd textBox, std::string_view text) override {
    Settle();
    if (::GetFocus() != ToHwnd(textBox)) {
      const Rect r = desktop_.GetBounds(textBox);
      LeftClickAt(ToScreen(textBox, {r.Width() - 6, r.Height() / 2}));
    }
    for (const wchar_t unit : Widen(text)) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = unit;
      input.ki.dwFlags = KEYEVENTF_UNICODE;
      Send(input);
      input.ki.dwFlags |= KEYEVENTF_KEYUP;
      Send(input);
    }
    Settle();
  }
  void Press(Key key) override {
    const Stroke stroke = StrokeOf(key);
    Settle();
    ShiftKeys(stroke.shift, true);
    KeyInput(static_cast<WORD>(stroke.virtualKey), true);
    KeyInput(static_cast<WORD>(stroke.virtualKey), false);
    ShiftKeys(stroke.shift, false);
    Settle();
  }
  void NotifyIconMessage(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage) override {
    ::PostMessageW(ToHwnd(owner), WM_MOUSEMOVE, id, static_cast<LPARAM>(mouseMessage));
    Settle();
  }

  void DuringModal(std::function<void()> action) override {
    modal_actions_.push_back(std::move(action));
  }
  void AnswerMenu(std::int32_t choice) override { menu_answers_.push_back(choice); }
  std::vector<std::string> LastMenuShown() override { return last_menu_; }

  HWnd Focus() override {
    Settle();
    return ToHandle(::GetFocus());
  }
  HWnd WindowFromPoint(Point screen) override {
    Settle();
    const HWND hwnd = ::WindowFromPoint(POINT{screen.x, screen.y});
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    return process == ::GetCurrentProcessId() ? ToHandle(hwnd) : 0;
  }
  Rect ClientOnScreen(HWnd hwnd) override {
    RECT client{};
    ::GetClientRect(ToHwnd(hwnd), &client);
    ::MapWindowPoints(ToHwnd(hwnd), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    return {client.left, client.top, client.right, client.bottom};
  }
  bool IsEnabled(HWnd hwnd) override { return ::IsWindowEnabled(ToHwnd(hwnd)) != FALSE; }
  bool IsTopmost(HWnd form) override {
    return (::GetWindowLongW(ToHwnd(form), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  }
  std::vector<HWnd> FrontToBack(const std::vector<HWnd>& forms) override {
    Settle();
    std::vector<HWnd> order;
    for (HWND h = ::GetTopWindow(nullptr); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
      if (std::ranges::find(forms, ToHandle(h)) != forms.end()) order.push_back(ToHandle(h));
    }
    return order;
  }
  bool RegionContains(Handle region, Point p) override {
    return ::PtInRegion(FromHandle<HRGN>(region), p.x, p.y) != FALSE;
  }
  Handle CaptionIcon(HWnd form) override {
    return ToHandle(reinterpret_cast<HICON>(::SendMessageW(ToHwnd(form), WM_GETICON, ICON_BIG, 0)));
  }
  std::optional<Font> FontOf(HWnd control) override {
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(ToHwnd(control), WM_GETFONT, 0, 0));
    LOGFONTW font{};
    if (!handle || !::GetObjectW(handle, sizeof(font), &font)) return std::nullopt;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (std::wstring_view(font.lfFaceName) == metrics.lfMessageFont.lfFaceName &&
        font.lfHeight == metrics.lfMessageFont.lfHeight) {
      return std::nullopt;
    }
    return Font{Narrow(font.lfFaceName), -font.lfHeight * 72.0 / desktop_.Screen().dpi,
                static_cast<int>(font.lfWeight), font.lfCharSet};
  }
  std::vector<std::string> Reports() override { return desktop_.ReportedErrors(); }
  int EndRequests() override { return desktop_.EndProcessRequests(); }
  std::filesystem::path ArtDirectory() override {
    // The build's own path, through the drive Wine gives the Unix root.
    return std::filesystem::path("Z:" RN_ART_DIR);
  }

  std::string Folder() override { return Narrow(folder_.wstring()); }
  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Widen(folder))) {
      names.push_back(Narrow(entry.path().filename().wstring()));
    }
    std::ranges::sort(names, {}, Folded);
    return names;
  }
  void MakeFolder(const std::string& path) override {
    std::filesystem::create_directories(Widen(path));
  }
  void Lock(const std::string& path, bool locked) override {
    if (!locked) {
      locks_.erase(path);
      return;
    }
    locks_[path] = win32::unique_file(
        ::CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  }
  void MakeReadOnly(const std::string& path, bool readOnly) override {
    ::SetFileAttributesW(Widen(path).c_str(),
                         readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
  }

 private:
  void LeftClickAt(Point screen) {
    MouseTo(screen);
    Button(1, true);
    Button(1, false);
    Settle();
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (live_ != nullptr) live_->OnTick();
  }
  void OnTick() {
    if (move_loop_deadline_ != 0 &&
        static_cast<LONG>(::GetTickCount() - move_loop_deadline_) >= 0) {
      move_loop_deadline_ = 0;
      if (const HWND captured = ::GetCapture()) ::PostMessageW(captured, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    const HWND menu = OpenMenu();
    if (menu != nullptr && menu != answered_menu_) {
      answered_menu_ = menu;
      AnswerMenuOpen(menu);
      return;
    }
    if (menu == nullptr) answered_menu_ = nullptr;
    if (menu == nullptr && !acting_ && !modal_actions_.empty()) {
      const std::function<void()> action = std::move(modal_actions_.front());
      modal_actions_.erase(modal_actions_.begin());
      acting_ = true;
      action();
      acting_ = false;
    }
  }
  // Down moves to the next item that can be chosen, the first Down to the first.
  void AnswerMenuOpen(HWND menu) {
    last_menu_ = MenuCaptions(menu);
    std::int32_t choice = -1;
    if (!menu_answers_.empty()) {
      choice = menu_answers_.front();
      menu_answers_.erase(menu_answers_.begin());
    }
    if (choice < 0 || choice >= static_cast<std::int32_t>(last_menu_.size())) {
      PostKey(menu, VK_ESCAPE);
      return;
    }
    for (std::int32_t i = 0; i <= choice; ++i) {
      if (last_menu_[static_cast<std::size_t>(i)] != "-") PostKey(menu, VK_DOWN);
    }
    PostKey(menu, VK_RETURN);
  }

  static inline Win32Driver* live_ = nullptr;
  win32::Win32Desktop desktop_;
  win32::Win32Api api_;
  UINT_PTR timer_ = 0;
  RECT saved_work_area_{};
  const std::filesystem::path saved_directory_ = std::filesystem::current_path();
  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() /
      (L"rn-conformance-" + std::to_wstring(::GetCurrentProcessId()));
  std::map<std::string, win32::unique_file> locks_;
  std::vector<std::function<void()>> modal_actions_;
  std::vector<std::int32_t> menu_answers_;
  std::vector<std::string> last_menu_;
  HWND answered_menu_ = nullptr;
  bool acting_ = false;
  DWORD move_loop_deadline_ = 0;
};

}  // namespace

std::unique_ptr<Driver> MakeWin32Driver(bool errorsToMessageBox) {
  return std::make_unique<Win32Driver>(errorsToMessageBox);
}

std::unique_ptr<Driver> MakeDriver() { return MakeWin32Driver(false); }

}  // namespace rn::conformance
