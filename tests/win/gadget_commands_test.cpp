// The menu's commands on real windows: the settings dialog in the toolkit's
// modal loop, the operation panel's buttons, and the exit with its settings file.
#include <gtest/gtest.h>

#include "gadget_win_fixture.h"

namespace rn::win32::gadget {
namespace {

constexpr const char* kSettings = "720,450\r\n3000,2000\r\n#TRUE#\r\n";

class Commands : public GadgetWinTest {
 protected:
  void SetUp() override { StartWith(kSettings); }
  LRESULT CheckState() { return ::SendMessageW(H(dialog().Check1.hWnd()), BM_GETCHECK, 0, 0); }
  void Type(const std::wstring& text) {
    for (const wchar_t c : text) ::PostMessageW(H(panel().Text1.hWnd()), WM_CHAR, c, 1);
    Drain();
  }
  std::string Text() { return TextOf(H(panel().Text1.hWnd())); }
};

// ------------------------------------------------------------ the dialog

TEST_F(Commands, OkAppliesTheCheckBoxToTheBadgeInBothDirections) {
  LRESULT shownChecked = -1;
  bool badgeEnabledWhileUp = true;
  Then([&] { return DialogShown(); },
       [&] {
         shownChecked = CheckState();
         badgeEnabledWhileUp = ::IsWindowEnabled(H(badge().hWnd()));
         Click(dialog().Check1.hWnd());
       });
  Then([&] { Click(dialog().Command1.hWnd()); });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_EQ(shownChecked, BST_CHECKED) << "the box shows the flag";
  EXPECT_FALSE(badgeEnabledWhileUp) << "the dialog is modal";
  EXPECT_FALSE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kFalse);
  EXPECT_FALSE(program.Form3Loaded()) << "OK unloads the dialog";
  EXPECT_TRUE(::IsWindowEnabled(H(badge().hWnd())));
  EXPECT_TRUE(::IsWindowEnabled(H(panel().hWnd())));
  EXPECT_TRUE(Shown(badge().hWnd())) << "out of the band, still on screen";

  Then([&] { return DialogShown(); },
       [&] {
         shownChecked = CheckState();
         Click(dialog().Check1.hWnd());
       });
  Then([&] { Click(dialog().Command1.hWnd()); });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_EQ(shownChecked, BST_UNCHECKED) << "a fresh dialog reads the new flag";
  EXPECT_TRUE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{48, 30, 98, 80})) << "the switch keeps the place";
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(Commands, TheDialogsCloseBoxChangesNothing) {
  Then([&] { return DialogShown(); },
       [&] {
         Click(dialog().Check1.hWnd());
         ::PostMessageW(H(dialog().hWnd()), WM_CLOSE, 0, 0);
       });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_TRUE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_TRUE(::IsWindowEnabled(H(badge().hWnd())));
}

TEST_F(Commands, TheIconsMenuChoosingSettingsAgainKeepsTheOneDialog) {
  HWND first = nullptr;
  bool stillShown = false;
  Then([&] { return DialogShown(); },
       [&] {
         first = H(dialog().hWnd());
         menuKeys = {VK_DOWN, VK_DOWN, VK_RETURN};  // "設定"
         IconMessage(WM_RBUTTONDOWN);
       });
  // The choice is carried out before the menu's call returns.
  Then([&] { return menus.size() == 1 && OpenMenu() == nullptr; },
       [&] {
         stillShown = DialogShown() && H(dialog().hWnd()) == first;
         Click(dialog().Command1.hWnd());
       });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_TRUE(stillShown);
  EXPECT_TRUE(desktop.ReportedErrors().empty()) << "no second modal showing";
  EXPECT_FALSE(program.Form3Loaded());
}

TEST_F(Commands, TheKeyboardAloneCanUncheckAndPressOk) {
  HWND first = nullptr;
  Then([&] { return DialogShown() && ::GetFocus() == H(dialog().Check1.hWnd()); },
       [&] {
         first = ::GetFocus();
         PostKey(first, VK_SPACE);
         PostKey(first, VK_TAB);
       });
  Then([&] { return ::GetFocus() != first; },
       [&] {
         EXPECT_EQ(::GetFocus(), H(dialog().Command1.hWnd()));
         PostKey(::GetFocus(), VK_SPACE);
       });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_EQ(m.FrontFlag, kFalse);
  EXPECT_FALSE(Topmost(badge().hWnd()));
}

