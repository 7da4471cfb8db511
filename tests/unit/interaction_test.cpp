// What the user does with the badge, the tray icon, the menu and the panel
// after start-up, on the simulated desktop.
#include <gtest/gtest.h>

#include <functional>

#include "gadget_fixture.h"

namespace rn::testing {
namespace {

class Interaction : public GadgetTest {
 protected:
  void SetUp() override {
    StartWith(kSettings);
    api.ClearCalls();
  }
};

// ------------------------------------------------------------ the badge

TEST_F(Interaction, ALeftPressDragsTheBadgeWhateverKeysAreHeld) {
  for (const std::int16_t keys : {std::int16_t{0}, kShiftMask, kCtrlMask, kAltMask}) {
    SCOPED_TRACE(keys);
    api.ClearCalls();
    const Rect before = Bounds(badge().hWnd());
    desk.ScriptDrag(10, -5);
    desk.MouseDown(badge().hWnd(), tk::kLeftButton, keys, 25, 25);
    EXPECT_EQ(api.CallNames(), (std::vector<std::string>{"ReleaseCapture", "SendMessageA"}));
    EXPECT_EQ(api.CallsNamed("SendMessageA")[0].args,
              (std::vector<std::int64_t>{badge().hWnd(), win::WmNcLButtonDown, win::HtCaption, 0}));
    EXPECT_EQ(Bounds(badge().hWnd()).left, before.left + 10);
    EXPECT_EQ(Bounds(badge().hWnd()).top, before.top - 5);
  }
  EXPECT_EQ(m.PanelLeft, 3000) << "a drag moves only the badge";
  EXPECT_EQ(Ini(), kSettings) << "nothing is written before exit";
}

TEST_F(Interaction, OtherButtonsDoNothingOnPressAndOnlyTheRightOneOnRelease) {
  desk.MouseDown(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  desk.MouseDown(badge().hWnd(), kMiddleButton, 0, 25, 25);
  desk.MouseUp(badge().hWnd(), kMiddleButton, 0, 25, 25);
  desk.MouseUp(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  EXPECT_TRUE(api.Calls().empty());
  EXPECT_TRUE(desk.Menus().empty());
  RightClickBadge();
  ASSERT_EQ(desk.Menus().size(), 1u);
  EXPECT_EQ(desk.Menus()[0].owner, badge().hWnd());
  EXPECT_EQ(desk.Menus()[0].flags, 0u);
  EXPECT_EQ(desk.Menus()[0].captions,
            (std::vector<std::string>{"操作パネルを開く", "設定", "-", "終了"}));
}

TEST_F(Interaction, TheFirstRightReleaseLoadsTheDialogHiddenWithTheFlag) {
  m.FrontFlag = kFalse;
  EXPECT_FALSE(program.Form3Loaded());
  RightClickBadge();
  ASSERT_TRUE(program.Form3Loaded());
  EXPECT_FALSE(Window(dialog().hWnd()).visible);
  EXPECT_EQ(dialog().Check1.Value(), 0);
  EXPECT_EQ(desk.Menus().size(), 1u);
}

TEST_F(Interaction, NoMenuFromTheBadgeWhileThePanelOrTheDialogIsUp) {
  desk.DoubleClick(badge().hWnd());
  ASSERT_TRUE(PanelShown());
  RightClickBadge();
  EXPECT_TRUE(desk.Menus().empty());

  panel().SetVisible(false);
  dialog().SetVisible(true);  // as if open; the modal loop is tested below
  RightClickBadge();
  EXPECT_TRUE(desk.Menus().empty());
}

TEST_F(Interaction, ACloseRequestToTheBadgeLeavesItAndTheIconInPlace) {
  const HWnd before = badge().hWnd();
  ASSERT_TRUE(desk.PressAltF4(before));
  EXPECT_EQ(badge().hWnd(), before);
  EXPECT_TRUE(Window(before).visible);
  EXPECT_EQ(api.CountOf("Shell_NotifyIconA"), 0u) << "start-up does not run again";
}

// ------------------------------------------------------------ the tray icon

TEST_F(Interaction, OnlyADoubleClickOrARightPressOnTheIconActs) {
  for (const std::uint32_t message : {0x200u, 0x201u, 0x202u, 0x205u, 0x206u, 0x207u, 0x208u}) {
    desk.ClickIcon(message);
  }
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(desk.Menus().empty());

  desk.ClickIcon(win::WmRButtonDown);
  ASSERT_EQ(desk.Menus().size(), 1u);
  EXPECT_EQ(desk.Menus()[0].owner, panel().hWnd());
  EXPECT_EQ(desk.Menus()[0].flags, tk::kPopupRightButton);
}

TEST_F(Interaction, APointerOverThePanelIsNeverTakenForTheIcon) {
  desk.DoubleClick(badge().hWnd());
  // A drag that started on the panel holds the capture and can reach column
  // 515 or 516, which the icon's messages also use.
  desk.PointerMove(panel().hWnd(), 515, 10, tk::kLeftButton);
  desk.PointerMove(panel().hWnd(), 516, 10, tk::kLeftButton);
  desk.PointerMove(panel().hWnd(), 516, 0, tk::kLeftButton);
  MovePanelTo(10, 10);
  desk.PointerMove(panel().hWnd(), 515, 3);
  EXPECT_EQ(PanelPlace(), (Point{10, 10}));
  EXPECT_TRUE(desk.Menus().empty());
}

// ------------------------------------------------------------ the menu

TEST_F(Interaction, TheSeparatorAndUnknownIndexesDoNothing) {
  for (const int index : {-1, 2, 4, 100}) Command(static_cast<std::int16_t>(index));
  EXPECT_FALSE(PanelShown());
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_EQ(desk.EndCount(), 0);
  EXPECT_TRUE(api.Calls().empty());
}

// ------------------------------------------------------------ the panel

TEST_F(Interaction, EveryWayOfOpeningPutsThePanelWhereCloseLastLeftIt) {
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"badge double-click", [&] { desk.DoubleClick(badge().hWnd(), 25, 25); }},
      {"icon double-click", [&] { desk.ClickIcon(win::WmLButtonDblClk); }},
      {"badge menu",
       [&] {
         desk.ScriptMenu(kOpenPanel);
         RightClickBadge();
       }},
      {"icon menu",
       [&] {
         desk.ScriptMenu(kOpenPanel);
         desk.ClickIcon(win::WmRButtonDown);
       }},
      {"open again while open", [&] { Command(kOpenPanel); }},
  };
  const HWnd before = panel().hWnd();
  // First the place the file gave, 3000, 2000 twips, then the ones Close and the
  // close box kept.
  Point remembered{200, 133};
  for (const Point closedAt : {Point{40, 60}, Point{80, 90}, Point{0, 0}}) {
    for (const auto& [name, open] : ways) {
      SCOPED_TRACE(name);
      if (std::string_view(name) != "open again while open") panel().SetVisible(false);
      MovePanelTo(500, 500);  // moved, but not closed: not remembered
      open();
      ASSERT_TRUE(PanelShown());
      EXPECT_EQ(PanelPlace(), remembered);
    }
    MovePanelTo(closedAt.x, closedAt.y);
    if (closedAt.x == 40) {
      desk.ClickControl(panel().Command2.hWnd());
    } else {
      desk.RequestClose(panel().hWnd());
    }
    EXPECT_FALSE(PanelShown());
    EXPECT_EQ(m.PanelLeft, closedAt.x * kTwipsPerPixel);
    EXPECT_EQ(m.PanelTop, closedAt.y * kTwipsPerPixel);
    remembered = closedAt;
  }
  EXPECT_EQ(panel().hWnd(), before) << "the close box keeps the panel loaded";
}

TEST_F(Interaction, TheTextBoxIsEmptiedWheneverItGetsTheFocus) {
  Command(kOpenPanel);
  desk.Type(panel().Text1.hWnd(), "scratch");
  EXPECT_EQ(panel().Text1.Text(), "scratch");
  desk.Focus(panel().Command1.hWnd());
  desk.Focus(panel().Text1.hWnd());
  EXPECT_EQ(panel().Text1.Text(), "");

  desk.Type(panel().Text1.hWnd(), "more");
  desk.PressTab();
  desk.PressTab(true);
  EXPECT_EQ(panel().Text1.Text(), "") << "by the keyboard too";

  desk.Type(panel().Text1.hWnd(), "again");
  desk.ClickControl(panel().Command2.hWnd());
  Command(kOpenPanel);
  EXPECT_EQ(panel().Text1.Text(), "") << "reopening discards it";
}

// Coming back by the caption is what the conformance suite proves alike on
// both desktops.
TEST_F(Interaction, ComingBackToThePanelEmptiesTheBoxWhereTheFocusReturns) {
  Command(kOpenPanel);
  desk.Type(panel().Text1.hWnd(), "abc");
  desk.MouseDown(badge().hWnd(), tk::kRightButton, 0, 25, 25);  // the badge takes the activation
  ASSERT_EQ(desk.Active(), badge().hWnd());
  EXPECT_EQ(panel().Text1.Text(), "abc") << "leaving keeps it";
  desk.ClickCaption(panel().hWnd());
  EXPECT_EQ(desk.Focused(), panel().Text1.hWnd());
  EXPECT_EQ(panel().Text1.Text(), "") << "a scratch field: the returning focus empties it";

  desk.Focus(panel().Command1.hWnd());
  desk.MouseDown(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  desk.MouseDown(panel().hWnd(), tk::kLeftButton, 0, 5, 5);
  EXPECT_EQ(desk.Focused(), panel().Command1.hWnd()) << "back where it was, not the first stop";
}

TEST_F(Interaction, ClearEmptiesTheBoxAndLeavesTheFocusThere) {
  Command(kOpenPanel);
  desk.Type(panel().Text1.hWnd(), "abc");
  desk.ClickControl(panel().Command1.hWnd());
  EXPECT_EQ(panel().Text1.Text(), "");
  EXPECT_EQ(desk.Focused(), panel().Text1.hWnd());
  desk.ClickControl(panel().Command1.hWnd());  // on an empty box
  EXPECT_EQ(desk.Focused(), panel().Text1.hWnd());
  EXPECT_TRUE(PanelShown());
}

}  // namespace
}  // namespace rn::testing
