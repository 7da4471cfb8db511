// The direct platform calls, the handle conversions, the notification record and
// the resources, on real windows.
#include "platform/win32/win32_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/notify_icon.h"
#include "platform/toolkit.h"
#include "platform/win32/native.h"
#include "platform/win32/notify_native.h"
#include "platform/win32/win32_desktop.h"

namespace rn::win32 {
namespace {

class Badge : public tk::Form {
 public:
  explicit Badge(tk::Runtime& rt) : tk::Form(rt, Layout()) {}
  static tk::FormLayout Layout() {
    tk::FormLayout layout;
    layout.caption = "badge";
    layout.border = BorderStyle::None;
    layout.clientWidth = 750;  // 50 pixels at 96 dpi
    layout.clientHeight = 750;
    return layout;
  }
};

class Win32ApiTest : public ::testing::Test {
 protected:
  Win32Desktop desktop{{.exitOnEnd = false, .errorsToMessageBox = false}};
  Win32Api api;
  tk::Runtime rt{desktop, api};
};

TEST(Win32HandleTest, WidensBySignExtensionSoTheSpecialWindowsSurvive) {
  EXPECT_EQ(ToHwnd(win::HwndTopmost), HWND_TOPMOST);
  EXPECT_EQ(ToHwnd(win::HwndNoTopmost), HWND_NOTOPMOST);
  EXPECT_EQ(ToHandle(HWND_TOPMOST), win::HwndTopmost);
  EXPECT_EQ(FromHandle<HWND>(0x7FFFFFFFu), reinterpret_cast<HWND>(INT_PTR{0x7FFFFFFF}));
  EXPECT_EQ(ToHwnd(0), nullptr);
}

TEST(Win32NotifyRecordTest, BuildsTheNativeFirstVersionRecord) {
  NotifyIconRecord record;
  record.cbSize = 88;
  record.hWnd = 0xFFFF1234u;  // a handle with its top bit set
  record.uID = 7;
  record.uFlags = win::NifMessage | win::NifIcon | win::NifTip;
  record.uCallbackMessage = win::WmMouseMove;
  record.hIcon = 0x00ABCDEFu;
  record.SetTip(u"Ravik N");

  const NOTIFYICONDATAA native = NativeNotifyRecord(ToAnsiForm(record));
  // The platform reads the size to know the layout: the 88 of the ANSI form
  // would be wrong for a 64-bit record.
  EXPECT_EQ(native.cbSize, NOTIFYICONDATAA_V1_SIZE);
  EXPECT_EQ(native.hWnd, reinterpret_cast<HWND>(static_cast<INT_PTR>(std::int32_t(0xFFFF1234u))));
  EXPECT_EQ(native.uID, 7u);
  EXPECT_EQ(native.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(native.uCallbackMessage, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(native.hIcon, reinterpret_cast<HICON>(INT_PTR{0x00ABCDEF}));
  EXPECT_EQ(std::string_view(native.szTip, 8), "Ravik N ");
  EXPECT_EQ(native.szTip[kNotifyTipChars], '\0');
}

TEST_F(Win32ApiTest, TopmostBandFollowsSetWindowPos) {
  Badge badge(rt);
  badge.Load();
  const HWND hwnd = ToHwnd(badge.hWnd());
  const std::uint32_t flags = win::SwpNoMove | win::SwpNoSize | win::SwpShowWindow;

  EXPECT_NE(api.SetWindowPos(badge.hWnd(), win::HwndTopmost, 0, 0, 0, 0, flags), 0);
  EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(::IsWindowVisible(hwnd));

  EXPECT_NE(api.SetWindowPos(badge.hWnd(), win::HwndNoTopmost, 0, 0, 0, 0, flags), 0);
  EXPECT_FALSE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Win32ApiTest, KeepsTheLastErrorOfEachCall) {
  EXPECT_EQ(api.SetWindowPos(0x0BADF00Du, 0, 0, 0, 1, 1, 0), 0);
  EXPECT_EQ(api.LastDllError(), static_cast<std::uint32_t>(ERROR_INVALID_WINDOW_HANDLE));
  ::SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(api.ReleaseCapture(), 1);
  EXPECT_EQ(api.SendMessageA(0x0BADF00Du, WM_NULL, 0, 0), 0);
  EXPECT_EQ(api.LastDllError(), static_cast<std::uint32_t>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Win32ApiTest, ShapesTheWindowWithAPolygonRegion) {
  Badge badge(rt);
  badge.Load();
  // Two separate squares, and a third count that must not be read.
  const Point points[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {20, 0}, {30, 0}, {30, 10}, {20, 10}};
  const std::int32_t counts[] = {4, 4, 999};
  const Handle region = api.CreatePolyPolygonRgn(points, counts, 2, win::Winding);
  ASSERT_NE(region, 0u);
  ASSERT_NE(api.SetWindowRgn(badge.hWnd(), region, 1), 0);

  const HRGN readBack = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(::GetWindowRgn(ToHwnd(badge.hWnd()), readBack), COMPLEXREGION);
  EXPECT_TRUE(::PtInRegion(readBack, 5, 5));
  EXPECT_FALSE(::PtInRegion(readBack, 15, 5));
  EXPECT_TRUE(::PtInRegion(readBack, 25, 5));
  EXPECT_FALSE(::PtInRegion(readBack, 5, 15));
  ::DeleteObject(readBack);
}

TEST_F(Win32ApiTest, CopiesPixelsBetweenMemoryDCs) {
  const Handle source = api.CreateCompatibleDC(0);
  const Handle target = api.CreateCompatibleDC(0);
  ASSERT_NE(source, 0u);
  ASSERT_NE(target, 0u);
  HDC screen = ::GetDC(nullptr);
  const Handle sourceBitmap = api.CreateCompatibleBitmap(ToHandle(screen), 4, 4);
  const Handle targetBitmap = api.CreateCompatibleBitmap(ToHandle(screen), 4, 4);
  ::ReleaseDC(nullptr, screen);
  const Handle oldSource = api.SelectObject(source, sourceBitmap);
  const Handle oldTarget = api.SelectObject(target, targetBitmap);
  ASSERT_NE(oldSource, 0u);
  ASSERT_NE(oldTarget, 0u);

  ::SetPixel(FromHandle<HDC>(source), 2, 1, RGB(0x12, 0x34, 0x56));
  EXPECT_NE(api.BitBlt(target, 0, 0, 4, 4, source, 0, 0, win::SrcCopy), 0);
  EXPECT_EQ(api.GetPixel(target, 2, 1), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(api.GetPixel(target, 9, 9), win::ClrInvalid);  // outside the bitmap

  EXPECT_EQ(api.SelectObject(source, oldSource), sourceBitmap);
  EXPECT_EQ(api.SelectObject(target, oldTarget), targetBitmap);
  EXPECT_NE(api.DeleteObject(sourceBitmap), 0);
  EXPECT_NE(api.DeleteObject(targetBitmap), 0);
  EXPECT_NE(api.DeleteDC(source), 0);
  EXPECT_NE(api.DeleteDC(target), 0);
}

TEST_F(Win32ApiTest, AddsAndDeletesTheNotificationIcon) {
  Badge badge(rt);
  badge.Load();
  NotifyIconRecord record;
  record.cbSize = static_cast<std::uint32_t>(kNotifyRecordBytes);
  record.hWnd = badge.hWnd();
  record.uID = 0;
  record.uFlags = win::NifMessage | win::NifIcon | win::NifTip;
  record.uCallbackMessage = win::WmMouseMove;
  record.hIcon = desktop.LoadPicture(PictureId::TrayIcon).handle;
  record.SetTip(u"Ravik N");

  EXPECT_EQ(api.Shell_NotifyIconA(win::NimAdd, ToAnsiForm(record)), 1);
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, ToAnsiForm(record)), 1);
}

// ---------------------------------------------------------------- resources

TEST_F(Win32ApiTest, LoadsEachPictureOnceInItsOwnSize) {
  const Picture badge = desktop.LoadPicture(PictureId::ShapeBitmap);
  const Picture tray = desktop.LoadPicture(PictureId::TrayIcon);
  const Picture dialog = desktop.LoadPicture(PictureId::DialogIcon);
  EXPECT_EQ(badge.width, 50);
  EXPECT_EQ(badge.height, 50);
  EXPECT_EQ(tray.width, 32);
  EXPECT_EQ(tray.height, 32);
  EXPECT_EQ(dialog.width, 32);
  EXPECT_EQ(dialog.height, 32);
  EXPECT_NE(tray.handle, dialog.handle);
  EXPECT_EQ(desktop.LoadPicture(PictureId::ShapeBitmap).handle, badge.handle);

  // A DIB section that kept the file's palette: the key is exactly green.
  DIBSECTION dib{};
  ASSERT_EQ(::GetObjectW(FromHandle<HBITMAP>(badge.handle), sizeof(dib), &dib),
            static_cast<int>(sizeof(dib)));
  EXPECT_EQ(dib.dsBmih.biBitCount, 8);
  HDC dc = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, FromHandle<HBITMAP>(badge.handle));
  EXPECT_EQ(::GetPixel(dc, 0, 0), 0x0000FF00u);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
}

std::u16string_view ResourceText(LPCWSTR type, LPCWSTR name) {
  const HRSRC found = ::FindResourceW(nullptr, name, type);
  if (!found) return {};
  const void* data = ::LockResource(::LoadResource(nullptr, found));
  return {static_cast<const char16_t*>(data), ::SizeofResource(nullptr, found) / 2};
}

std::string_view ResourceBytes(LPCWSTR type, LPCWSTR name) {
  const HRSRC found = ::FindResourceW(nullptr, name, type);
  if (!found) return {};
  const void* data = ::LockResource(::LoadResource(nullptr, found));
  return {static_cast<const char*>(data), ::SizeofResource(nullptr, found)};
}

TEST(Win32ResourceTest, CarriesVersionAndManifest) {
  const std::u16string_view version = ResourceText(RT_VERSION, MAKEINTRESOURCEW(1));
  EXPECT_NE(version.find(u"ProductName"), std::u16string_view::npos);
  EXPECT_NE(version.find(u"Ravik N"), std::u16string_view::npos);
  EXPECT_NE(version.find(u"1.00"), std::u16string_view::npos);

  const std::string_view manifest = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
  EXPECT_NE(manifest.find("asInvoker"), std::string_view::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string_view::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string_view::npos);
}

class ButtonForm : public tk::Form {
 public:
  explicit ButtonForm(tk::Runtime& rt) : tk::Form(rt, tk::FormLayout{}) {}
  tk::CommandButton button{*this, ButtonLayout()};

 private:
  static tk::ControlLayout ButtonLayout() {
    tk::ControlLayout layout;
    layout.kind = ControlKind::CommandButton;
    layout.caption = "OK";
    layout.width = 1200;
    layout.height = 375;
    return layout;
  }
};

TEST_F(Win32ApiTest, TheManifestBringsTheVersionSixControls) {
  ButtonForm form(rt);
  form.Load();
  // Only the version 6 buttons know their ideal size.
  SIZE ideal{};
  EXPECT_TRUE(::SendMessageW(ToHwnd(form.button.hWnd()), BCM_GETIDEALSIZE, 0,
                             reinterpret_cast<LPARAM>(&ideal)));
  EXPECT_GT(ideal.cx, 0);
}

}  // namespace
}  // namespace rn::win32
