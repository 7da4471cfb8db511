// The forms as the system sees them at 96 dpi: frames, client sizes, control
// places, the panel's font and the dialog's keyboard order.
#include <gtest/gtest.h>

#include "gadget_win_fixture.h"

namespace rn::win32::gadget {
namespace {

using Layout = GadgetWinTest;

Rect ClientOf(HWnd w) {
  RECT r{};
  ::GetClientRect(H(w), &r);
  return {r.left, r.top, r.right, r.bottom};
}

LOGFONTW FontOf(HWnd w) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(H(w), WM_GETFONT, 0, 0));
  ::GetObjectW(handle, sizeof(font), &font);
  return font;
}

TEST_F(Layout, TheBadgeIsABorderlessToolWindow) {
  Start();
  const HWnd f1 = badge().hWnd();
  EXPECT_TRUE(StyleOf(f1) & WS_POPUP);
  EXPECT_EQ(StyleOf(f1) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
  EXPECT_TRUE(ExStyleOf(f1) & WS_EX_TOOLWINDOW) << "no task-bar button";
  EXPECT_EQ(ClientOf(f1), (Rect{0, 0, 50, 50}));
}

TEST_F(Layout, ThePanelIsAToolWindowWithItsClientSize) {
  Start();
  const HWnd f2 = panel().hWnd();
  EXPECT_EQ(ClientOf(f2), (Rect{0, 0, 350, 56}));
  EXPECT_TRUE(ExStyleOf(f2) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(StyleOf(f2) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(StyleOf(f2) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_EQ(TextOf(H(f2)), "操作パネル");
  // The frame around the client area is what the system adds for these styles.
  RECT expected{0, 0, 350, 56};
  ::AdjustWindowRectEx(&expected, StyleOf(f2), FALSE, ExStyleOf(f2));
  EXPECT_EQ(ScreenRect(f2).Width(), expected.right - expected.left);
  EXPECT_EQ(ScreenRect(f2).Height(), expected.bottom - expected.top);
}

TEST_F(Layout, TheDialogHasACloseBoxOnlyAndOpensCentred) {
  Start();
  const HWnd f3 = dialog().hWnd();
  EXPECT_EQ(ClientOf(f3), (Rect{0, 0, 191, 216}));
  EXPECT_TRUE(StyleOf(f3) & WS_SYSMENU);
  EXPECT_EQ(StyleOf(f3) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_EQ(TextOf(H(f3)), "設定");
  EXPECT_TRUE(ExStyleOf(f3) & WS_EX_APPWINDOW) << "its own task-bar button";
  EXPECT_EQ(::SendMessageW(H(f3), WM_GETICON, ICON_BIG, 0),
            reinterpret_cast<LRESULT>(FromHandle<HICON>(dialog().Image1.Picture().handle)))
      << "the icon it shows inside";
  const Rect r = ScreenRect(f3);
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - r.Width()) / 2);
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - r.Height()) / 2);
}

TEST_F(Layout, TheDialogIsCentredAgainAfterItWasMovedAndClosed) {
  Start();
  Then([&] { return DialogShown(); }, [&] { MoveWindowTo(dialog().hWnd(), 3, 4); });
  Then([&] { Click(dialog().Command1.hWnd()); });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  ASSERT_FALSE(program.Form3Loaded());
  const Rect r = ScreenRect(dialog().hWnd());
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - r.Width()) / 2);
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - r.Height()) / 2);
}

TEST_F(Layout, PanelControlsSitWhereTheLayoutPutsThem) {
  Start();
  EXPECT_EQ(RectInParent(panel().Text1.hWnd()), (Rect{0, 0, 297, 56}));
  EXPECT_EQ(RectInParent(panel().Command1.hWnd()), (Rect{300, 2, 348, 26}));
  EXPECT_EQ(RectInParent(panel().Command2.hWnd()), (Rect{300, 30, 348, 54}));
  EXPECT_EQ(TextOf(H(panel().Command1.hWnd())), "Clear");
  EXPECT_EQ(TextOf(H(panel().Command2.hWnd())), "Close");
  for (const HWnd w : {panel().Text1.hWnd(), panel().Command1.hWnd(), panel().Command2.hWnd()}) {
    EXPECT_EQ(::GetParent(H(w)), H(panel().hWnd()));
  }
}