TEST_F(Commands, ExitWhileTheDialogIsUpEndsItsLoopAndKeepsTheOldFlag) {
  Then([&] { return DialogShown(); },
       [&] {
         Click(dialog().Check1.hWnd());  // not confirmed
         menuKeys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
         IconMessage(WM_RBUTTONDOWN);
       });
  Command(kOpenSettings);  // returns only once the dialog's loop is over
  ASSERT_TRUE(ScriptDone());
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_EQ(ini.Read(), kSettings);
  EXPECT_FALSE(DialogShown());
  EXPECT_FALSE(Shown(badge().hWnd()));
  EXPECT_FALSE(IconPresent());
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

// ------------------------------------------------------------ the panel

TEST_F(Commands, ThePanelOpensWithTheFocusInTheTextBox) {
  Command(kOpenPanel);
  Drain();
  EXPECT_TRUE(Shown(panel().hWnd()));
  EXPECT_EQ(::GetFocus(), H(panel().Text1.hWnd()));
}

TEST_F(Commands, TypedTextGoesWheneverTheBoxGetsTheFocusBack) {
  Command(kOpenPanel);
  Type(L"scratch 日本");
  EXPECT_EQ(Text(), "scratch 日本");
  ::SetFocus(H(panel().Command1.hWnd()));
  EXPECT_EQ(Text(), "scratch 日本") << "leaving keeps it";
  ::SetFocus(H(panel().Text1.hWnd()));
  EXPECT_EQ(Text(), "");

  Type(L"more");
  for (int i = 0; i < 3; ++i) PostKey(::GetFocus(), VK_TAB);
  Drain();
  ASSERT_EQ(::GetFocus(), H(panel().Text1.hWnd())) << "round the panel by the keyboard";
  EXPECT_EQ(Text(), "");
}

TEST_F(Commands, ComingBackToThePanelEmptiesTheBoxWhereTheFocusReturns) {
  Command(kOpenPanel);
  Type(L"abc");
  ::SetActiveWindow(H(badge().hWnd()));
  Drain();
  ASSERT_EQ(::GetActiveWindow(), H(badge().hWnd()));
  EXPECT_EQ(Text(), "abc") << "leaving keeps it";
  ::SetActiveWindow(H(panel().hWnd()));
  Drain();
  EXPECT_EQ(::GetFocus(), H(panel().Text1.hWnd()));
  EXPECT_EQ(Text(), "") << "the focus that comes back is an arrival like any other";
}

TEST_F(Commands, ClearEmptiesTheBoxAndLeavesTheFocusInIt) {
  Command(kOpenPanel);
  Type(L"abc");
  Click(panel().Command1.hWnd());
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(::GetFocus(), H(panel().Text1.hWnd()));
  EXPECT_TRUE(Shown(panel().hWnd()));
}

TEST_F(Commands, CloseRemembersWhereThePanelWasAndHidesIt) {
  Command(kOpenPanel);
  ASSERT_EQ(PanelPlace(), (Point{200, 133}));
  MoveWindowTo(panel().hWnd(), 40, 60);
  Click(panel().Command2.hWnd());
  EXPECT_FALSE(Shown(panel().hWnd()));
  EXPECT_EQ(m.PanelLeft, 600);
  EXPECT_EQ(m.PanelTop, 900);
  IconMessage(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(Pump([&] { return Shown(panel().hWnd()); }));
  EXPECT_EQ(PanelPlace(), (Point{40, 60})) << "it opens there next time";
}

TEST_F(Commands, ThePanelsCloseBoxActsLikeCloseAndKeepsItLoaded) {
  Command(kOpenPanel);
  MoveWindowTo(panel().hWnd(), 80, 90);
  const HWnd before = panel().hWnd();
  ::PostMessageW(H(before), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !Shown(before); }));
  EXPECT_TRUE(::IsWindow(H(before)));
  EXPECT_EQ(panel().hWnd(), before);
  EXPECT_EQ(m.PanelLeft, 1200);
  EXPECT_EQ(m.PanelTop, 1350);
  IconMessage(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(Pump([&] { return Shown(before); })) << "the icon's messages still arrive";
}

// ------------------------------------------------------------ exit

TEST_F(Commands, ExitRemovesTheIconWritesTheFileHidesEverythingAndEnds) {
  MoveWindowTo(badge().hWnd(), -12, 50);
  ASSERT_TRUE(IconPresent());
  const std::vector<std::wstring> names = ini.FolderNames();
  Command(kExit);
  EXPECT_FALSE(IconPresent());
  EXPECT_FALSE(DeleteIcon()) << "already removed";
  EXPECT_EQ(ini.Read(), "-180,750\r\n3000,2000\r\n#TRUE#\r\n");
  EXPECT_EQ(ini.FolderNames(), names) << "no temporary file left";
  EXPECT_FALSE(Shown(badge().hWnd()));
  EXPECT_FALSE(Shown(panel().hWnd()));
  EXPECT_FALSE(DialogShown());
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_TRUE(program.Ended());
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(Commands, ExitWritesThePanelPlaceOfTheLastCloseAndTheConfirmedFlag) {
  // The panel closed at one place, then opened and moved elsewhere: only Close
  // remembers. The dialog took the badge out of the band.
  Command(kOpenPanel);
  MoveWindowTo(panel().hWnd(), 100, 50);
  Click(panel().Command2.hWnd());
  Command(kOpenPanel);
  MoveWindowTo(panel().hWnd(), 300, 300);
  Then([&] { return DialogShown(); },
       [&] {
         Click(dialog().Check1.hWnd());
         Click(dialog().Command1.hWnd());
       });
  Command(kOpenSettings);
  ASSERT_TRUE(ScriptDone());
  ASSERT_TRUE(Shown(panel().hWnd()));
  Command(kExit);
  EXPECT_EQ(ini.Read(), "720,450\r\n1500,750\r\n#FALSE#\r\n");
  EXPECT_FALSE(Shown(panel().hWnd()));
}

TEST_F(Commands, ExitChosenFromTheBadgesMenuEnds) {
  menuKeys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};  // "終了", past the separator
  ::PostMessageW(H(badge().hWnd()), WM_RBUTTONUP, 0, MAKELPARAM(25, 25));
  ASSERT_TRUE(Pump([&] { return desktop.EndProcessRequests() > 0; }));
  EXPECT_EQ(menus.size(), 1u);
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_EQ(ini.Read(), kSettings);
  EXPECT_FALSE(IconPresent());
}

// ------------------------------------------------------------ exit that cannot save

// Something that keeps the settings file from being replaced, for as long as it lives.
struct Fault {
  const char* name;
  std::function<std::function<void()>(const std::wstring& path)> apply;  // returns the undo
};

const Fault kFaults[] = {
    {"read-only file",
     [](const std::wstring& path) -> std::function<void()> {
       ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
       return [path] { ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); };
     }},
    {"held open without delete sharing",
     [](const std::wstring& path) -> std::function<void()> {
       const HANDLE holder =
           ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
       return [holder] { ::CloseHandle(holder); };
     }},
};

