// One gadget per test on the real desktop. The settings file beside the test
// program is kept aside and put back; "the user" acts from a timer, so that the
// script goes on inside whatever loop is running: the test's own, the toolkit's
// modal loop or a menu's.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "app/program.h"
#include "forms/form2.h"
#include "forms/form3.h"
#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_desktop.h"
#include "tests/win/thread_windows.h"
#include "tray/command_menu.h"

namespace rn::win32::gadget {

inline constexpr int kTwipsPerPixel = 15;  // the test prefix runs at 96 dpi
inline constexpr DWORD kPatienceMs = 5000;

inline HWND H(HWnd handle) { return ToHwnd(handle); }
inline LONG StyleOf(HWnd w) { return ::GetWindowLongW(H(w), GWL_STYLE); }
inline LONG ExStyleOf(HWnd w) { return ::GetWindowLongW(H(w), GWL_EXSTYLE); }
inline bool Topmost(HWnd w) { return (ExStyleOf(w) & WS_EX_TOPMOST) != 0; }
inline bool Shown(HWnd w) { return w != 0 && ::IsWindowVisible(H(w)); }

inline Rect ScreenRect(HWnd w) {
  RECT r{};
  ::GetWindowRect(H(w), &r);
  return {r.left, r.top, r.right, r.bottom};
}

// A control's outer rectangle in its parent's client area.
inline Rect RectInParent(HWnd w) {
  RECT r{};
  ::GetWindowRect(H(w), &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(H(w)), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

inline std::string TextOf(HWND w) {
  wchar_t text[256]{};
  ::GetWindowTextW(w, text, 256);
  return Narrow(text);
}

// The region of a window as one sorted list of [left, right) spans per pixel
// row, whatever banding the system chose to store it in.
inline std::map<int, std::vector<std::pair<int, int>>> RowsOfRegion(HWND hwnd) {
  std::map<int, std::vector<std::pair<int, int>>> rows;
  const unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
  if (::GetWindowRgn(hwnd, region.get()) == ERROR) return rows;
  const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
  std::vector<char> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (::GetRegionData(region.get(), size, data) != size) return rows;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    for (int y = rects[i].top; y < rects[i].bottom; ++y) {
      rows[y].emplace_back(rects[i].left, rects[i].right);
    }
  }
  for (auto& [y, spans] : rows) std::sort(spans.begin(), spans.end());
  return rows;
}

inline void MoveWindowTo(HWnd w, int x, int y) {
  ::SetWindowPos(H(w), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

inline std::optional<std::string> ReadBytes(const std::wstring& path) {
  const unique_file file(::CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const unique_file file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

// RN.ini beside the test program: what was there before the test is kept aside
// and comes back afterwards, whatever the test left, read-only or not.
class SettingsFileGuard {
 public:
  SettingsFileGuard() {
    wchar_t self[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    folder_ = DirectoryOfModule(self);
    path_ = folder_ + L"\\RN.ini";
    attributes_ = ::GetFileAttributesW(path_.c_str());
    saved_ = ReadBytes(path_);
    Remove();
  }
  SettingsFileGuard(const SettingsFileGuard&) = delete;
  SettingsFileGuard& operator=(const SettingsFileGuard&) = delete;
  ~SettingsFileGuard() {
    Remove();
    if (saved_ && WriteBytes(path_, *saved_) && attributes_ != INVALID_FILE_ATTRIBUTES) {
      ::SetFileAttributesW(path_.c_str(), attributes_);
    }
  }

  const std::wstring& Path() const { return path_; }
  std::optional<std::string> Read() const { return ReadBytes(path_); }
  void Write(const std::string& bytes) const { ASSERT_TRUE(WriteBytes(path_, bytes)); }
  void MakeFolder() const { ASSERT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)); }
  void SetReadOnly() const {
    ASSERT_TRUE(::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  }
  // Every name in the folder: a failed save must not leave anything behind.
  std::vector<std::wstring> FolderNames() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.emplace_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
  }

  void Remove() const {
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::DeleteFileW(path_.c_str())) ::RemoveDirectoryW(path_.c_str());
  }

 private:
  std::wstring folder_;
  std::wstring path_;
  DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
  std::optional<std::string> saved_;
};

// A message-only window of the test's own. A message posted to it after others
// comes back after them, which tells when they have all been handled.
class Sentinel {
 public:
  Sentinel() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);  // already there from an earlier test: fine
    window_.reset(::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr));
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen_));
  }
  std::uint32_t Post() {
    ::PostMessageW(window_.get(), WM_APP, ++posted_, 0);
    return posted_;
  }
  std::uint32_t Seen() const { return seen_; }

 private:
  static constexpr wchar_t kClass[] = L"RavikN.Test.Sentinel";
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      auto* seen = reinterpret_cast<std::uint32_t*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (seen) *seen = static_cast<std::uint32_t>(wParam);
      return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  unique_hwnd window_;
  std::uint32_t posted_ = 0;
  std::uint32_t seen_ = 0;
};

