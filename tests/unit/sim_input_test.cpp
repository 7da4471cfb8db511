// The simulated user, through the toolkit: focus and the tab order, clicks,
// typing, the close box, mouse messages, the notification area, popup menus,
// modal loops and the reports.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/sim/world.h"
#include "platform/toolkit.h"

namespace rn::sim {
namespace {

tk::ControlLayout Place(ControlKind kind, tk::Twips left, tk::Twips top, int tabIndex) {
  tk::ControlLayout layout;
  layout.kind = kind;
  layout.left = left;
  layout.top = top;
  layout.width = 900;
  layout.height = 300;
  layout.tabIndex = tabIndex;
  return layout;
}

tk::FormLayout Window(BorderStyle border) {
  tk::FormLayout layout;
  layout.border = border;
  layout.clientWidth = 3000;
  layout.clientHeight = 3000;
  return layout;
}

// Every event it sees goes to one log, in order.
class Dialog : public tk::Form {
 public:
  explicit Dialog(tk::Runtime& rt, BorderStyle border = BorderStyle::FixedSingle)
      : tk::Form(rt, Window(border)) {
    Watch(name, "name");
    Watch(option, "option");
    Watch(ok, "ok");
    Watch(cancel, "cancel");
    Watch(caption, "caption");
  }
  std::vector<std::string> log;
  std::vector<tk::MouseArgs> moves;
  tk::Frame frame{*this, Place(ControlKind::Frame, 0, 1000, 0)};
  tk::TextBox name{*this, Place(ControlKind::TextBox, 0, 0, 1)};
  tk::CheckBox option{*this, Place(ControlKind::CheckBox, 0, 0, 2), &frame};
  tk::CommandButton ok{*this, Place(ControlKind::CommandButton, 0, 2000, 3)};
  tk::CommandButton cancel{*this, Place(ControlKind::CommandButton, 1000, 2000, 4)};
  tk::Label caption{*this, Place(ControlKind::Label, 1000, 0, 5)};

 protected:
  void Form_GotFocus() override { log.push_back("focus form"); }
  void Form_MouseDown(const tk::MouseArgs& a) override { log.push_back(Mouse("down", a)); }
  void Form_MouseUp(const tk::MouseArgs& a) override { log.push_back(Mouse("up", a)); }
  void Form_DblClick() override { log.push_back("double"); }
  void Form_MouseMove(const tk::MouseArgs& a) override { moves.push_back(a); }

 private:
  void Watch(tk::Control& control, std::string what) {
    control.GotFocus = [this, what] { log.push_back("focus " + what); };
    control.Click = [this, what] { log.push_back("click " + what); };
  }
  static std::string Mouse(const char* what, const tk::MouseArgs& a) {
    return std::string(what) + " " + std::to_string(a.Button) + " " +
           std::to_string(static_cast<int>(a.X)) + "," + std::to_string(static_cast<int>(a.Y));
  }
};

class SimInputTest : public ::testing::Test {
 protected:
  SimInputTest() { dialog.Load(); }
  std::vector<std::string> TakeLog() { return std::exchange(dialog.log, {}); }

  World world;
  SimDesktop& desktop = world.desktop();
  tk::Runtime rt{world.desktop(), world.api()};
  Dialog dialog{rt};
};

using Log = std::vector<std::string>;

TEST_F(SimInputTest, ShowingAFormFocusesTheFirstTabStopThatCanTakeIt) {
  desktop.SetEnabled(dialog.name.hWnd(), false);
  dialog.Show();
  EXPECT_EQ(TakeLog(), Log{"focus option"});
  EXPECT_EQ(desktop.Focused(), dialog.option.hWnd());
  dialog.Show();
  EXPECT_EQ(TakeLog(), Log{}) << "already shown and active";
}

TEST_F(SimInputTest, TabFollowsTheOrderAndSkipsWhatCannotTakeTheFocus) {
  dialog.Show();
  TakeLog();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(desktop.PressTab());
  EXPECT_EQ(TakeLog(), (Log{"focus option", "focus ok", "focus cancel", "focus name"}));
  dialog.ok.SetVisible(false);
  desktop.SetEnabled(dialog.frame.hWnd(), false);
  desktop.PressTab();
  desktop.PressTab(true);
  desktop.PressTab(true);
  EXPECT_EQ(TakeLog(), (Log{"focus cancel", "focus name", "focus cancel"}));
}

TEST_F(SimInputTest, FocusIsReportedOnlyWhenItMoves) {
  dialog.Show();
  TakeLog();
  dialog.name.SetFocus();
  desktop.SetEnabled(dialog.cancel.hWnd(), false);
  dialog.cancel.SetFocus();
  EXPECT_EQ(TakeLog(), Log{});
  EXPECT_EQ(desktop.Focused(), dialog.name.hWnd());
  dialog.ok.SetFocus();
  EXPECT_EQ(TakeLog(), Log{"focus ok"});
}

TEST_F(SimInputTest, ACheckBoxTakesTheFocusThenItsNewValueThenTheClick) {
  dialog.Show();
  TakeLog();
  std::vector<int> seen;
  dialog.option.Click = [&] { seen.push_back(dialog.option.Value()); };
  EXPECT_TRUE(desktop.ClickControl(dialog.option.hWnd()));
  EXPECT_EQ(TakeLog(), Log{"focus option"});
  desktop.ClickControl(dialog.option.hWnd());
  dialog.option.SetValue(2);
  desktop.ClickControl(dialog.option.hWnd());
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 0}));
  desktop.SetEnabled(dialog.option.hWnd(), false);
  EXPECT_FALSE(desktop.ClickControl(dialog.option.hWnd()));
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_TRUE(desktop.ClickControl(dialog.caption.hWnd()));
  EXPECT_EQ(TakeLog(), Log{"click caption"}) << "a label takes no focus";
}

