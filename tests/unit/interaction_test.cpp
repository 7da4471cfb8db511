// What the user does after start-up, on the simulated desktop.
#include <gtest/gtest.h>

#include "forms/link_control.h"
#include "gadget_fixture.h"
#include "settings/settings_file.h"
#include "tray/command_menu.h"

namespace rn::testing {
namespace {

constexpr std::string_view kPreviousKept = "前回の設定はそのまま残ります";

int Occurrences(std::string_view text, std::string_view part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class Interaction : public GadgetTest {
 protected:
  void SetUp() override {
    StartWith("720,450\r\n3000,2000\r\n#TRUE#\r\n");
    api.ClearCalls();
  }
  bool PanelShown() { return Window(panel().hWnd()).visible; }
  bool DialogShown() { return program.Form3Loaded() && Window(dialog().hWnd()).visible; }
  // Pixel place of the panel's outer rectangle.
  Point PanelPlace() {
    const Rect r = Bounds(panel().hWnd());
    return {r.left, r.top};
  }
  // A menu choice, as the toolkit raises it.
  void Command(std::int16_t index) {
    program.Dispatch([&] { RunMenuCommand(program, index); });
  }
  void MovePanelTo(std::int32_t x, std::int32_t y) {
    Rect r = Bounds(panel().hWnd());
    desk.SetBounds(panel().hWnd(), {x, y, x + r.Width(), y + r.Height()});
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
  EXPECT_EQ(Ini(), "720,450\r\n3000,2000\r\n#TRUE#\r\n") << "nothing is written before exit";
}

TEST_F(Interaction, OtherButtonsDoNothingOnPressAndOnlyTheRightOneOnRelease) {
  desk.MouseDown(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  desk.MouseDown(badge().hWnd(), kMiddleButton, 0, 25, 25);
  desk.MouseUp(badge().hWnd(), kMiddleButton, 0, 25, 25);
  desk.MouseUp(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  EXPECT_TRUE(api.Calls().empty());
  EXPECT_TRUE(desk.Menus().empty());
  desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  ASSERT_EQ(desk.Menus().size(), 1u);
  EXPECT_EQ(desk.Menus()[0].owner, badge().hWnd());
  EXPECT_EQ(desk.Menus()[0].flags, 0u);
  EXPECT_EQ(desk.Menus()[0].captions,
            (std::vector<std::string>{"操作パネルを開く", "設定", "-", "終了"}));
}

TEST_F(Interaction, TheFirstRightReleaseLoadsTheDialogHiddenWithTheFlag) {
  m.FrontFlag = kFalse;
  EXPECT_FALSE(program.Form3Loaded());
  desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  ASSERT_TRUE(program.Form3Loaded());
  EXPECT_FALSE(Window(dialog().hWnd()).visible);
  EXPECT_EQ(dialog().Check1.Value(), 0);
  EXPECT_EQ(desk.Menus().size(), 1u);
}

TEST_F(Interaction, NoMenuFromTheBadgeWhileThePanelOrTheDialogIsUp) {
  desk.DoubleClick(badge().hWnd());
  ASSERT_TRUE(PanelShown());
  desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  EXPECT_TRUE(desk.Menus().empty());

  panel().SetVisible(false);
  dialog().SetVisible(true);  // as if open; the modal loop is tested below
  desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  EXPECT_TRUE(desk.Menus().empty());
}

TEST_F(Interaction, ADoubleClickOpensThePanelAndPutsAMovedOneBack) {
  desk.DoubleClick(badge().hWnd(), 25, 25);
  ASSERT_TRUE(PanelShown());
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));  // 3000, 2000 twips
  MovePanelTo(500, 500);
  desk.DoubleClick(badge().hWnd(), 25, 25);
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
  EXPECT_EQ(m.PanelLeft, 3000) << "only Close remembers a place";
}

TEST_F(Interaction, ACloseRequestToTheBadgeLeavesItAndTheIconInPlace) {
  const HWnd before = badge().hWnd();
  ASSERT_TRUE(desk.PressAltF4(before));
  EXPECT_EQ(badge().hWnd(), before);
  EXPECT_TRUE(Window(before).visible);
  EXPECT_EQ(api.CountOf("Shell_NotifyIconA"), 0u) << "start-up does not run again";
}

TEST_F(Interaction, ClicksOutsideTheOutlineNeverReachTheBadge) {
  const Rect r = Bounds(badge().hWnd());
  EXPECT_NE(desk.WindowFromPoint({r.left + 2, r.top + 2}), badge().hWnd());
  EXPECT_EQ(desk.WindowFromPoint({r.left + 25, r.top + 25}), badge().hWnd());
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

  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
  MovePanelTo(10, 10);
  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
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

TEST_F(Interaction, IconMessagesReachTheHiddenPanel) {
  ASSERT_FALSE(PanelShown());
  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_TRUE(PanelShown());
}

// ------------------------------------------------------------ the menu

TEST_F(Interaction, MenuChoicesFromTheBadgeReachTheCommands) {
  desk.ScriptMenu(kOpenPanel);
  desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
}

TEST_F(Interaction, TheSeparatorAndUnknownIndexesDoNothing) {
  for (const int index : {-1, 2, 4, 100}) Command(static_cast<std::int16_t>(index));
  EXPECT_FALSE(PanelShown());
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_EQ(desk.EndCount(), 0);
  EXPECT_TRUE(api.Calls().empty());
}

TEST_F(Interaction, OpenPanelCommandPutsAMovedPanelBack) {
  Command(kOpenPanel);
  MovePanelTo(700, 600);
  Command(kOpenPanel);
  EXPECT_EQ(PanelPlace(), (Point{200, 133}));
}

TEST_F(Interaction, SettingsCommandShowsTheDialogModallyUntilOK) {
  bool sawDialog = false;
  desk.ScriptModal([&] {
    sawDialog = DialogShown();
    EXPECT_FALSE(Window(badge().hWnd()).enabled) << "the other windows wait";
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_TRUE(sawDialog);
  EXPECT_FALSE(program.Form3Loaded()) << "OK unloads the dialog";
  EXPECT_TRUE(Window(badge().hWnd()).enabled);
  EXPECT_TRUE(Window(panel().hWnd()).enabled);
  EXPECT_NE(desk.Active(), 0u) << "the activation stays with the gadget";
  EXPECT_EQ(desk.ModalDepth(), 0);
}

TEST_F(Interaction, ASecondSettingsRequestBringsTheOpenDialogForward) {
  int menusWhileOpen = 0;
  desk.ScriptModal([&] {
    desk.ScriptMenu(kOpenSettings);
    desk.ClickIcon(win::WmRButtonDown);  // the icon's menu stays reachable
    menusWhileOpen = static_cast<int>(desk.Menus().size());
    EXPECT_EQ(desk.ModalDepth(), 1) << "no second dialog";
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(menusWhileOpen, 1);
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(Interaction, WhileTheDialogIsUpOpeningThePanelBringsTheDialogForward) {
  desk.ScriptModal([&] {
    desk.ClickIcon(win::WmLButtonDblClk);
    desk.ScriptMenu(kOpenPanel);
    desk.ClickIcon(win::WmRButtonDown);
    EXPECT_FALSE(PanelShown()) << "a panel the user could not use";
    EXPECT_EQ(desk.Active(), dialog().hWnd());
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_TRUE(desk.Errors().empty());
  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_TRUE(PanelShown()) << "and once it is closed the panel opens again";
}

// ------------------------------------------------------------ exit

TEST_F(Interaction, ExitRemovesTheIconWritesTheFileHidesAllAndEnds) {
  desk.ScriptDrag(-60, 20);
  desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);  // to (-12, 50) px
  api.ClearCalls();
  std::optional<std::string> fileWhenIconRemoved = std::string("unset");
  api.OnCall("Shell_NotifyIconA", [&] { fileWhenIconRemoved = Ini(); });
  Command(kExit);

  ASSERT_EQ(api.CallNames(), (std::vector<std::string>{"Shell_NotifyIconA"}));
  EXPECT_EQ(api.Calls()[0].args[0], win::NimDelete);
  EXPECT_EQ(FromAnsiForm(*api.Calls()[0].record).hWnd, panel().hWnd());
  EXPECT_EQ(fileWhenIconRemoved, "720,450\r\n3000,2000\r\n#TRUE#\r\n") << "icon first, then file";
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(Ini(), "-180,750\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_FALSE(Window(badge().hWnd()).visible);
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(program.Form3Loaded()) << "hiding the dialog loads it";
  EXPECT_FALSE(Window(dialog().hWnd()).visible);
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_TRUE(program.Ended());
  EXPECT_EQ(files.List("C:\\Program Files\\Ravik N").size(), 1u) << "no temporary file left";
}

TEST_F(Interaction, ExitWritesThePanelPlaceOfTheLastCloseNotOfNow) {
  Command(kOpenPanel);
  MovePanelTo(100, 50);
  desk.ClickControl(panel().Command2.hWnd());  // Close: remembers (1500, 750)
  Command(kOpenPanel);
  MovePanelTo(300, 300);  // open and moved, not closed
  Command(kExit);
  EXPECT_EQ(Ini(), "720,450\r\n1500,750\r\n#TRUE#\r\n");
}

TEST_F(Interaction, TheNextStartRestoresWhatExitWrote) {
  desk.ScriptDrag(100, 100);
  desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  m.FrontFlag = kFalse;
  Command(kExit);

  sim::World next;
  next.files().PutFile(kIniPath, *Ini());
  Program again(next.desktop(), next.api(), next.files());
  again.Start();
  EXPECT_EQ(next.desktop().Find(again.Form1().hWnd())->bounds, (Rect{148, 130, 198, 180}));
  EXPECT_FALSE(next.desktop().Find(again.Form1().hWnd())->topmost);
  EXPECT_EQ(again.module1.PanelLeft, 3000);
  EXPECT_EQ(again.module1.PanelTop, 2000);
}

TEST_F(Interaction, AnUnwritableFileIsReportedTheOldOneKeptAndTheExitFinished) {
  // Each fault in turn on a world of its own.
  struct Fault {
    const char* name;
    std::function<void(sim::SimFiles&)> apply;
    bool oldFileReadable;  // the report promises only what it could see
  };
  const Fault faults[] = {
      {"read-only folder",
       [](sim::SimFiles& f) { f.SetReadOnlyFolder("C:\\Program Files\\Ravik N"); }, true},
      {"disk full", [](sim::SimFiles& f) { f.DiskFullAfter(10); }, true},
      {"commit fails", [](sim::SimFiles& f) { f.FailNextCommit(); }, true},
      {"file locked", [](sim::SimFiles& f) { f.Lock(kIniPath); }, false},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    sim::World w;
    const std::string old = "720,450\r\n3000,2000\r\n#TRUE#\r\n";
    w.files().PutFile(kIniPath, old);
    Program p(w.desktop(), w.api(), w.files());
    p.Start();
    w.desktop().ScriptDrag(50, 50);
    w.desktop().MouseDown(p.Form1().hWnd(), tk::kLeftButton, 0, 25, 25);
    fault.apply(w.files());
    p.Dispatch([&] { RunMenuCommand(p, kExit); });
    w.files().ClearFaults();
    EXPECT_EQ(w.files().GetFile(kIniPath), old) << "byte for byte";
    ASSERT_EQ(w.desktop().Errors().size(), 1u);
    const std::string& report = w.desktop().Errors()[0];
    EXPECT_EQ(Occurrences(report, kIniPath), 1) << "names the file once: " << report;
    EXPECT_NE(report.find("Run-time error"), std::string::npos) << "and why";
    EXPECT_EQ(report.find(kPreviousKept) != std::string::npos, fault.oldFileReadable) << report;
    EXPECT_EQ(w.desktop().EndCount(), 1) << "the user can still end the gadget";
    EXPECT_TRUE(w.desktop().Icons().empty());
    EXPECT_EQ(w.files().List("C:\\Program Files\\Ravik N").size(), 1u) << "no temporary file";
  }
}

TEST(ExitWithoutAPreviousFile, TheReportDoesNotPromiseOne) {
  for (const bool folderOfThatName : {false, true}) {
    SCOPED_TRACE(folderOfThatName ? "a folder of the file's name" : "no file");
    sim::World w;
    if (folderOfThatName) {
      w.files().MakeFolder(kIniPath);
    } else {
      w.files().SetReadOnlyFolder("C:\\Program Files\\Ravik N");
    }
    Program p(w.desktop(), w.api(), w.files());
    p.Start();
    p.Dispatch([&] { RunMenuCommand(p, kExit); });
    ASSERT_EQ(w.desktop().Errors().size(), 1u);
    const std::string& report = w.desktop().Errors()[0];
    EXPECT_EQ(report.find(kPreviousKept), std::string::npos) << report;
    EXPECT_EQ(Occurrences(report, kIniPath), 1) << report;
    EXPECT_EQ(w.desktop().EndCount(), 1) << "the exit still ends";
    EXPECT_TRUE(w.desktop().Icons().empty());
  }
}

TEST_F(Interaction, ExitChosenWhileTheDialogIsUpEndsItsLoopAndKeepsTheOldFlag) {
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().Check1.hWnd());  // not confirmed
    desk.ScriptMenu(kExit);
    desk.ClickIcon(0x204);
  });
  Command(kOpenSettings);  // returns only once the dialog's loop is over
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_EQ(desk.ModalDepth(), 0);
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_EQ(Ini(), "720,450\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_FALSE(DialogShown());
  EXPECT_FALSE(Window(badge().hWnd()).visible);
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(Interaction, TheSessionsEndSavesAsTheExitDoesAndShowsNothing) {
  desk.ScriptDrag(-60, 20);
  desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  desk.EndSession();
  EXPECT_EQ(Ini(), "-180,750\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(desk.EndCount(), 1);
  EXPECT_FALSE(program.Form3Loaded()) << "nothing else is loaded on the way out";
}

TEST_F(Interaction, ASessionsEndThatCannotWriteEndsSilentlyKeepingTheOldFile) {
  files.SetReadOnlyFolder("C:\\Program Files\\Ravik N");
  desk.EndSession();
  EXPECT_EQ(Ini(), "720,450\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_TRUE(desk.Errors().empty()) << "no message box holds up the shutdown";
  EXPECT_TRUE(desk.Icons().empty());
  EXPECT_EQ(desk.EndCount(), 1);
}

// ------------------------------------------------------------ the panel

TEST_F(Interaction, TheTextBoxIsEmptiedWheneverItGetsTheFocus) {
  Command(kOpenPanel);
  EXPECT_EQ(desk.Focused(), panel().Text1.hWnd()) << "the panel opens with the focus in the box";
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

TEST_F(Interaction, ComingBackToThePanelEmptiesTheBoxWhereTheFocusReturns) {
  Command(kOpenPanel);
  desk.Type(panel().Text1.hWnd(), "abc");
  desk.MouseDown(badge().hWnd(), tk::kRightButton, 0, 25, 25);  // the badge takes the activation
  ASSERT_EQ(desk.Active(), badge().hWnd());
  desk.MouseDown(panel().hWnd(), tk::kLeftButton, 0, 5, 5);  // and the panel takes it back
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

TEST_F(Interaction, CloseRemembersThePlaceForEveryWayOfOpening) {
  Command(kOpenPanel);
  MovePanelTo(40, 60);
  desk.ClickControl(panel().Command2.hWnd());
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(m.PanelLeft, 600);
  EXPECT_EQ(m.PanelTop, 900);
  for (const auto& open : std::vector<std::function<void()>>{
           [&] { desk.DoubleClick(badge().hWnd()); },
           [&] { desk.ClickIcon(win::WmLButtonDblClk); },
           [&] { Command(kOpenPanel); },
       }) {
    panel().SetVisible(false);
    open();
    EXPECT_EQ(PanelPlace(), (Point{40, 60}));
  }
}

TEST_F(Interaction, ThePanelsCloseBoxActsLikeCloseAndKeepsItLoaded) {
  Command(kOpenPanel);
  MovePanelTo(80, 90);
  const HWnd before = panel().hWnd();
  desk.RequestClose(panel().hWnd());
  EXPECT_EQ(panel().hWnd(), before);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(m.PanelLeft, 1200);
  desk.ClickIcon(win::WmLButtonDblClk);
  EXPECT_TRUE(PanelShown()) << "the icon's messages still arrive";
}

// ------------------------------------------------------------ the dialog

struct OkCase {
  Flag flagBefore;
  std::int16_t check;
  Flag flagAfter;
  bool topmostAfter;
  std::size_t switches;
};

class DialogOk : public Interaction, public ::testing::WithParamInterface<OkCase> {};

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

TEST_F(Interaction, ClosingTheDialogByItsCloseBoxChangesNothing) {
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().Check1.hWnd());  // unchecks
    desk.RequestClose(dialog().hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_TRUE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(api.CountOf("SetWindowPos"), 0u);
  EXPECT_FALSE(program.Form3Loaded());
}

TEST_F(Interaction, TheLinkOpensTheHomePageOncePerPressAndChangesNothingElse) {
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().Check1.hWnd());
    const HWnd go = dialog().UserControl11.Command1.hWnd();
    desk.ClickControl(go);
    desk.ClickControl(go);
    desk.ClickControl(go);
    EXPECT_TRUE(DialogShown());
    EXPECT_EQ(dialog().Check1.Value(), 0) << "the box keeps its state";
    desk.RequestClose(dialog().hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(desk.Urls(), std::vector<std::string>(3, std::string(kHomePage)));
  EXPECT_EQ(m.FrontFlag, kTrue);
}

TEST_F(Interaction, AFailedNavigationIsReportedAndTheDialogStaysUsable) {
  desk.FailOpenUrl(tk::Error::FileNotFound);
  desk.ScriptModal([&] {
    desk.ClickControl(dialog().UserControl11.Command1.hWnd());
    EXPECT_TRUE(DialogShown());
    desk.ClickControl(dialog().Command1.hWnd());
  });
  Command(kOpenSettings);
  EXPECT_EQ(desk.Errors().size(), 1u);
  EXPECT_FALSE(program.Form3Loaded());
}

// ------------------------------------------------------------ leaks

TEST_F(Interaction, ManyCyclesOfEveryActionLeakNothing) {
  const sim::LiveCounts start = world.Live();
  for (int i = 0; i < 200; ++i) {
    desk.DoubleClick(badge().hWnd());
    desk.ClickControl(panel().Command2.hWnd());
    desk.ScriptMenu(-1);
    desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25);
    desk.ScriptMenu(-1);
    desk.ClickIcon(win::WmRButtonDown);
    desk.ScriptModal([&] { desk.ClickControl(dialog().Command1.hWnd()); });
    Command(kOpenSettings);
  }
  ASSERT_FALSE(program.Form3Loaded()) << "the last OK unloaded the dialog";
  EXPECT_EQ(world.Live(), start);
}

}  // namespace
}  // namespace rn::testing