TEST_F(Layout, TheTextBoxWritesInA36PointJapaneseMincho) {
  Start();
  EXPECT_EQ(::SendMessageW(H(panel().Text1.hWnd()), WM_GETFONT, 0, 0), 0)
      << "the hidden panel's font waits for the panel to be shown";
  Command(0);
  ASSERT_TRUE(Shown(panel().hWnd()));
  const LOGFONTW font = FontOf(panel().Text1.hWnd());
  EXPECT_STREQ(font.lfFaceName, L"ＭＳ 明朝");
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(font.lfHeight, -48) << "36 points at 96 dpi";
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
}

TEST_F(Layout, TheBadgeBitmapAndTheTrayIconLieOutsideThePanelsClientArea) {
  Start();
  const Rect client = ClientOf(panel().hWnd());
  EXPECT_GE(RectInParent(panel().Picture1.hWnd()).top, client.bottom);
  EXPECT_GE(RectInParent(panel().Image1.hWnd()).top, client.bottom);
  EXPECT_FALSE(Shown(panel().Picture1.hWnd()));
}

TEST_F(Layout, DialogControlsSitInTheirFramesWithTheirTextsAndFonts) {
  Start();
  const Form3& d = dialog();
  EXPECT_EQ(::GetParent(H(d.Check1.hWnd())), H(d.Frame1.hWnd()));
  EXPECT_EQ(RectInParent(d.Check1.hWnd()), (Rect{24, 16, 145, 41}));
  EXPECT_EQ(TextOf(H(d.Check1.hWnd())), "常に手前に表示");
  EXPECT_EQ(TextOf(H(d.Frame1.hWnd())), "設定");
  EXPECT_EQ(TextOf(H(d.Frame2.hWnd())), "バージョン情報");
  EXPECT_EQ(TextOf(H(d.Label1.hWnd())), "Ravik N");
  EXPECT_EQ(TextOf(H(d.Label2.hWnd())), "Ver 1.00");
  EXPECT_EQ(TextOf(H(d.Label5.hWnd())), "Morvelプロジェクト");
  EXPECT_EQ(TextOf(H(d.Command1.hWnd())), "OK");
  for (const HWnd w : {d.Label1.hWnd(), d.Label2.hWnd(), d.Label4.hWnd(), d.Label5.hWnd()}) {
    EXPECT_EQ(::GetParent(H(w)), H(d.Frame2.hWnd()));
  }

  dialog().SetVisible(true);
  const LOGFONTW title = FontOf(d.Label1.hWnd());
  EXPECT_STREQ(title.lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(title.lfHeight, -16) << "12 points";
  const LOGFONTW maker = FontOf(d.Label5.hWnd());
  EXPECT_STREQ(maker.lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(maker.lfWeight, FW_BOLD);
  EXPECT_EQ(maker.lfCharSet, SHIFTJIS_CHARSET);

  const HWnd go = d.UserControl11.Command1.hWnd();
  EXPECT_EQ(TextOf(H(go)), "Go HomePage");
  EXPECT_EQ(::GetParent(H(go)), H(d.UserControl11.hWnd()));
  EXPECT_EQ(::GetParent(H(d.UserControl11.hWnd())), H(d.Frame2.hWnd()));
  const Rect inner = RectInParent(go);
  const Rect outer = RectInParent(d.UserControl11.hWnd());
  EXPECT_LE(inner.right, outer.Width()) << "the link lies wholly inside its user control";
  EXPECT_LE(inner.bottom, outer.Height());
}

TEST_F(Layout, TabOnTheDialogVisitsTheCheckBoxOkAndTheLink) {
  Start();
  // Read as each is visited: the dialog's windows are gone once it closes.
  std::vector<std::string> visited;
  HWND last = nullptr;
  const auto visit = [&] {
    last = ::GetFocus();
    visited.push_back(TextOf(last));
  };
  const auto tab = [&] {
    visit();
    PostKey(last, VK_TAB);
  };
  const auto moved = [&] { return ::GetFocus() != last; };
  Then([&] { return DialogShown() && ::GetFocus() != nullptr; }, tab);
  Then(moved, tab);
  Then(moved, tab);
  Then(moved, [&] {
    visit();
    ::PostMessageW(H(dialog().hWnd()), WM_CLOSE, 0, 0);
  });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_EQ(visited,
            (std::vector<std::string>{"常に手前に表示", "OK", "Go HomePage", "常に手前に表示"}));
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

}  // namespace
}  // namespace rn::win32::gadget