TEST_F(SimInputTest, LosingTheFocusedControlHandsTheFocusOnAsThePlatformDoes) {
  dialog.Show();
  TakeLog();
  dialog.name.SetVisible(false);
  EXPECT_EQ(TakeLog(), Log{"focus form"}) << "a hidden window gives the focus to its parent";
  desktop.Focus(dialog.ok.hWnd());
  desktop.SetEnabled(dialog.ok.hWnd(), false);
  EXPECT_EQ(desktop.Focused(), 0u) << "a disabled window keeps no focus";

  Dialog other(rt);
  other.Load();
  other.Show();
  EXPECT_EQ(other.log, Log{"focus name"});
  rt.Unload(other);
  EXPECT_EQ(TakeLog(), (Log{"focus ok", "focus option"}))
      << "the focus went to the next form, to its first stop still shown";
}

TEST_F(SimInputTest, TypingFocusesATextBoxAndAppends) {
  dialog.Show();
  dialog.ok.SetFocus();
  TakeLog();
  EXPECT_TRUE(desktop.Type(dialog.name.hWnd(), "Ravik"));
  EXPECT_TRUE(desktop.Type(dialog.name.hWnd(), " N"));
  EXPECT_EQ(dialog.name.Text(), "Ravik N");
  EXPECT_EQ(TakeLog(), Log{"focus name"});
  EXPECT_FALSE(desktop.Type(dialog.ok.hWnd(), "x"));
}

TEST_F(SimInputTest, TheCloseBoxUnloadsByDefaultAndABorderlessFormHasNone) {
  dialog.Show();
  EXPECT_TRUE(desktop.RequestClose(dialog.hWnd()));
  EXPECT_TRUE(dialog.Unloaded());
  EXPECT_EQ(world.Live(), LiveCounts{});
  Dialog bare(rt, BorderStyle::None);
  bare.Load();
  bare.Show();
  EXPECT_FALSE(desktop.RequestClose(bare.hWnd()));
  EXPECT_FALSE(bare.Unloaded());
}

TEST_F(SimInputTest, DoubleClickRaisesDownUpDoubleUpInClientTwips) {
  dialog.Show();
  TakeLog();
  EXPECT_TRUE(desktop.DoubleClick(dialog.hWnd(), 4, 6));
  EXPECT_EQ(TakeLog(), (Log{"down 1 60,90", "up 1 60,90", "double", "up 1 60,90"}));
  desktop.SetEnabled(dialog.hWnd(), false);
  EXPECT_FALSE(desktop.DoubleClick(dialog.hWnd()));
  EXPECT_FALSE(desktop.MouseDown(dialog.hWnd(), tk::kLeftButton, 0, 1, 1));
  EXPECT_EQ(TakeLog(), Log{});
}

