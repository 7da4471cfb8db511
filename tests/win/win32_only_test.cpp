// What only real windows can show, beside the conformance suite that proves the
// two desktops alike: the styles and owners the system gets, what a window
// paints, how a raw message is read, a double click the system did not pair,
// fonts realized once and only when a form is first shown, a region read back,
// the loops' quit, the resources, the native records and handles, and the
// system's words for a file error.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notify_icon.h"
#include "platform/toolkit.h"
#include "platform/win32/native.h"
#include "platform/win32/notify_native.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"

namespace rn::win32 {
namespace {

constexpr tk::Twips kTwipsPerPixel = 15;  // the test prefix runs at 96 dpi

tk::FormLayout FormOf(BorderStyle border, tk::Twips width, tk::Twips height) {
  tk::FormLayout layout;
  layout.caption = "Test";
  layout.border = border;
  layout.clientWidth = width;
  layout.clientHeight = height;
  return layout;
}

tk::ControlLayout ControlOf(ControlKind kind, std::string caption, tk::Twips top) {
  tk::ControlLayout layout;
  layout.kind = kind;
  layout.caption = std::move(caption);
  layout.top = top;
  layout.width = 1500;
  layout.height = 375;
  return layout;
}

void SetKeyDown(int key, bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[key] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

LONG Style(HWnd hwnd) { return ::GetWindowLongW(ToHwnd(hwnd), GWL_STYLE); }
LONG ExStyle(HWnd hwnd) { return ::GetWindowLongW(ToHwnd(hwnd), GWL_EXSTYLE); }

class Recorder : public tk::Form {
 public:
  Recorder(tk::Runtime& rt, tk::FormLayout layout) : tk::Form(rt, std::move(layout)) {}
  std::vector<tk::MouseArgs> downs, ups;
  int doubleClicks = 0;

 protected:
  void Form_MouseDown(const tk::MouseArgs& args) override { downs.push_back(args); }
  void Form_MouseUp(const tk::MouseArgs& args) override { ups.push_back(args); }
  void Form_DblClick() override { ++doubleClicks; }
};

class Win32Only : public ::testing::Test {
 protected:
  // Runs the desktop's own modal loop, woken by a timer, until `until` holds.
  bool Pump(const std::function<bool()>& until, DWORD timeoutMs = 3000) {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, nullptr);
    const DWORD start = ::GetTickCount();
    desktop.RunModalLoop([&] { return until() || ::GetTickCount() - start > timeoutMs; });
    ::KillTimer(nullptr, timer);
    return until();
  }

  Win32Desktop desktop{{.exitOnEnd = false, .errorsToMessageBox = false}};
  Win32Api api;
  tk::Runtime rt{desktop, api, desktop.Files()};
};

TEST_F(Win32Only, BorderStylesAndControlKindsGetTheirStylesAndOwners) {
  Recorder badge(rt, FormOf(BorderStyle::None, 750, 750));
  Recorder tool(rt, FormOf(BorderStyle::FixedToolWindow, 1500, 1500));
  Recorder dialog(rt, FormOf(BorderStyle::FixedSingle, 1500, 1500));
  tk::FormLayout appLayout = FormOf(BorderStyle::FixedSingle, 1500, 1500);
  appLayout.minButton = appLayout.maxButton = appLayout.showInTaskbar = true;
  Recorder app(rt, appLayout);
  tk::CommandButton button{dialog, ControlOf(ControlKind::CommandButton, "OK", 0)};
  tk::Frame frame{dialog, ControlOf(ControlKind::Frame, "枠", 600)};
  for (Recorder* form : {&badge, &tool, &dialog, &app}) form->Load();

  EXPECT_TRUE(Style(badge.hWnd()) & WS_POPUP);
  EXPECT_EQ(Style(badge.hWnd()) & WS_CAPTION, 0);
  EXPECT_TRUE(ExStyle(badge.hWnd()) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(Style(tool.hWnd()) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_TRUE(ExStyle(tool.hWnd()) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(Style(dialog.hWnd()) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(Style(dialog.hWnd()) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  // Out of the task bar: owned, and not asking for a button.
  EXPECT_NE(::GetWindow(ToHwnd(dialog.hWnd()), GW_OWNER), nullptr);
  EXPECT_EQ(ExStyle(dialog.hWnd()) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(Style(app.hWnd()) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  EXPECT_TRUE(ExStyle(app.hWnd()) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindow(ToHwnd(app.hWnd()), GW_OWNER), nullptr);
  EXPECT_EQ(Style(button.hWnd()) & BS_TYPEMASK, BS_PUSHBUTTON) << "never a default button";
  EXPECT_TRUE(ExStyle(frame.hWnd()) & WS_EX_CONTROLPARENT);
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
  HDC dc = ::GetDC(hwnd);
  const COLORREF color = ::GetPixel(dc, x, y);
  ::ReleaseDC(hwnd, dc);
  return color;
}

TEST_F(Win32Only, FormsAndPictureBoxesPaintTheirPictures) {
  Recorder form(rt, FormOf(BorderStyle::None, 3000, 3000));
  tk::ControlLayout boxLayout = ControlOf(ControlKind::PictureBox, "", 1500);
  boxLayout.left = 1500;
  boxLayout.picture = PictureId::ShapeBitmap;
  boxLayout.autoSize = true;
  tk::PictureBox box{form, boxLayout};
  form.Load();
  EXPECT_EQ(::GetObjectType(FromHandle<HGDIOBJ>(box.hDC())), static_cast<DWORD>(OBJ_MEMDC));
  form.SetPicture(desktop.LoadPicture(PictureId::ShapeBitmap));
  form.SetVisible(true);
  ::UpdateWindow(ToHwnd(form.hWnd()));
  EXPECT_EQ(ScreenPixel(ToHwnd(form.hWnd()), 0, 0), 0x0000FF00u) << "the form's picture";
  EXPECT_EQ(ScreenPixel(ToHwnd(form.hWnd()), 150, 40), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ScreenPixel(ToHwnd(box.hWnd()), 0, 0), 0x0000FF00u) << "blitted from its image";
  EXPECT_EQ(ScreenPixel(ToHwnd(box.hWnd()), 25, 25), api.GetPixel(box.hDC(), 25, 25));

  // A DIB section that kept the file's palette: the key is exactly green.
  DIBSECTION dib{};
  ASSERT_EQ(::GetObjectW(FromHandle<HBITMAP>(desktop.LoadPicture(PictureId::ShapeBitmap).handle),
                         sizeof(dib), &dib),
            static_cast<int>(sizeof(dib)));
  EXPECT_EQ(dib.dsBmih.biBitCount, 8);
}

TEST_F(Win32Only, AMessageIsReadWithTheAltKeyAndSignedPositions) {
  Recorder form(rt, FormOf(BorderStyle::None, 1500, 1500));
  form.Load();
  const HWND hwnd = ToHwnd(form.hWnd());
  SetKeyDown(VK_MENU, true);
  ::PostMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(-5, 7));
  ::PostMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(3, -2));
  const bool arrived = Pump([&] { return !form.downs.empty() && !form.ups.empty(); });
  SetKeyDown(VK_MENU, false);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(form.downs[0].Shift, 1 | 2 | 4);
  EXPECT_EQ(form.downs[0].X, -5 * kTwipsPerPixel) << "a captured pointer left of the window";
  EXPECT_EQ(form.ups[0].Y, -2 * kTwipsPerPixel);
}

TEST_F(Win32Only, ASecondPressTheSystemDidNotPairStillMakesTheDoubleClick) {
  Recorder form(rt, FormOf(BorderStyle::None, 1500, 1500));
  form.Load();
  const HWND hwnd = ToHwnd(form.hWnd());
  // Posted presses never come paired by the system; these are the fallback's.
  ::SetCursorPos(10, 10);
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));  // a third starts anew
  ASSERT_TRUE(Pump([&] { return form.downs.size() >= 2; }));
  EXPECT_EQ(form.doubleClicks, 1);
  EXPECT_EQ(form.ups.size(), 2u);

  // Far apart, it is two single presses.
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::SetCursorPos(60, 60);
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
  ASSERT_TRUE(Pump([&] { return form.downs.size() >= 3; }));
  EXPECT_EQ(form.doubleClicks, 1);
}

class FontForm : public Recorder {
 public:
  explicit FontForm(tk::Runtime& rt) : Recorder(rt, FormOf(BorderStyle::FixedSingle, 3000, 3000)) {}
  tk::Label first{*this, Mincho(ControlKind::Label, 0)};
  tk::Label second{*this, Mincho(ControlKind::Label, 400)};
  tk::Label plain{*this, ControlOf(ControlKind::Label, "", 800)};
  tk::Frame frame{*this, Mincho(ControlKind::Frame, 1200)};

 private:
  static tk::ControlLayout Mincho(ControlKind kind, tk::Twips top) {
    tk::ControlLayout layout = ControlOf(kind, "文字", top);
    layout.font = Font{"ＭＳ 明朝", 9, 700, 128};
    return layout;
  }
};

HFONT FontHandle(HWnd hwnd) {
  return reinterpret_cast<HFONT>(::SendMessageW(ToHwnd(hwnd), WM_GETFONT, 0, 0));
}

// Start-up loads the panel hidden, and a font's file is large: its controls wait
// for their fonts until the form is first shown, however it is shown, and each
// font is made once.
TEST_F(Win32Only, FontsAreMadeOnceAndOnlyWhenTheirFormIsFirstShown) {
  FontForm form(rt);
  form.Load();
  for (const HWnd control : {form.first.hWnd(), form.plain.hWnd(), form.frame.hWnd()}) {
    EXPECT_EQ(FontHandle(control), nullptr);
  }
  ::SetWindowPos(ToHwnd(form.hWnd()), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_NE(FontHandle(form.first.hWnd()), nullptr);
  EXPECT_EQ(FontHandle(form.first.hWnd()), FontHandle(form.second.hWnd()));
  EXPECT_EQ(FontHandle(form.first.hWnd()), FontHandle(form.frame.hWnd()));
  const HFONT plain = FontHandle(form.plain.hWnd());
  EXPECT_NE(plain, nullptr);

  // A control made on a form already shown gets its font at once.
  struct NoEvents : WindowEvents {
  } events;
  ControlWindowSpec request;
  request.caption = "後";
  request.bounds = {0, 120, 100, 145};
  EXPECT_EQ(FontHandle(desktop.CreateControl(form.hWnd(), request, events)), plain);
}

TEST_F(Win32Only, AWindowsRegionReadsBackAsItWasGiven) {
  Recorder badge(rt, FormOf(BorderStyle::None, 750, 750));
  badge.Load();
  // Two separate squares, and a third count that must not be read.
  const Point points[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {20, 0}, {30, 0}, {30, 10}, {20, 10}};
  const std::int32_t counts[] = {4, 4, 999};
  ASSERT_NE(
      api.SetWindowRgn(badge.hWnd(), api.CreatePolyPolygonRgn(points, counts, 2, win::Winding), 1),
      0);
  const HRGN readBack = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(::GetWindowRgn(ToHwnd(badge.hWnd()), readBack), COMPLEXREGION);
  EXPECT_TRUE(::PtInRegion(readBack, 5, 5));
  EXPECT_FALSE(::PtInRegion(readBack, 15, 5));
  EXPECT_TRUE(::PtInRegion(readBack, 25, 5));
  ::DeleteObject(readBack);
}

TEST_F(Win32Only, LoopsHandOnTheQuitAndEndWithTheLastForm) {
  ::PostQuitMessage(7);
  desktop.RunModalLoop([] { return false; });
  MSG quit{};
  ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);

  EXPECT_EQ(desktop.RunMessageLoop(), 0);  // no form: nothing to wait for
  Recorder form(rt, FormOf(BorderStyle::None, 750, 750));
  form.Load();
  ::PostQuitMessage(3);
  EXPECT_EQ(desktop.RunMessageLoop(), 3);

  static tk::Runtime* runtime = nullptr;
  static Recorder* unloading = nullptr;
  runtime = &rt;
  unloading = &form;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
    runtime->Dispatch([] { runtime->Unload(*unloading); });
  });
  EXPECT_EQ(desktop.RunMessageLoop(), 0);
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(form.Unloaded());
}

TEST_F(Win32Only, TheScreenAndTheProgramsOwnFolder) {
  EXPECT_EQ(rt.TwipsPerPixelX(), kTwipsPerPixel);
  EXPECT_EQ(rt.ScreenWidth(), ::GetSystemMetrics(SM_CXSCREEN) * kTwipsPerPixel);
  const std::string folder = rt.AppPath();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  wchar_t self[MAX_PATH]{};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self);
  const std::wstring name = path.substr(path.find_last_of(L'\\'));
  EXPECT_NE(::GetFileAttributesW((Widen(folder) + name).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32ModuleFolderTest, KeepsTheSeparatorOnlyAtARoot) {
  EXPECT_EQ(DirectoryOfModule(L"C:\\Program Files\\Ravik N\\RavikN.exe"),
            L"C:\\Program Files\\Ravik N");
  EXPECT_EQ(DirectoryOfModule(L"C:\\RavikN.exe"), L"C:\\");
  EXPECT_EQ(DirectoryOfModule(L"\\\\?\\D:\\RavikN.exe"), L"\\\\?\\D:\\");
  EXPECT_EQ(DirectoryOfModule(L"\\\\server\\share\\RavikN.exe"), L"\\\\server\\share");
  EXPECT_EQ(DirectoryOfModule(L"D:\\ツール\\RavikN.exe"), L"D:\\ツール");
}

// ---------------------------------------------------------------- resources and records

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

TEST_F(Win32Only, TheManifestBringsTheVersionSixControls) {
  Recorder form(rt, FormOf(BorderStyle::FixedSingle, 3000, 1500));
  tk::CommandButton button{form, ControlOf(ControlKind::CommandButton, "OK", 0)};
  form.Load();
  // Only the version 6 buttons know their ideal size.
  SIZE ideal{};
  EXPECT_TRUE(
      ::SendMessageW(ToHwnd(button.hWnd()), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  EXPECT_GT(ideal.cx, 0);
}

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

// ---------------------------------------------------------------- files

TEST(Win32FileErrorTest, AFailureNamesTheFileAndTheSystemsWordsForIt) {
  Win32FileSystem files;
  wchar_t temp[MAX_PATH]{};
  ::GetTempPathW(MAX_PATH, temp);
  const std::string missing = Narrow(temp) + "rn-no-such-file.ini";
  try {
    files.OpenInput(missing);
    FAIL() << "opened " << missing;
  } catch (const tk::RuntimeError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(missing), std::string::npos);
    EXPECT_GT(what.size(), missing.size() + 40) << what;
  }
}

TEST(Win32FileErrorTest, SystemErrorsBecomeTheToolkitsNumbers) {
  EXPECT_EQ(FileError(ERROR_FILE_NOT_FOUND, false), tk::Error::FileNotFound);
  EXPECT_EQ(FileError(ERROR_PATH_NOT_FOUND, false), tk::Error::PathNotFound);
  EXPECT_EQ(FileError(ERROR_INVALID_NAME, false), tk::Error::PathNotFound);
  EXPECT_EQ(FileError(ERROR_ACCESS_DENIED, false), tk::Error::PermissionDenied);
  EXPECT_EQ(FileError(ERROR_ACCESS_DENIED, true), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_SHARING_VIOLATION, false), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_LOCK_VIOLATION, false), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_DISK_FULL, false), tk::Error::DiskFull);
  EXPECT_EQ(FileError(ERROR_HANDLE_DISK_FULL, false), tk::Error::DiskFull);
}

}  // namespace
}  // namespace rn::win32