class GadgetWinTest : public ::testing::Test {
 protected:
  // Errors are recorded, not shown, unless a test wants to see the user read them.
  explicit GadgetWinTest(bool errorsToMessageBox = false)
      : desktop({.exitOnEnd = false, .errorsToMessageBox = errorsToMessageBox}) {
    live_ = this;
    ticker_ = ::SetTimer(nullptr, 0, 15, &Tick);
  }
  ~GadgetWinTest() override {
    ::KillTimer(nullptr, ticker_);
    live_ = nullptr;
  }
  void TearDown() override {
    // An icon left behind would stay in the notification area after the test.
    NOTIFYICONDATAW icon = IconKey();
    if (icon.hWnd) ::Shell_NotifyIconW(NIM_DELETE, &icon);
  }

  SettingsFileGuard ini;  // first in, last out: the program's files are closed by then
  Win32Desktop desktop;
  Win32Api api;
  Program program{desktop, api};
  Module1& m = program.module1;

  void Start() {
    program.Start();
    Settle();
  }
  // Under Wine the window system confirms a change of focus later, as an event
  // from the display server; one that came after a menu opened would close it.
  // Asking for the pointer goes to the server and back, so the drain that
  // follows handles every event the start-up caused.
  void Settle() {
    POINT pointer{};
    ::GetCursorPos(&pointer);
    Drain();
  }
  void StartWith(const std::string& settings) {
    ini.Write(settings);
    Start();
  }
  Form1& badge() { return program.Form1(); }
  Form2& panel() { return program.Form2(); }
  Form3& dialog() { return program.Form3(); }
  bool DialogShown() { return program.Form3Loaded() && Shown(dialog().hWnd()); }
  Point PanelPlace() {
    const Rect r = ScreenRect(panel().hWnd());
    return {r.left, r.top};
  }
  // What the notification area sends the panel for a mouse message on the icon.
  void IconMessage(UINT mouseMessage) {
    ::PostMessageW(H(panel().hWnd()), WM_MOUSEMOVE, m.TrayIconData.uID, mouseMessage);
  }
  static void Click(HWnd button) { ::SendMessageW(H(button), BM_CLICK, 0, 0); }

  // A menu choice, as the toolkit raises it.
  void Command(std::int16_t index) {
    Blocking([&] { program.Dispatch([&] { RunMenuCommand(program, index); }); });
  }
  // A call that may run a loop of its own (a modal dialog, a menu): should it
  // still run when the user's patience ends, the user closes what holds it.
  void Blocking(const std::function<void()>& call) {
    if (!Waiting()) deadline_ = ::GetTickCount() + kPatienceMs;
    ++blocking_;
    call();
    --blocking_;
  }

