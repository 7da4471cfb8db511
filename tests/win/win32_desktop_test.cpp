// The real desktop under the forms toolkit: forms, controls, pictures, events,
// focus and loops on real windows.
#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/toolkit.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_api.h"

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

tk::ControlLayout ControlOf(ControlKind kind, std::string caption, tk::Twips left, tk::Twips top,
                            int tabIndex = -1) {
  tk::ControlLayout layout;
  layout.kind = kind;
  layout.caption = std::move(caption);
  layout.left = left;
  layout.top = top;
  layout.width = 1500;
  layout.height = 375;
  layout.tabIndex = tabIndex;
  return layout;
}

// Runs the desktop's own modal loop, woken by a timer, until `until` holds.
bool Pump(Win32Desktop& desktop, const std::function<bool()>& until, DWORD timeoutMs = 3000) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, nullptr);
  const DWORD start = ::GetTickCount();
  desktop.RunModalLoop([&] { return until() || ::GetTickCount() - start > timeoutMs; });
  ::KillTimer(nullptr, timer);
  return until();
}

void PumpFor(Win32Desktop& desktop, DWORD ms) {
  Pump(
      desktop, [] { return false; }, ms);
}

void SetKeyDown(int key, bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[key] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

class Recorder : public tk::Form {
 public:
  Recorder(tk::Runtime& rt, tk::FormLayout layout) : tk::Form(rt, std::move(layout)) {}
  std::vector<tk::MouseArgs> downs, ups, moves;
  int doubleClicks = 0;
  int gotFocus = 0;
  int closeRequests = 0;
  bool unloadOnClose = false;
  bool dragOnPress = false;

 protected:
  void Form_MouseDown(const tk::MouseArgs& args) override {
    downs.push_back(args);
    // What the gadget's floating window does with a left press.
    if (dragOnPress && args.Button == tk::kLeftButton) {
      runtime().api().ReleaseCapture();
      runtime().api().SendMessageA(hWnd(), win::WmNcLButtonDown, win::HtCaption, 0);
    }
  }
  void Form_MouseUp(const tk::MouseArgs& args) override { ups.push_back(args); }
  void Form_MouseMove(const tk::MouseArgs& args) override { moves.push_back(args); }
  void Form_DblClick() override { ++doubleClicks; }
  void Form_GotFocus() override { ++gotFocus; }
  void Form_QueryClose() override {
    ++closeRequests;
    if (unloadOnClose) tk::Form::Form_QueryClose();
  }
};

class Win32DesktopTest : public ::testing::Test {
 protected:
  Win32Desktop desktop{{.exitOnEnd = false, .errorsToMessageBox = false}};
  Win32Api api;
  tk::Runtime rt{desktop, api};
};

LONG Style(HWnd hwnd) { return ::GetWindowLongW(ToHwnd(hwnd), GWL_STYLE); }
LONG ExStyle(HWnd hwnd) { return ::GetWindowLongW(ToHwnd(hwnd), GWL_EXSTYLE); }

// ---------------------------------------------------------------- forms

TEST_F(Win32DesktopTest, FixedSingleFormHasExactlyItsClientSizeAndStaysHidden) {
  Recorder form(rt, FormOf(BorderStyle::FixedSingle, 3000, 1500));
  form.Load();
  const HWND hwnd = ToHwnd(form.hWnd());
  RECT client{};
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 100);
  RECT outer{};
  ::GetWindowRect(hwnd, &outer);
  EXPECT_GT(outer.bottom - outer.top, 100);  // a caption on top
  EXPECT_EQ(form.Width(), (outer.right - outer.left) * kTwipsPerPixel);
  EXPECT_EQ(form.Height(), (outer.bottom - outer.top) * kTwipsPerPixel);

  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(Style(form.hWnd()) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(Style(form.hWnd()) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  // Not in the task bar: owned, and not asking for a button.
  EXPECT_NE(::GetWindow(hwnd, GW_OWNER), nullptr);
  EXPECT_EQ(ExStyle(form.hWnd()) & WS_EX_APPWINDOW, 0);
}

TEST_F(Win32DesktopTest, BorderStylesChooseTheFrame) {
  Recorder badge(rt, FormOf(BorderStyle::None, 750, 750));
  tk::FormLayout toolLayout = FormOf(BorderStyle::FixedToolWindow, 1500, 1500);
  Recorder tool(rt, toolLayout);
  tk::FormLayout appLayout = FormOf(BorderStyle::FixedSingle, 1500, 1500);
  appLayout.minButton = appLayout.maxButton = appLayout.showInTaskbar = true;
  Recorder app(rt, appLayout);
  badge.Load();
  tool.Load();
  app.Load();

  EXPECT_TRUE(Style(badge.hWnd()) & WS_POPUP);
  EXPECT_EQ(Style(badge.hWnd()) & WS_CAPTION, 0);
  EXPECT_TRUE(ExStyle(badge.hWnd()) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(badge.Width(), 750);  // no frame at all

  EXPECT_EQ(Style(tool.hWnd()) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_TRUE(ExStyle(tool.hWnd()) & WS_EX_TOOLWINDOW);

  EXPECT_EQ(Style(app.hWnd()) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  EXPECT_TRUE(ExStyle(app.hWnd()) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindow(ToHwnd(app.hWnd()), GW_OWNER), nullptr);
}

TEST_F(Win32DesktopTest, StartUpPositionPlacesTheOuterRectangle) {
  tk::FormLayout centred = FormOf(BorderStyle::FixedSingle, 4500, 3000);
  centred.startUp = StartUpPosition::CenterScreen;
  centred.icon = PictureId::DialogIcon;
  Recorder form(rt, centred);
  Recorder manual(rt, FormOf(BorderStyle::FixedSingle, 4500, 3000));
  form.Load();
  manual.Load();
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const Rect bounds = desktop.GetBounds(form.hWnd());
  EXPECT_NEAR(bounds.left + bounds.right, area.left + area.right, 1);
  EXPECT_NEAR(bounds.top + bounds.bottom, area.top + area.bottom, 1);
  EXPECT_EQ(desktop.GetBounds(manual.hWnd()).left, 0);
  EXPECT_EQ(desktop.GetBounds(manual.hWnd()).top, 0);

  const auto icon = ::SendMessageW(ToHwnd(form.hWnd()), WM_GETICON, ICON_BIG, 0);
  EXPECT_EQ(ToHandle(reinterpret_cast<HICON>(icon)),
            desktop.LoadPicture(PictureId::DialogIcon).handle);
}

class Controls : public Recorder {
 public:
  explicit Controls(tk::Runtime& rt) : Recorder(rt, FormOf(BorderStyle::FixedSingle, 6000, 4500)) {}
  // Created in this order; tabbed in the order of the indexes.
  tk::TextBox text{*this, ControlOf(ControlKind::TextBox, "", 150, 150, 2)};
  tk::CommandButton button{*this, ControlOf(ControlKind::CommandButton, "OK", 150, 600, 0)};
  tk::CheckBox check{*this, ControlOf(ControlKind::CheckBox, "Check", 150, 1050, 1)};
  tk::CommandButton disabled{*this, ControlOf(ControlKind::CommandButton, "Off", 150, 1500, 3)};
  tk::Frame frame{*this, ControlOf(ControlKind::Frame, "枠", 1800, 150, 4)};
  tk::CommandButton inFrame{*this, ControlOf(ControlKind::CommandButton, "In", 150, 300, 5),
                            &frame};
  tk::UserControl user{*this, ControlOf(ControlKind::UserControl, "", 1800, 1500, 6)};
  tk::CommandButton inUser{*this, ControlOf(ControlKind::CommandButton, "U", 0, 0, 0), &user};
  tk::Label label{*this, ControlOf(ControlKind::Label, "ラベル", 150, 2000)};
};

TEST_F(Win32DesktopTest, ControlsSitInTheirParentsClientArea) {
  Controls form(rt);
  form.Load();
  EXPECT_TRUE(form.inFrame.Visible());  // visible inside a hidden form
  EXPECT_EQ(form.inFrame.Left(), 150);
  EXPECT_EQ(form.inFrame.Top(), 300);
  EXPECT_EQ(form.inFrame.Width(), 1500);
  EXPECT_EQ(::GetParent(ToHwnd(form.inFrame.hWnd())), ToHwnd(form.frame.hWnd()));
  EXPECT_TRUE(ExStyle(form.frame.hWnd()) & WS_EX_CONTROLPARENT);

  form.SetLeft(1500);
  form.SetTop(750);
  EXPECT_EQ(desktop.GetBounds(form.hWnd()).left, 100);
  EXPECT_EQ(desktop.GetBounds(form.hWnd()).top, 50);
  EXPECT_EQ(form.button.Left(), 150);  // the form moved, not the control in it

  form.SetVisible(true);
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(::IsWindowVisible(ToHwnd(form.hWnd())));
  form.button.SetVisible(false);
  EXPECT_FALSE(form.button.Visible());
}

// ---------------------------------------------------------------- pictures

class PictureForm : public Recorder {
 public:
  explicit PictureForm(tk::Runtime& rt) : Recorder(rt, FormOf(BorderStyle::None, 3000, 3000)) {}
  tk::PictureBox box{*this, Box()};

 private:
  static tk::ControlLayout Box() {
    tk::ControlLayout layout = ControlOf(ControlKind::PictureBox, "", 1500, 1500);
    layout.picture = PictureId::ShapeBitmap;
    layout.autoSize = true;
    return layout;
  }
};

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
  HDC dc = ::GetDC(hwnd);
  const COLORREF color = ::GetPixel(dc, x, y);
  ::ReleaseDC(hwnd, dc);
  return color;
}

TEST_F(Win32DesktopTest, PictureBoxKeepsItsPictureInAMemoryDC) {
  PictureForm form(rt);
  form.Load();
  EXPECT_EQ(form.box.Width(), 750);  // sized to the picture
  const Handle dc = form.box.hDC();
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(::GetObjectType(FromHandle<HGDIOBJ>(dc)), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(api.GetPixel(dc, 0, 0), 0x0000FF00u);    // the key, exactly
  EXPECT_NE(api.GetPixel(dc, 25, 25), 0x0000FF00u);  // the shape
  EXPECT_EQ(form.box.hDC(), dc);

  form.SetPicture(desktop.LoadPicture(PictureId::ShapeBitmap));
  form.SetVisible(true);
  ::UpdateWindow(ToHwnd(form.hWnd()));
  EXPECT_EQ(ScreenPixel(ToHwnd(form.hWnd()), 0, 0), 0x0000FF00u);  // the form's picture
  EXPECT_EQ(ScreenPixel(ToHwnd(form.hWnd()), 150, 40), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ScreenPixel(ToHwnd(form.box.hWnd()), 0, 0), 0x0000FF00u);  // blitted from the DC
  EXPECT_EQ(ScreenPixel(ToHwnd(form.box.hWnd()), 25, 25), api.GetPixel(dc, 25, 25));
}

// ---------------------------------------------------------------- mouse

TEST_F(Win32DesktopTest, TheTrayCallbackIsToldFromAPointerMove) {
  Recorder form(rt, FormOf(BorderStyle::None, 9000, 750));
  form.Load();
  const HWND hwnd = ToHwnd(form.hWnd());
  ::PostMessageW(hwnd, win::WmMouseMove, 0, win::WmLButtonDblClk);
  ::PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(515, 0));
  ASSERT_TRUE(Pump(desktop, [&] { return form.moves.size() >= 2; }));
  EXPECT_TRUE(form.moves[0].FromNotifyIcon);
  EXPECT_EQ(form.moves[0].X / kTwipsPerPixel, 515);  // the mouse message the icon saw
  EXPECT_FALSE(form.moves[1].FromNotifyIcon);
  EXPECT_EQ(form.moves[1].Button, tk::kLeftButton);
  EXPECT_EQ(form.moves[1].X / kTwipsPerPixel, 515);
}

TEST_F(Win32DesktopTest, PressesReportButtonShiftAndSignedPosition) {
  Recorder form(rt, FormOf(BorderStyle::None, 1500, 1500));
  form.Load();
  const HWND hwnd = ToHwnd(form.hWnd());
  SetKeyDown(VK_MENU, true);
  ::PostMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(-5, 7));
  ::PostMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(3, -2));
  ::PostMessageW(hwnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
  const bool arrived = Pump(desktop, [&] { return form.downs.size() >= 2 && !form.ups.empty(); });
  SetKeyDown(VK_MENU, false);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(form.downs[0].Button, tk::kRightButton);
  EXPECT_EQ(form.downs[0].Shift, 1 | 2 | 4);
  EXPECT_EQ(form.downs[0].X, -5 * kTwipsPerPixel);
  EXPECT_EQ(form.downs[0].Y, 7 * kTwipsPerPixel);
  EXPECT_EQ(form.ups[0].Button, tk::kRightButton);
  EXPECT_EQ(form.ups[0].Y, -2 * kTwipsPerPixel);
  EXPECT_EQ(form.downs[1].Button, 4);
}

TEST_F(Win32DesktopTest, ASecondPressTheSystemDidNotPairStillMakesTheDoubleClick) {
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
  ASSERT_TRUE(Pump(desktop, [&] { return form.downs.size() >= 2; }));
  EXPECT_EQ(form.doubleClicks, 1);
  EXPECT_EQ(form.ups.size(), 2u);

  // Far apart, it is two single presses.
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::SetCursorPos(60, 60);
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
  ASSERT_TRUE(Pump(desktop, [&] { return form.downs.size() >= 3; }));
  EXPECT_EQ(form.doubleClicks, 1);
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    input.mi.dx = MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags |= MOUSEEVENTF_MOVE;
  }
  ::SendInput(1, &input, sizeof(input));
}

// Input through the system's queue, so that the first press runs the caption
// move loop. Under Wine 8 that loop loses an injected release that follows two
// or more injected moves (real pointer drags are fine), so the drag below moves
// once.
TEST_F(Win32DesktopTest, DoubleClickArrivesAfterThePressStartedADrag) {
  Recorder form(rt, FormOf(BorderStyle::None, 750, 750));
  form.dragOnPress = true;
  form.Load();
  form.SetLeft(300 * kTwipsPerPixel);
  form.SetTop(200 * kTwipsPerPixel);
  form.SetVisible(true);
  PumpFor(desktop, 100);

  // Should a release ever get lost, Escape still ends the move loop: the test
  // then fails instead of hanging.
  static HWND stuck = nullptr;
  stuck = ToHwnd(form.hWnd());
  const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) {
    ::PostMessageW(stuck, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  SendMouse(MOUSEEVENTF_ABSOLUTE, 325, 225);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
  const bool arrived = Pump(desktop, [&] { return form.doubleClicks > 0 && !form.ups.empty(); });
  ::KillTimer(nullptr, watchdog);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(form.downs.size(), 1u);  // the second press started no drag
  EXPECT_EQ(form.doubleClicks, 1);
  EXPECT_EQ(form.ups.size(), 1u);  // the move loop took the first release

  // A press that moves drags the window, and its release goes to the loop too.
  PumpFor(desktop, ::GetDoubleClickTime() + 50);
  const UINT_PTR watchdog2 = ::SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) {
    ::PostMessageW(stuck, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_ABSOLUTE, 345, 235);
  SendMouse(MOUSEEVENTF_LEFTUP);
  const bool moved = Pump(desktop, [&] { return desktop.GetBounds(form.hWnd()).left != 300; });
  ::KillTimer(nullptr, watchdog2);
  ASSERT_TRUE(moved);
  EXPECT_EQ(desktop.GetBounds(form.hWnd()).left, 320);
  EXPECT_EQ(desktop.GetBounds(form.hWnd()).top, 210);
  EXPECT_EQ(form.downs.size(), 2u);
  EXPECT_EQ(form.ups.size(), 1u);
  EXPECT_EQ(form.doubleClicks, 1);
}

// ---------------------------------------------------------------- controls

TEST_F(Win32DesktopTest, ButtonsClickWhereverTheyAreNested) {
  Controls form(rt);
  std::vector<std::string> clicks;
  form.button.Click = [&] { clicks.push_back("button"); };
  form.inFrame.Click = [&] { clicks.push_back("frame"); };
  form.inUser.Click = [&] { clicks.push_back("user"); };
  form.Load();
  form.SetVisible(true);
  ::SendMessageW(ToHwnd(form.inFrame.hWnd()), BM_CLICK, 0, 0);
  ::SendMessageW(ToHwnd(form.inUser.hWnd()), BM_CLICK, 0, 0);
  ::SendMessageW(ToHwnd(form.button.hWnd()), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, (std::vector<std::string>{"frame", "user", "button"}));
  EXPECT_EQ(Style(form.button.hWnd()) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(Win32DesktopTest, CheckBoxTogglesBeforeItsClickEvent) {
  Controls form(rt);
  std::vector<int> seen;
  form.check.Click = [&] { seen.push_back(form.check.Value()); };
  form.Load();
  form.SetVisible(true);
  form.check.SetValue(2);
  EXPECT_EQ(::SendMessageW(ToHwnd(form.check.hWnd()), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  for (int i = 0; i < 3; ++i) ::SendMessageW(ToHwnd(form.check.hWnd()), BM_CLICK, 0, 0);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 0}));
  EXPECT_TRUE(seen.size() == 3 && form.check.Value() == 0);
}

TEST_F(Win32DesktopTest, TextIsUtf8AndUnlimited) {
  Controls form(rt);
  form.Load();
  form.text.SetText("設定テスト");
  EXPECT_EQ(form.text.Text(), "設定テスト");
  wchar_t wide[16]{};
  ::GetWindowTextW(ToHwnd(form.text.hWnd()), wide, 16);
  EXPECT_STREQ(wide, L"設定テスト");
  EXPECT_EQ(desktop.GetText(form.label.hWnd()), "ラベル");

  const std::string longText(40000, 'x');
  form.text.SetText(longText);
  EXPECT_EQ(form.text.Text().size(), longText.size());
}

class FontForm : public Recorder {
 public:
  explicit FontForm(tk::Runtime& rt) : Recorder(rt, FormOf(BorderStyle::FixedSingle, 3000, 3000)) {}
  tk::Label first{*this, Mincho(0)};
  tk::Label second{*this, Mincho(400)};
  tk::Label plain{*this, ControlOf(ControlKind::Label, "", 0, 800)};
  tk::Frame frame{*this, Mincho(1200)};

 private:
  static tk::ControlLayout Mincho(tk::Twips top) {
    tk::ControlLayout layout = ControlOf(ControlKind::Label, "文字", 0, top);
    if (top == 1200) layout.kind = ControlKind::Frame;
    layout.font = Font{"ＭＳ 明朝", 9, 700, 128};
    return layout;
  }
};

LOGFONTW FontOf(HWnd hwnd) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(ToHwnd(hwnd), WM_GETFONT, 0, 0));
  ::GetObjectW(handle, sizeof(font), &font);
  return font;
}

HFONT FontHandle(HWnd hwnd) {
  return reinterpret_cast<HFONT>(::SendMessageW(ToHwnd(hwnd), WM_GETFONT, 0, 0));
}

TEST_F(Win32DesktopTest, FontsFollowTheLayoutOneObjectPerFont) {
  FontForm form(rt);
  form.Load();
  form.SetVisible(true);
  const LOGFONTW mincho = FontOf(form.first.hWnd());
  EXPECT_STREQ(mincho.lfFaceName, L"ＭＳ 明朝");
  EXPECT_EQ(mincho.lfHeight, -12);  // 9 points at 96 dpi
  EXPECT_EQ(mincho.lfWeight, 700);
  EXPECT_EQ(mincho.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(FontHandle(form.first.hWnd()), FontHandle(form.second.hWnd()));
  EXPECT_EQ(FontHandle(form.first.hWnd()), FontHandle(form.frame.hWnd()));  // the frame's own

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  EXPECT_STREQ(FontOf(form.plain.hWnd()).lfFaceName, metrics.lfMessageFont.lfFaceName);
}

// Start-up loads the panel hidden, and a font's file is large: its controls wait
// for their fonts until the form is first shown, however it is shown.
TEST_F(Win32DesktopTest, AHiddenFormsControlsGetTheirFontsWhenItIsFirstShown) {
  FontForm form(rt);
  form.Load();
  for (const HWnd control : {form.first.hWnd(), form.plain.hWnd(), form.frame.hWnd()}) {
    EXPECT_EQ(FontHandle(control), nullptr);
  }
  ::SetWindowPos(ToHwnd(form.hWnd()), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_STREQ(FontOf(form.first.hWnd()).lfFaceName, L"ＭＳ 明朝");
  EXPECT_STREQ(FontOf(form.frame.hWnd()).lfFaceName, L"ＭＳ 明朝");
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

// ---------------------------------------------------------------- focus and keys

void PressTab(Win32Desktop& desktop, bool shift) {
  SetKeyDown(VK_SHIFT, shift);
  const HWND focus = ::GetFocus();
  ::PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0);
  Pump(
      desktop, [&] { return ::GetFocus() != focus; }, 500);
  SetKeyDown(VK_SHIFT, false);
}

TEST_F(Win32DesktopTest, TabFollowsTheTabOrderNotTheCreationOrder) {
  Controls form(rt);
  std::vector<std::string> focused;
  form.text.GotFocus = [&] { focused.push_back("text"); };
  form.button.GotFocus = [&] { focused.push_back("button"); };
  form.check.GotFocus = [&] { focused.push_back("check"); };
  form.Load();
  desktop.SetEnabled(form.disabled.hWnd(), false);
  desktop.SetVisible(form.frame.hWnd(), false);  // takes its button with it

  form.SetVisible(true);
  PumpFor(desktop, 50);
  EXPECT_EQ(::GetFocus(), ToHwnd(form.button.hWnd()));
  PressTab(desktop, false);
  EXPECT_EQ(::GetFocus(), ToHwnd(form.check.hWnd()));
  PressTab(desktop, false);
  EXPECT_EQ(::GetFocus(), ToHwnd(form.text.hWnd()));
  PressTab(desktop, false);  // past the disabled button and the hidden frame
  EXPECT_EQ(::GetFocus(), ToHwnd(form.inUser.hWnd()));
  PressTab(desktop, false);
  EXPECT_EQ(::GetFocus(), ToHwnd(form.button.hWnd()));
  PressTab(desktop, true);
  EXPECT_EQ(::GetFocus(), ToHwnd(form.inUser.hWnd()));
  EXPECT_EQ(focused, (std::vector<std::string>{"button", "check", "text", "button"}));
}

TEST_F(Win32DesktopTest, EnterAndEscapePressNothing) {
  Controls form(rt);
  int clicks = 0;
  form.button.Click = [&] { ++clicks; };
  form.Load();
  form.SetVisible(true);
  const HWND button = ToHwnd(form.button.hWnd());
  ASSERT_EQ(::GetFocus(), button);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    ::PostMessageW(button, WM_KEYDOWN, key, 0);
    ::PostMessageW(button, WM_KEYUP, key, 0xC0000000);
  }
  ::PostMessageW(ToHwnd(form.text.hWnd()), WM_KEYDOWN, VK_RETURN, 0);
  PumpFor(desktop, 100);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(form.Visible());
}

TEST_F(Win32DesktopTest, AFormWithoutStopsTakesTheFocusItself) {
  Recorder badge(rt, FormOf(BorderStyle::None, 750, 750));
  badge.Load();
  badge.SetVisible(true);
  PumpFor(desktop, 50);
  EXPECT_EQ(::GetFocus(), ToHwnd(badge.hWnd()));
  EXPECT_GE(badge.gotFocus, 1);
}

// ---------------------------------------------------------------- closing and loops

TEST_F(Win32DesktopTest, TheCloseBoxAsksTheFormAndNeverDestroysIt) {
  Recorder keeps(rt, FormOf(BorderStyle::FixedSingle, 1500, 1500));
  Recorder unloads(rt, FormOf(BorderStyle::FixedSingle, 1500, 1500));
  unloads.unloadOnClose = true;
  keeps.Load();
  unloads.Load();
  const HWnd gone = unloads.hWnd();
  ::PostMessageW(ToHwnd(keeps.hWnd()), WM_CLOSE, 0, 0);
  ::PostMessageW(ToHwnd(gone), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump(desktop, [&] { return keeps.closeRequests && unloads.closeRequests; }));
  EXPECT_TRUE(::IsWindow(ToHwnd(keeps.hWnd())));
  EXPECT_TRUE(unloads.Unloaded());
  EXPECT_FALSE(::IsWindow(ToHwnd(gone)));

  // A handle that is gone is ignored everywhere.
  EXPECT_EQ(desktop.GetBounds(gone), Rect{});
  EXPECT_FALSE(desktop.IsVisible(gone));
  desktop.SetVisible(gone, true);
  desktop.SetText(gone, "x");
  EXPECT_EQ(desktop.GetText(gone), "");
  desktop.DestroyWindow(gone);
}

TEST_F(Win32DesktopTest, LoopsHandOnTheQuitAndEndWithTheLastForm) {
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

TEST_F(Win32DesktopTest, ShowModalDisablesTheOtherFormsUntilItHides) {
  Recorder main(rt, FormOf(BorderStyle::FixedSingle, 1500, 1500));
  Recorder dialog(rt, FormOf(BorderStyle::FixedSingle, 1500, 1500));
  main.Load();
  dialog.Load();
  main.SetVisible(true);
  static Recorder* modal = nullptr;
  static bool mainEnabled = true;
  static HWND mainWindow = nullptr;
  modal = &dialog;
  mainWindow = ToHwnd(main.hWnd());
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    mainEnabled = ::IsWindowEnabled(mainWindow);
    modal->SetVisible(false);
  });
  dialog.Show(tk::kModal);
  ::KillTimer(nullptr, timer);
  EXPECT_FALSE(mainEnabled);
  EXPECT_TRUE(::IsWindowEnabled(mainWindow));
  EXPECT_FALSE(dialog.Visible());
}

TEST_F(Win32DesktopTest, PopupMenuReturnsTheChosenIndex) {
  Recorder form(rt, FormOf(BorderStyle::None, 1500, 1500));
  form.Load();
  form.SetVisible(true);
  PumpFor(desktop, 50);
  static std::vector<WORD>* keys = nullptr;
  std::vector<WORD> sequence;
  keys = &sequence;
  const auto type = [](HWND, UINT, UINT_PTR, DWORD) {
    if (keys->empty()) return;
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = keys->front();
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof(INPUT));
    keys->erase(keys->begin());
  };
  const std::vector<std::string> captions{"一", "-", "二", "三"};

  sequence = {VK_DOWN, VK_DOWN, VK_RETURN};  // the separator is skipped
  UINT_PTR timer = ::SetTimer(nullptr, 0, 60, type);
  EXPECT_EQ(desktop.TrackPopupMenu(form.hWnd(), captions, tk::kPopupRightButton), 2);
  ::KillTimer(nullptr, timer);

  sequence = {VK_ESCAPE};
  timer = ::SetTimer(nullptr, 0, 60, type);
  EXPECT_EQ(desktop.TrackPopupMenu(form.hWnd(), captions, 0), -1);
  ::KillTimer(nullptr, timer);
}

// ---------------------------------------------------------------- the rest

TEST_F(Win32DesktopTest, ErrorsAndEndAreRecordedWhenAskedTo) {
  rt.Dispatch([] { throw tk::RuntimeError(tk::Error::FileNotFound, "x.ini"); });
  ASSERT_EQ(desktop.ReportedErrors().size(), 1u);
  EXPECT_NE(desktop.ReportedErrors()[0].find("53"), std::string::npos);
  rt.Dispatch([&] { rt.End(); });
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_TRUE(rt.Ended());
}

TEST_F(Win32DesktopTest, AnUnopenableUrlIsARuntimeError) {
  const std::string missing = "C:\\no\\such\\folder\\page.html";
  try {
    desktop.OpenUrl(missing);
    FAIL() << "opened " << missing;
  } catch (const tk::RuntimeError& e) {
    EXPECT_TRUE(e.error() == tk::Error::FileNotFound || e.error() == tk::Error::PathNotFound)
        << e.what();
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
}

TEST_F(Win32DesktopTest, ScreenAndExecutableFolder) {
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

}  // namespace
}  // namespace rn::win32