TEST_F(SimInputTest, OnlyAButtonlessMoveOnTheTopRowAtAMessageNumberPassesForTheIconsCallback) {
  dialog.Show();
  desktop.PointerMove(dialog.hWnd(), 0x203, 0);
  desktop.PointerMove(dialog.hWnd(), 7, 1);
  desktop.PointerMove(dialog.hWnd(), 0x203, 0, tk::kLeftButton, 2);
  desktop.PointerMove(dialog.hWnd(), 7, 0);
  ASSERT_EQ(dialog.moves.size(), 4u);
  EXPECT_TRUE(dialog.moves[0].FromNotifyIcon);
  EXPECT_FLOAT_EQ(dialog.moves[0].X, 0x203 * 15.0f);
  EXPECT_FALSE(dialog.moves[3].FromNotifyIcon) << "column 7 is no mouse message";
  EXPECT_FALSE(dialog.moves[1].FromNotifyIcon);
  EXPECT_FLOAT_EQ(dialog.moves[1].Y, 15.0f);
  EXPECT_FALSE(dialog.moves[2].FromNotifyIcon);
  EXPECT_EQ(dialog.moves[2].Button, tk::kLeftButton);
  EXPECT_EQ(dialog.moves[2].Shift, 2);
}

class SimTrayTest : public SimInputTest {
 protected:
  NotifyRecordBytes Record(std::uint32_t flags = win::NifMessage | win::NifIcon | win::NifTip,
                           std::uint32_t id = 0) {
    NotifyIconRecord r;
    r.cbSize = kNotifyRecordBytes;
    r.hWnd = dialog.hWnd();
    r.uID = id;
    r.uFlags = flags;
    r.uCallbackMessage = win::WmMouseMove;
    r.hIcon = desktop.LoadPicture(PictureId::TrayIcon).handle;
    r.SetTip(std::u16string(u"Ravik N") + u'\0');
    return ToAnsiForm(r);
  }
  SimApi& api = world.api();
};

TEST_F(SimTrayTest, TheAreaRefusesADuplicateAddAndADeleteOfNothing) {
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimAdd, Record()), 1);
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimAdd, Record()), 0);
  EXPECT_NE(api.LastDllError(), 0u);
  ASSERT_EQ(desktop.Icons().size(), 1u);
  EXPECT_EQ(desktop.Icons()[0].tip, "Ravik N");
  EXPECT_EQ(desktop.Icons()[0].icon, desktop.LoadPicture(PictureId::TrayIcon).handle);
  EXPECT_EQ(api.Calls()[0].record, Record());
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, Record(0, 1)), 0) << "another id";
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, Record(0)), 1);
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimDelete, Record(0)), 0);
  EXPECT_TRUE(desktop.Icons().empty());
  NotifyRecordBytes shortRecord = Record();
  shortRecord[0] = 80;
  EXPECT_EQ(api.Shell_NotifyIconA(win::NimAdd, shortRecord), 0);
}

TEST_F(SimTrayTest, TheIconsMessageReachesItsHiddenOwnerEvenDuringAModalLoop) {
  api.Shell_NotifyIconA(win::NimAdd, Record());
  desktop.SetEnabled(dialog.hWnd(), false);
  EXPECT_TRUE(desktop.ClickIcon(win::WmLButtonDblClk));
  Dialog modal(rt);
  modal.Load();
  desktop.ScriptModal([&] { desktop.ClickIcon(win::WmRButtonDown); });
  desktop.ScriptModal([&] { modal.SetVisible(false); });
  modal.Show(tk::kModal);
  ASSERT_EQ(dialog.moves.size(), 2u);
  EXPECT_TRUE(dialog.moves[0].FromNotifyIcon);
  EXPECT_FLOAT_EQ(dialog.moves[0].X, 0x203 * 15.0f);
  EXPECT_EQ(dialog.moves[0].Button, 0);
  EXPECT_FLOAT_EQ(dialog.moves[0].Y, 0);
  EXPECT_FLOAT_EQ(dialog.moves[1].X, 0x204 * 15.0f);
}

TEST_F(SimTrayTest, AnIconWithoutACallbackSendsNothingAndAmbiguityIsATestError) {
  EXPECT_THROW(desktop.ClickIcon(win::WmLButtonDblClk), std::logic_error);
  api.Shell_NotifyIconA(win::NimAdd, Record(win::NifIcon));
  EXPECT_FALSE(desktop.ClickIcon(win::WmLButtonDblClk));
  api.Shell_NotifyIconA(win::NimAdd, Record(win::NifMessage, 1));
  EXPECT_THROW(desktop.ClickIcon(win::WmLButtonDblClk), std::logic_error);
  EXPECT_TRUE(desktop.ClickIcon(dialog.hWnd(), 1, win::WmLButtonDblClk));
  ASSERT_EQ(dialog.moves.size(), 1u);
  EXPECT_TRUE(dialog.moves[0].FromNotifyIcon);
  EXPECT_EQ(dialog.moves[0].Button, tk::kLeftButton) << "the id sits where the buttons go";
}