  // Runs the desktop's own loop, woken by a timer, until `until` holds.
  bool Pump(const std::function<bool()>& until, DWORD timeoutMs = kPatienceMs) {
    const UINT_PTR wake = ::SetTimer(nullptr, 0, 10, nullptr);
    const DWORD start = ::GetTickCount();
    desktop.RunModalLoop([&] { return until() || ::GetTickCount() - start > timeoutMs; });
    ::KillTimer(nullptr, wake);
    return until();
  }
  // A mark posted behind every message posted so far; it has passed once they
  // were all handled.
  std::uint32_t Mark() { return sentinel_.Post(); }
  bool Passed(std::uint32_t mark) const { return sentinel_.Seen() >= mark; }
  void Drain() {
    const std::uint32_t mark = Mark();
    ASSERT_TRUE(Pump([&] { return Passed(mark); })) << "the queue never drained";
  }

  // The user's next step: `act` runs from the timer once the steps before it
  // have run and `ready` holds. Steps must not wait themselves.
  void Then(std::function<bool()> ready, std::function<void()> act) {
    if (!Waiting()) deadline_ = ::GetTickCount() + kPatienceMs;
    steps_.push_back({std::move(ready), std::move(act)});
  }
  void Then(std::function<void()> act) {
    Then([] { return true; }, std::move(act));
  }
  // True when every step ran and nothing had to be closed for the test to go on.
  bool ScriptDone() const { return next_ == steps_.size() && !gaveUp_; }

  // Each menu that opens is recorded with its captions and then answered with
  // these keys, or with Escape when none were given.
  std::vector<std::vector<std::string>> menus;
  std::vector<WPARAM> menuKeys;

  // The gadget's icon, asked about without changing it: only a present icon
  // can be modified.
  bool IconPresent() {
    NOTIFYICONDATAW icon = IconKey();
    return ::Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
  }
  bool DeleteIcon() {
    NOTIFYICONDATAW icon = IconKey();
    return ::Shell_NotifyIconW(NIM_DELETE, &icon) != FALSE;
  }

 private:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };

  NOTIFYICONDATAW IconKey() {
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = H(m.TrayIconData.hWnd);
    icon.uID = m.TrayIconData.uID;
    return icon;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (live_ != nullptr) live_->OnTick();
  }
  void OnTick() {
    const HWND menu = OpenMenu();
    if (menu != nullptr && menu != answeredMenu_) {
      answeredMenu_ = menu;
      menus.push_back(MenuCaptions(menu));
      const std::vector<WPARAM> keys =
          menuKeys.empty() ? std::vector<WPARAM>{VK_ESCAPE} : std::exchange(menuKeys, {});
      for (const WPARAM key : keys) PostKey(menu, key);
    } else if (menu == nullptr) {
      answeredMenu_ = nullptr;
    }

    // Advanced before acting: a step that starts a loop lets the next ones run in it.
    while (next_ < steps_.size() && steps_[next_].ready()) {
      const std::function<void()> act = steps_[next_++].act;
      act();
    }
    if (Waiting() && static_cast<LONG>(::GetTickCount() - deadline_) >= 0) GiveUp();
  }
  bool Waiting() const { return next_ < steps_.size() || blocking_ > 0; }
  void GiveUp() {
    ADD_FAILURE() << "the user gave up after " << kPatienceMs << " ms: " << steps_.size() - next_
                  << " step(s) left, " << blocking_ << " call(s) still running";
    gaveUp_ = true;
    next_ = steps_.size();
    deadline_ = ::GetTickCount() + kPatienceMs;  // once more, should the closing not help
    ::EndMenu();
    if (const HWND box = OpenMessageBox()) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    if (program.Form3Loaded()) ::ShowWindow(H(program.Form3().hWnd()), SW_HIDE);
  }

  static inline GadgetWinTest* live_ = nullptr;
  UINT_PTR ticker_ = 0;
  Sentinel sentinel_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int blocking_ = 0;
  DWORD deadline_ = 0;
  bool gaveUp_ = false;
  HWND answeredMenu_ = nullptr;
};

}  // namespace rn::win32::gadget
