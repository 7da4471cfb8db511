// What runs inside the desktop's loops: a modal form and the forms it keeps
// disabled, popup menus, the notification icon's messages, the error report,
// the end of the program and the browser.
#include <algorithm>

#include "platform/toolkit.h"
#include "tests/conformance/conformance.h"

namespace rn::conformance {
namespace {

using DesktopModal = DesktopTest;
using DesktopMenu = DesktopTest;
using DesktopNotifyIcon = DesktopTest;
using DesktopReports = DesktopTest;

class Counted : public tk::Form {
 public:
  Counted(tk::Runtime& rt, tk::Twips left) : tk::Form(rt, Layout()) {
    Load();
    SetLeft(left);
    ok.Click = [this] { ++clicks; };
  }
  int presses = 0;
  int clicks = 0;
  tk::CommandButton ok{*this, Button()};

 protected:
  void Form_MouseDown(const tk::MouseArgs&) override { ++presses; }

 private:
  static tk::FormLayout Layout() {
    tk::FormLayout layout;
    layout.clientWidth = 3000;
    layout.clientHeight = 1500;
    return layout;
  }
  static tk::ControlLayout Button() {
    tk::ControlLayout layout;
    layout.kind = ControlKind::CommandButton;
    layout.caption = "OK";
    layout.left = layout.top = 150;
    layout.width = 1200;
    layout.height = 375;
    layout.tabIndex = 0;
    return layout;
  }
};

TEST_F(DesktopModal, AModalFormKeepsTheOthersFromTheUserUntilItGoes) {
  tk::Runtime rt(desktop, api, desktop.Files());
  Counted main(rt, 0);
  Counted modal(rt, 6000);
  main.Show();
  modal.ok.Click = [&] { rt.Unload(modal); };
  bool mainEnabled = true;
  user.DuringModal([&] {
    mainEnabled = user.IsEnabled(main.hWnd());
    user.Click(main.hWnd(), {150, 80});
    user.ClickControl(main.ok.hWnd());
  });
  user.DuringModal([&] { user.ClickControl(modal.ok.hWnd()); });
  modal.Show(tk::kModal);
  EXPECT_TRUE(modal.Unloaded());
  EXPECT_FALSE(mainEnabled);
  EXPECT_EQ(main.presses, 0);
  EXPECT_EQ(main.clicks, 0);
  EXPECT_TRUE(user.IsEnabled(main.hWnd()));
  const HWnd focus = user.Focus();
  EXPECT_TRUE(focus == main.hWnd() || focus == main.ok.hWnd()) << "the activation comes back";
  user.ClickControl(main.ok.hWnd());
  EXPECT_EQ(main.clicks, 1);
}

TEST_F(DesktopMenu, TheChosenItemComesBackAndACancelledMenuGivesNone) {
  const HWnd owner = Shown("owner", {100, 100, 200, 200});
  const std::vector<std::string> captions{"一", "-", "二", "三"};
  user.AnswerMenu(2);
  EXPECT_EQ(desktop.TrackPopupMenu(owner, captions, 2), 2);
  EXPECT_EQ(user.LastMenuShown(), captions);
  user.AnswerMenu(3);
  EXPECT_EQ(desktop.TrackPopupMenu(owner, captions, 0), 3);
  user.AnswerMenu(-1);
  EXPECT_EQ(desktop.TrackPopupMenu(owner, captions, 0), -1);
  EXPECT_EQ(desktop.TrackPopupMenu(owner, captions, 0), -1) << "nobody answers: cancelled";
}

NotifyRecordBytes Record(HWnd owner, Handle icon, std::uint32_t id = 0) {
  NotifyIconRecord r;
  r.cbSize = kNotifyRecordBytes;
  r.hWnd = owner;
  r.uID = id;
  r.uFlags = win::NifMessage | win::NifIcon | win::NifTip;
  r.uCallbackMessage = win::WmMouseMove;
  r.hIcon = icon;
  r.SetTip(u"Ravik N");
  return ToAnsiForm(r);
}

bool HasMove(const std::vector<MouseInput>& moves, std::int32_t x) {
  return std::ranges::any_of(moves, [&](const MouseInput& m) {
    return m.fromNotifyIcon && m.x == x && m.y == 0 && m.button == 0;
  });
}

TEST_F(DesktopNotifyIcon, ItsMessagesReachTheOwnerHiddenDisabledOrBehindAModalLoop) {
  const HWnd owner = Form("owner", Request(BorderStyle::FixedToolWindow, 100, 50));
  const NotifyRecordBytes record = Record(owner, desktop.LoadPicture(PictureId::TrayIcon).handle);
  ASSERT_EQ(api.Shell_NotifyIconA(win::NimAdd, record), 1);
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimAdd, record), 0) << "one icon per owner and id";
  desktop.SetEnabled(owner, false);
  user.NotifyIconMessage(owner, 0, win::WmLButtonDblClk);
  bool done = false;
  user.DuringModal([&] {
    user.NotifyIconMessage(owner, 0, win::WmRButtonDown);
    done = true;
  });
  desktop.RunModalLoop([&] { return done; });
  user.Settle();
  EXPECT_TRUE(HasMove(Of(owner).moves, win::WmLButtonDblClk));
  EXPECT_TRUE(HasMove(Of(owner).moves, win::WmRButtonDown));
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, Record(owner, 0, 1)), 0) << "another id";
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, record), 1);
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, record), 0) << "nothing left to delete";
}

// The window cannot tell which icon a message is from: that of identifier 0 is
// the icon's, any other comes as a pointer move with its buttons held.
TEST_F(DesktopNotifyIcon, AnotherIconsMessageLooksLikeAMoveWithAButtonHeld) {
  const HWnd owner = Form("owner", Request(BorderStyle::FixedToolWindow, 100, 50));
  const NotifyRecordBytes record =
      Record(owner, desktop.LoadPicture(PictureId::TrayIcon).handle, 1);
  ASSERT_EQ(api.Shell_NotifyIconA(win::NimAdd, record), 1);
  user.NotifyIconMessage(owner, 1, win::WmLButtonDblClk);
  EXPECT_TRUE(std::ranges::any_of(Of(owner).moves, [](const MouseInput& m) {
    return !m.fromNotifyIcon && m.button == 1 && m.x == win::WmLButtonDblClk;
  }));
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, record), 1);
}

TEST_F(DesktopReports, AHandlersErrorIsReportedAndTheEndIsAskedOfTheDesktop) {
  tk::Runtime rt(desktop, api, desktop.Files());
  rt.Dispatch([] { throw tk::RuntimeError(tk::Error::FileNotFound, "x.ini"); });
  EXPECT_EQ(user.Reports(),
            std::vector<std::string>{tk::RuntimeError(tk::Error::FileNotFound, "x.ini").what()});
  bool after = false;
  rt.Dispatch([&] {
    rt.End();
    after = true;
  });
  EXPECT_EQ(user.EndRequests(), 1);
  EXPECT_FALSE(after);
  EXPECT_TRUE(rt.Ended());
}

TEST_F(DesktopReports, AnAddressNothingCanOpenIsARunTimeErrorNamingIt) {
  const std::string missing = user.Folder() + "\\no\\such\\page.html";
  try {
    desktop.OpenUrl(missing);
    ADD_FAILURE() << "opened " << missing;
  } catch (const tk::RuntimeError& e) {
    EXPECT_TRUE(e.error() == tk::Error::FileNotFound || e.error() == tk::Error::PathNotFound)
        << e.what();
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
}

}  // namespace
}  // namespace rn::conformance
