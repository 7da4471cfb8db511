// One gadget per test on real windows, played by the desktop conformance
// suite's user (tests/conformance/win32_driver.cpp), which also acts inside the
// loops the gadget runs. The settings file beside the test program is kept
// aside and put back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_desktop.h"
#include "tests/conformance/win32_driver.h"
#include "tests/win/thread_windows.h"
#include "tray/command_menu.h"

namespace rn::win32::gadget {

inline HWND H(HWnd handle) { return ToHwnd(handle); }
inline bool Shown(HWnd w) { return w != 0 && ::IsWindowVisible(H(w)); }

inline Rect ScreenRect(HWnd w) {
  RECT r{};
  ::GetWindowRect(H(w), &r);
  return {r.left, r.top, r.right, r.bottom};
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

// RN.ini beside the test program: what was there before the test is kept aside
// and comes back afterwards, whatever the test left, read-only or not.
class SettingsFileGuard {
 public:
  SettingsFileGuard() : saved_(Read()) { Remove(); }
  SettingsFileGuard(const SettingsFileGuard&) = delete;
  SettingsFileGuard& operator=(const SettingsFileGuard&) = delete;
  ~SettingsFileGuard() {
    Remove();
    if (saved_) Write(*saved_);
  }

  const std::filesystem::path& Path() const { return path_; }
  std::optional<std::string> Read() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  void SetReadOnly() const {
    ASSERT_TRUE(::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  }

 private:
  static std::filesystem::path Beside() {
    wchar_t self[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(DirectoryOfModule(self)) / L"RN.ini";
  }
  void Remove() const {
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path_.c_str());
  }

  const std::filesystem::path path_ = Beside();
  const std::optional<std::string> saved_;
};

class GadgetWinTest : public ::testing::Test {
 protected:
  // Errors are recorded, not shown, unless a test wants to see the user read them.
  explicit GadgetWinTest(bool errorsToMessageBox = false)
      : user(conformance::MakeWin32Driver(errorsToMessageBox)) {}
  void TearDown() override {
    // An icon left behind would stay in the notification area after the test.
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = H(m.TrayIconData.hWnd);
    icon.uID = m.TrayIconData.uID;
    if (icon.hWnd) ::Shell_NotifyIconW(NIM_DELETE, &icon);
  }

  SettingsFileGuard ini;  // first in, last out: the program's files are closed by then
  std::unique_ptr<conformance::Driver> user;
  Program program{user->desktop(), user->api(), user->desktop().Files()};
  Module1& m = program.module1;

  void StartWith(std::optional<std::string> settings) {
    if (settings) ini.Write(*settings);
    program.Start();
    user->Settle();
  }
  Form1& badge() { return program.Form1(); }
  Form2& panel() { return program.Form2(); }
  // A menu choice, as the toolkit raises it.
  void Command(std::int16_t index) {
    program.Dispatch([&] { RunMenuCommand(program, index); });
    user->Settle();
  }
  // What the notification area sends the panel for a mouse message on the icon.
  void IconMessage(std::uint32_t mouseMessage) {
    user->NotifyIconMessage(panel().hWnd(), m.TrayIconData.uID, mouseMessage);
  }
};

}  // namespace rn::win32::gadget
