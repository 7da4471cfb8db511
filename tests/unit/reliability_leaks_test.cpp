// A thousand rounds of everything a user can do with the gadget: after each,
// exactly as many windows, device contexts, bitmaps, regions, menus and open
// files are alive as after the first (which makes, once, the windows of what
// lies below the panel's edge).
#include <gtest/gtest.h>

#include <string>

#include "forms/link_control.h"
#include "gadget_fixture.h"
#include "tray/command_menu.h"

namespace rn::testing {
namespace {

constexpr int kRounds = 1000;

class Leaks : public GadgetTest {
 protected:
  void SetUp() override {
    // Nothing here reads the call record, which would otherwise grow by
    // every call of every round.
    api.SetRecording(false);
    StartWith("720,450\r\n3000,2000\r\n#TRUE#\r\n");
  }

  void RightClickBadge() { desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25); }

  // One of everything, leaving the gadget as it found it: panel closed,
  // dialog unloaded, no menu open.
  void OneRound(int round) {
    // The panel, opened from the badge and closed by its button, then from
    // the icon and closed by its close box, with some typing in between.
    desk.DoubleClick(badge().hWnd(), 25, 25);
    desk.Type(panel().Text1.hWnd(), "round " + std::to_string(round));
    desk.PressTab();
    desk.PressTab(true);
    desk.Type(panel().Text1.hWnd(), "x");
    desk.ClickControl(panel().Command1.hWnd());
    desk.ClickControl(panel().Command2.hWnd());
    desk.ClickIcon(win::WmLButtonDblClk);
    desk.RequestClose(panel().hWnd());

    // Menus cancelled from the badge and from the icon, and one that opens
    // the panel.
    desk.ScriptMenu(-1);
    RightClickBadge();
    desk.ScriptMenu(-1);
    desk.ClickIcon(win::WmRButtonDown);
    desk.ScriptMenu(kOpenPanel);
    desk.ClickIcon(win::WmRButtonDown);
    desk.ClickControl(panel().Command2.hWnd());

    // The dialog: the box toggled and the link pressed, then OK; then opened
    // again and left by its close box.
    desk.ScriptModal([&] {
      desk.ClickControl(dialog().Check1.hWnd());
      desk.ClickControl(dialog().UserControl11.Command1.hWnd());
      desk.ClickControl(dialog().Command1.hWnd());
    });
    desk.ScriptMenu(kOpenSettings);
    RightClickBadge();
    desk.ScriptModal([&] { desk.RequestClose(dialog().hWnd()); });
    desk.ScriptMenu(kOpenSettings);
    desk.ClickIcon(win::WmRButtonDown);

    // A drag there and back.
    desk.ScriptDrag(5, -5);
    desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
    desk.ScriptDrag(-5, 5);
    desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  }
};

TEST_F(Leaks, AThousandRoundsOfEveryActionLeaveWhatTheFirstLeft) {
  const Rect place = Bounds(badge().hWnd());
  OneRound(0);
  const sim::LiveCounts first = world.Live();
  for (int round = 1; round < kRounds; ++round) {
    OneRound(round);
    ASSERT_EQ(world.Live(), first) << "after round " << round;
    ASSERT_FALSE(program.Form3Loaded()) << "round " << round;
    ASSERT_EQ(desk.PendingModal(), 0u) << "every scripted dialog ran, round " << round;
  }
  // The rounds did what they say, not nothing.
  EXPECT_EQ(desk.Urls().size(), static_cast<std::size_t>(kRounds));
  EXPECT_EQ(desk.Menus().size(), 5u * kRounds);
  EXPECT_EQ(m.FrontFlag, kTrue) << "toggled an even number of times";
  EXPECT_EQ(Bounds(badge().hWnd()), place);
  EXPECT_FALSE(Window(panel().hWnd()).visible);
  EXPECT_TRUE(desk.Errors().empty()) << desk.Errors().front();
}

TEST_F(Leaks, ExitAfterTheRoundsClosesEverythingItOpened) {
  for (int round = 0; round < 10; ++round) OneRound(round);
  program.Dispatch([&] { RunMenuCommand(program, kExit); });
  ASSERT_TRUE(program.Ended());
  const sim::LiveCounts live = world.Live();
  EXPECT_EQ(live.fileStreams, 0);
  EXPECT_EQ(live.dcs, 0);
  EXPECT_EQ(live.bitmaps, 0);
  EXPECT_EQ(live.regions, 0);
  EXPECT_EQ(live.menus, 0);
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_TRUE(desk.Errors().empty()) << desk.Errors().front();
}

}  // namespace
}  // namespace rn::testing