class SimMenuTest : public SimInputTest {
 protected:
  tk::MenuItemArray items{{"Open", "Settings", "-", "Exit"}};
  tk::Menu menu{"Popup", items};
  std::vector<int> chosen;
  SimMenuTest() {
    items.Click = [this](std::int16_t index) { chosen.push_back(index); };
  }
};

TEST_F(SimMenuTest, TheScriptChoosesAndNoScriptCancels) {
  desktop.ScriptMenu(3);
  dialog.PopupMenu(menu, tk::kPopupRightButton);
  dialog.PopupMenu(menu);
  EXPECT_EQ(chosen, std::vector<int>{3});
  ASSERT_EQ(desktop.Menus().size(), 2u);
  EXPECT_EQ(desktop.Menus()[0].owner, dialog.hWnd());
  EXPECT_EQ(desktop.Menus()[0].captions, items.captions());
  EXPECT_EQ(desktop.Menus()[0].flags, tk::kPopupRightButton);
  EXPECT_EQ(desktop.Menus()[1].chosen, -1);
  desktop.ScriptMenu(2);
  EXPECT_THROW(dialog.PopupMenu(menu), std::logic_error) << "a separator cannot be chosen";
  EXPECT_EQ(world.Live().menus, 0);
}

TEST_F(SimMenuTest, AMenuOpenedWhileAnotherIsOpenIsRefused) {
  desktop.ScriptMenu([&] {
    EXPECT_EQ(world.Live().menus, 1);
    desktop.ScriptMenu(0);
    dialog.PopupMenu(menu);
    return 1;
  });
  dialog.PopupMenu(menu);
  EXPECT_EQ(chosen, std::vector<int>{1});
  ASSERT_EQ(desktop.Menus().size(), 2u);
  EXPECT_TRUE(desktop.Menus()[1].refused);
  EXPECT_EQ(world.Live().menus, 0);
}

TEST_F(SimInputTest, AModalFormRunsTheScriptWhileTheOthersWait) {
  dialog.Show();
  Dialog modal(rt);
  modal.Load();
  modal.ok.Click = [&] { rt.Unload(modal); };
  bool othersWaited = false;
  desktop.ScriptModal([&] {
    othersWaited = !desktop.MouseDown(dialog.hWnd(), tk::kLeftButton, 0, 1, 1) &&
                   !desktop.ClickControl(dialog.ok.hWnd()) && desktop.ModalDepth() == 1;
  });
  desktop.ScriptModal([&] { desktop.ClickControl(modal.ok.hWnd()); });
  modal.Show(tk::kModal);
  EXPECT_TRUE(othersWaited);
  EXPECT_TRUE(modal.Unloaded());
  EXPECT_EQ(desktop.PendingModal(), 0u);
  EXPECT_TRUE(desktop.CanTakeInput(dialog.ok.hWnd()));
}

TEST_F(SimInputTest, AModalLoopWithNothingScriptedThrowsInsteadOfWaitingForever) {
  EXPECT_THROW(dialog.Show(tk::kModal), std::logic_error);
  EXPECT_EQ(desktop.ModalDepth(), 0);
  Dialog modal(rt);
  modal.Load();
  rt.Dispatch([&] { modal.Show(tk::kModal); });
  ASSERT_EQ(desktop.Errors().size(), 1u);
  EXPECT_NE(desktop.Errors()[0].find("RunModalLoop"), std::string::npos);
}

TEST_F(SimInputTest, ReportsUrlsAndTheEndAreRecorded) {
  tk::Hyperlink link(desktop);
  link.NavigateTo("https://example.org/ravik", "about");
  EXPECT_EQ(desktop.Urls(), std::vector<std::string>{"https://example.org/ravik#about"});
  desktop.FailOpenUrl(tk::Error::FileNotFound);
  try {
    link.NavigateTo("https://example.org/");
    ADD_FAILURE() << "the browser was told to fail";
  } catch (const tk::RuntimeError& e) {
    EXPECT_EQ(e.error(), tk::Error::FileNotFound);
  }
  rt.Dispatch([] { throw tk::RuntimeError(tk::Error::DiskFull); });
  EXPECT_EQ(desktop.Errors(),
            std::vector<std::string>{tk::RuntimeError(tk::Error::DiskFull).what()});
  bool after = false;
  rt.Dispatch([&] {
    rt.End();
    after = true;
  });
  EXPECT_EQ(desktop.EndCount(), 1);
  EXPECT_FALSE(after);
  EXPECT_TRUE(rt.Ended());
}

}  // namespace
}  // namespace rn::sim