class ExitWithAFileThatCannotBeReplaced : public Commands,
                                          public ::testing::WithParamInterface<Fault> {};

TEST_P(ExitWithAFileThatCannotBeReplaced, KeepsTheOldFileReportsItAndStillEnds) {
  MoveWindowTo(badge().hWnd(), 100, 100);
  const std::vector<std::wstring> names = ini.FolderNames();
  std::function<void()> undo = GetParam().apply(ini.Path());
  Command(kExit);
  undo();
  EXPECT_EQ(ini.Read(), kSettings) << "byte for byte";
  ASSERT_EQ(desktop.ReportedErrors().size(), 1u);
  EXPECT_NE(desktop.ReportedErrors()[0].find(Narrow(ini.Path())), std::string::npos)
      << desktop.ReportedErrors()[0];
  EXPECT_EQ(desktop.EndProcessRequests(), 1) << "the user can still end the gadget";
  EXPECT_FALSE(IconPresent());
  EXPECT_FALSE(Shown(badge().hWnd()));
  EXPECT_FALSE(Shown(panel().hWnd()));
  EXPECT_EQ(ini.FolderNames(), names) << "no temporary file left";
}

TEST_F(Commands, AFolderInTheFilesPlaceIsReportedAndTheExitStillEnds) {
  ini.Remove();
  ini.MakeFolder();
  Command(kExit);
  ASSERT_EQ(desktop.ReportedErrors().size(), 1u);
  EXPECT_NE(desktop.ReportedErrors()[0].find(Narrow(ini.Path())), std::string::npos)
      << desktop.ReportedErrors()[0];
  EXPECT_EQ(::GetFileAttributesW(ini.Path().c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
      << "left as it was";
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_FALSE(IconPresent());
}

// The user reads the report in a message box, which holds the exit until it is
// acknowledged.
class ExitReportedToTheUser : public GadgetWinTest {
 protected:
  ExitReportedToTheUser() : GadgetWinTest(/*errorsToMessageBox=*/true) {}
  void SetUp() override { StartWith(kSettings); }
};

std::string StaticTexts(HWND dialog) {
  std::string texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16]{};
    ::GetClassNameW(child, name, 16);
    if (std::wstring_view(name) == L"Static") texts += TextOf(child) + "\n";
  }
  return texts;
}

TEST_F(ExitReportedToTheUser, AMessageBoxNamesTheFileAndTheExitWaitsForIt) {
  ini.SetReadOnly();
  std::string caption, text;
  int endsWhileShown = -1;
  bool badgeShownWhileShown = false;
  Then([] { return OpenMessageBox() != nullptr; },
       [&] {
         const HWND box = OpenMessageBox();
         caption = TextOf(box);
         text = StaticTexts(box);
         endsWhileShown = desktop.EndProcessRequests();
         badgeShownWhileShown = Shown(badge().hWnd());
         ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
       });
  Command(kExit);
  ASSERT_TRUE(ScriptDone());
  EXPECT_EQ(caption, "Ravik N");
  EXPECT_NE(text.find(Narrow(ini.Path())), std::string::npos) << text;
  EXPECT_EQ(endsWhileShown, 0) << "the exit waits for the user";
  EXPECT_TRUE(badgeShownWhileShown);
  EXPECT_EQ(desktop.EndProcessRequests(), 1);
  EXPECT_FALSE(Shown(badge().hWnd()));
  EXPECT_EQ(ini.Read(), kSettings);
  EXPECT_TRUE(desktop.ReportedErrors().empty()) << "shown, not recorded";
}

INSTANTIATE_TEST_SUITE_P(Faults, ExitWithAFileThatCannotBeReplaced, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                           return info.index == 0 ? std::string("ReadOnly")
                                                  : std::string("HeldOpen");
                         });

}  // namespace
}  // namespace rn::win32::gadget
