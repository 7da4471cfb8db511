// The notification icon's messages and the badge's mouse gestures, as real
// window messages through the desktop's message loop.
#include <gtest/gtest.h>

#include "gadget_win_fixture.h"

namespace rn::win32::gadget {
namespace {

const std::vector<std::string> kMenu{"操作パネルを開く", "設定", "-", "終了"};

class Input : public GadgetWinTest {
 protected:
  void SetUp() override { StartWith("720,450\r\n3000,2000\r\n#TRUE#\r\n"); }
  void BadgeMessage(UINT message, WPARAM keys = 0) {
    ::PostMessageW(H(badge().hWnd()), message, keys, MAKELPARAM(25, 25));
  }
};

// ------------------------------------------------------------ the tray icon

TEST_F(Input, TheIconIsInTheNotificationAreaForThePanel) {
  EXPECT_TRUE(IconPresent());
  EXPECT_EQ(m.TrayIconData.hWnd, panel().hWnd());
  EXPECT_EQ(m.TrayIconData.uCallbackMessage, static_cast<std::uint32_t>(WM_MOUSEMOVE));
}

TEST_F(Input, ADoubleClickOnTheIconOpensThePanelAtItsPlace) {
  IconMessage(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(Pump([&] { return Shown(panel().hWnd()); }));
  EXPECT_EQ(PanelPlace(), (Point{200, 133})) << "3000, 2000 twips";
  MoveWindowTo(panel().hWnd(), 10, 10);
  IconMessage(WM_LBUTTONDBLCLK);
  Drain();
  EXPECT_EQ(PanelPlace(), (Point{200, 133})) << "a moved panel is put back";
  EXPECT_TRUE(menus.empty());
}

TEST_F(Input, ARightPressOnTheIconOpensTheCommandMenu) {
  IconMessage(WM_RBUTTONDOWN);
  ASSERT_TRUE(Pump([&] { return !menus.empty(); }));
  EXPECT_EQ(menus[0], kMenu);
  ASSERT_TRUE(Pump([] { return OpenMenu() == nullptr; })) << "Escape closes it";
  Drain();
  EXPECT_FALSE(Shown(panel().hWnd())) << "Escape chooses nothing";
  EXPECT_FALSE(DialogShown());
  EXPECT_EQ(desktop.EndProcessRequests(), 0);
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(Input, TheIconsOtherMessagesDoNothing) {
  for (const UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP,
                             WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP}) {
    IconMessage(message);
  }
  Drain();
  EXPECT_FALSE(Shown(panel().hWnd()));
  EXPECT_TRUE(menus.empty());
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(Input, APointerMoveOverThePanelIsNotTakenForTheIcon) {
  IconMessage(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(Pump([&] { return Shown(panel().hWnd()); }));
  MoveWindowTo(panel().hWnd(), 10, 10);
  // A drag that started on the panel holds the capture and can reach columns
  // that carry the icon's message numbers.
  const HWND hwnd = H(panel().hWnd());
  ::PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(WM_LBUTTONDBLCLK, 0));
  ::PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(WM_RBUTTONDOWN, 0));
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(WM_LBUTTONDBLCLK, 3));
  Drain();
  EXPECT_EQ(PanelPlace(), (Point{10, 10}));
  EXPECT_TRUE(menus.empty());
}

TEST_F(Input, TheIconReachesTheDisabledPanelWhileTheDialogIsUpWithoutShowingIt) {
  Then(
      [&] { return DialogShown(); },
      [&] {
        IconMessage(WM_LBUTTONDBLCLK);
        IconMessage(WM_RBUTTONDOWN);  // handled after the double-click: its menu shows both arrived
      });
  Then([&] { return !menus.empty() && OpenMenu() == nullptr; },
       [&] { Click(dialog().Command1.hWnd()); });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_FALSE(Shown(panel().hWnd())) << "the dialog was brought forward instead";
  EXPECT_FALSE(program.Form3Loaded());
}

// ------------------------------------------------------------ the badge

TEST_F(Input, ADoubleClickOnTheBadgeOpensThePanel) {
  BadgeMessage(WM_LBUTTONDBLCLK, MK_LBUTTON);
  BadgeMessage(WM_LBUTTONUP);
  ASSERT_TRUE(Pump([&] { return Shown(panel().hWnd()); }));
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
  Drain();
  EXPECT_EQ(::GetCapture(), nullptr) << "the release gave the mouse back";
  EXPECT_TRUE(menus.empty());
}

TEST_F(Input, ARightReleaseOnTheBadgeOpensTheMenu) {
  BadgeMessage(WM_RBUTTONDOWN, MK_RBUTTON);
  Drain();
  EXPECT_TRUE(menus.empty()) << "the press alone does nothing";
  BadgeMessage(WM_RBUTTONUP);
  ASSERT_TRUE(Pump([&] { return !menus.empty(); }));
  EXPECT_EQ(menus[0], kMenu);
  ASSERT_TRUE(Pump([] { return OpenMenu() == nullptr; }));
  Drain();
  EXPECT_EQ(menus.size(), 1u);
  EXPECT_FALSE(Shown(panel().hWnd()));
}

TEST_F(Input, OtherButtonsOnTheBadgeOpenNoMenu) {
  BadgeMessage(WM_MBUTTONDOWN, MK_MBUTTON);
  BadgeMessage(WM_MBUTTONUP);
  BadgeMessage(WM_LBUTTONUP);
  Drain();
  EXPECT_TRUE(menus.empty());
  EXPECT_FALSE(Shown(panel().hWnd()));
}

TEST_F(Input, NoMenuFromTheBadgeWhileThePanelIsOpen) {
  Command(kOpenPanel);
  ASSERT_TRUE(Shown(panel().hWnd()));
  BadgeMessage(WM_RBUTTONUP);
  Drain();
  EXPECT_TRUE(menus.empty());
  EXPECT_TRUE(Shown(panel().hWnd()));
}

TEST_F(Input, NoMenuFromTheBadgeWhileTheDialogIsUp) {
  std::size_t menusWhileUp = 99;
  std::uint32_t mark = ~0u;
  // Posted messages reach the badge even while the dialog keeps it disabled.
  Then([&] { return DialogShown(); },
       [&] {
         BadgeMessage(WM_RBUTTONUP);
         mark = Mark();
       });
  Then([&] { return Passed(mark); },
       [&] {
         menusWhileUp = menus.size();
         Click(dialog().Command1.hWnd());
       });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  Drain();
  EXPECT_EQ(menusWhileUp, 0u);
  EXPECT_TRUE(menus.empty());
}

TEST_F(Input, ChoosingOpenPanelFromTheBadgesMenuOpensIt) {
  menuKeys = {VK_DOWN, VK_RETURN};
  BadgeMessage(WM_RBUTTONUP);
  ASSERT_TRUE(Pump([&] { return Shown(panel().hWnd()); }));
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
  EXPECT_EQ(menus.size(), 1u);
}

}  // namespace
}  // namespace rn::win32::gadget
