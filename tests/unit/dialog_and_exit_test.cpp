// The settings dialog and the link in it, the exit and the end of the session,
// on the simulated desktop.
#include <gtest/gtest.h>

#include "forms/link_control.h"
#include "gadget_fixture.h"
#include "settings/settings_file.h"

namespace rn::testing {
namespace {

class DialogAndExit : public GadgetTest {
 protected:
  void SetUp() override {
    StartWith(kSettings);
    api.ClearCalls();
  }
};

// ------------------------------------------------------------ the dialog

// What a modal form does to the others is the toolkit's, proven on both
// desktops by the conformance suite.
TEST_F(DialogAndExit, SettingsCommandShowsTheDialogModallyUntilOK) {
  bool sawDialog = false;
  desk.ScriptModal([&] {
    sawDialog = DialogShown() && desk.ModalDepth() == 1;
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_TRUE(sawDialog);
  EXPECT_FALSE(program.Form3Loaded()) << "OK unloads the dialog";
  EXPECT_EQ(desk.ModalDepth(), 0);
}

TEST_F(DialogAndExit, WhileTheDialogIsUpWhatWouldOpenAWindowBringsTheDialogForward) {
  int menusWhileOpen = 0;
  desk.ScriptModal([&] {
    desk.ClickIcon(win::WmLButtonDblClk);
    desk.ScriptMenu(kOpenPanel);
    desk.ClickIcon(win::WmRButtonDown);  // the icon's menu stays reachable
    desk.ScriptMenu(kOpenSettings);
    desk.ClickIcon(win::WmRButtonDown);
    menusWhileOpen = static_cast<int>(desk.Menus().size());
    EXPECT_FALSE(PanelShown()) << "a panel the user could not use";
    EXPECT_EQ(desk.ModalDepth(), 1) << "no second dialog";
    EXPECT_EQ(desk.Active(), dialog().hWnd());
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(menusWhileOpen, 2);
  EXPECT_TRUE(desk.Errors().empty());
  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_TRUE(PanelShown()) << "and once it is closed the panel opens again";
}

struct OkCase {
  Flag flagBefore;
  std::int16_t check;
  Flag flagAfter;
  bool topmostAfter;
  std::size_t switches;
};

class DialogOk : public DialogAndExit, public ::testing::WithParamInterface<OkCase> {};

TEST_P(DialogOk, AppliesTheCheckBoxToTheBadgeAndTheFlag) {
  const OkCase c = GetParam();
  m.FrontFlag = c.flagBefore;
  const Rect place = Bounds(badge().hWnd());
  desk.ScriptModal([&] {
    EXPECT_EQ(dialog().Check1.Value(), c.flagBefore == kTrue ? 1 : 0);
    dialog().Check1.SetValue(c.check);
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(m.FrontFlag, c.flagAfter);
  EXPECT_EQ(Window(badge().hWnd()).topmost, c.topmostAfter);
  const auto switches = api.CallsNamed("SetWindowPos");
  ASSERT_EQ(switches.size(), c.switches);
  for (const auto& call : switches) EXPECT_EQ(call.args[0], badge().hWnd()) << "only the badge";
  EXPECT_EQ(Bounds(badge().hWnd()), place) << "the switch keeps the place";
  EXPECT_FALSE(program.Form3Loaded());
}

INSTANTIATE_TEST_SUITE_P(
    CheckValues, DialogOk,
    ::testing::Values(OkCase{kTrue, 0, kFalse, false, 1}, OkCase{kFalse, 1, kTrue, true, 1},
                      OkCase{kTrue, 1, kTrue, true, 1},  // untouched: applied again
                      OkCase{kTrue, 2, kTrue, true, 0},  // grayed: nothing changes
                      OkCase{kFalse, 2, kFalse, true, 0}));

TEST_F(DialogAndExit, TheLinkOpensThePageOncePerPressOrSaysWhyNotAndTheCloseBoxChangesNothing) {
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().Check1.hWnd());  // unchecks, never confirmed
    const HWnd go = dialog().UserControl11.Command1.hWnd();
    for (int press = 0; press < 3; ++press) desk.ClickControl(go);
    faults.refusedUrl = tk::Error::FileNotFound;
    desk.ClickControl(go);
    EXPECT_EQ(desk.Errors().size(), 1u) << "a navigation that fails is reported";
    EXPECT_TRUE(DialogShown());
    EXPECT_EQ(dialog().Check1.Value(), 0) << "the box keeps its state";
    desk.RequestClose(dialog().hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(desk.Urls(), std::vector<std::string>(3, std::string(kHomePage)));
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_TRUE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(api.CountOf("SetWindowPos"), 0u);
  EXPECT_FALSE(program.Form3Loaded());
}

// ------------------------------------------------------------ exit

TEST_F(DialogAndExit, ExitRemovesTheIconWritesTheFileHidesAllAndEnds) {
  DragBadge(-60, 20);  // to (-12, 50) px
  api.ClearCalls();
  std::optional<std::string> fileWhenIconRemoved = std::string("unset");
  api.OnCall("Shell_NotifyIconA", [&] { fileWhenIconRemoved = Ini(); });
  Command(kExit);

  ASSERT_EQ(api.CallNames(), (std::vector<std::string>{"Shell_NotifyIconA"}));
  EXPECT_EQ(api.Calls()[0].args[0], win::NimDelete);
  EXPECT_EQ(FromAnsiForm(*api.Calls()[0].record).hWnd, panel().hWnd());
  EXPECT_EQ(fileWhenIconRemoved, kSettings) << "icon first, then file";
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(Ini(), "-180,750\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_FALSE(Window(badge().hWnd()).visible);
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(program.Form3Loaded()) << "hiding the dialog loads it";
  EXPECT_FALSE(Window(dialog().hWnd()).visible);
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_TRUE(program.Ended());
  EXPECT_EQ(files.List(kFolder).size(), 1u) << "no temporary file left";
}

TEST_F(DialogAndExit, ExitWritesThePanelPlaceOfTheLastCloseNotOfNow) {
  Command(kOpenPanel);
  MovePanelTo(100, 50);
  desk.ClickControl(panel().Command2.hWnd());  // Close: remembers (1500, 750)
  Command(kOpenPanel);
  MovePanelTo(300, 300);  // open and moved, not closed
  Command(kExit);
  EXPECT_EQ(Ini(), "720,450\r\n1500,750\r\n#TRUE#\r\n");
}

TEST_F(DialogAndExit, ExitChosenWhileTheDialogIsUpEndsItsLoopAndKeepsTheOldFlag) {
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().Check1.hWnd());  // not confirmed
    desk.ScriptMenu(kExit);
    desk.ClickIcon(0x204);
  });
  Command(kOpenSettings);  // returns only once the dialog's loop is over
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_EQ(desk.ModalDepth(), 0);
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_EQ(Ini(), kSettings);
  EXPECT_FALSE(DialogShown());
  EXPECT_FALSE(Window(badge().hWnd()).visible);
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(DialogAndExit, TheSessionsEndSavesAsTheExitDoesAndShowsNothing) {
  DragBadge(-60, 20);
  desk.EndSession();
  EXPECT_EQ(Ini(), "-180,750\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_FALSE(program.Form3Loaded()) << "nothing else is loaded on the way out";
}

TEST_F(DialogAndExit, ASessionsEndThatCannotWriteEndsSilentlyKeepingTheOldFile) {
  files.SetReadOnlyFolder(kFolder);
  desk.EndSession();
  EXPECT_EQ(Ini(), kSettings);
  EXPECT_TRUE(desk.Errors().empty()) << "no message box holds up the shutdown";
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(desk.EndCount(), 1);
}

}  // namespace
}  // namespace rn::testing
