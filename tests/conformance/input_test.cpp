// The user at the keyboard and the pointer: where the focus arrives and goes,
// the tab order, presses and clicks, typing, keys that press nothing, the close
// box, and what a pointer move tells.
#include <algorithm>

#include "platform/toolkit.h"
#include "tests/conformance/conformance.h"

namespace rn::conformance {
namespace {

// A dialog whose controls are made in another order than the tab order, which
// alone counts; the picture box takes the focus when pressed but has no tab stop.
class DesktopFocus : public DesktopTest {
 protected:
  DesktopFocus() {
    ok = Control(dialog, "ok", ControlKind::CommandButton, {10, 150, 90, 175}, "OK");
    frame = Control(dialog, "frame", ControlKind::Frame, {10, 60, 200, 120}, "frame");
    option = Control(frame, "option", ControlKind::CheckBox, {10, 20, 150, 40}, "option");
    name = Control(dialog, "name", ControlKind::TextBox, {10, 10, 200, 35});
    cancel = Control(dialog, "cancel", ControlKind::CommandButton, {100, 150, 180, 175}, "Cancel");
    label = Control(dialog, "label", ControlKind::Label, {220, 10, 290, 30}, "label");
    box = Control(dialog, "box", ControlKind::PictureBox, {220, 60, 260, 100});
    panel = Control(dialog, "panel", ControlKind::UserControl, {200, 120, 290, 190});
    inPanel = Control(panel, "link", ControlKind::CommandButton, {5, 5, 80, 30}, "link");
    desktop.SetTabOrder(dialog, {name, option, ok, cancel});
  }
  void ShowDialog() {
    desktop.SetVisible(dialog, true);
    TakeLog();
  }
  HWnd Other() {
    const HWnd other = Form("other", Request(BorderStyle::FixedSingle, 200, 100));
    desktop.SetBounds(other, {500, 300, 706, 429});
    const HWnd button = Control(other, "button", ControlKind::CommandButton, {10, 10, 90, 35});
    desktop.SetTabOrder(other, {button});
    return other;
  }

  HWnd dialog = Form("dialog", Request(BorderStyle::FixedSingle, 300, 200));
  HWnd ok, frame, option, name, cancel, label, box, panel, inPanel;
};

using DesktopKeys = DesktopFocus;
using DesktopPointer = DesktopTest;

TEST_F(DesktopFocus, ShowingAFormFocusesItsFirstStopThatCanTakeIt) {
  desktop.SetEnabled(name, false);
  desktop.SetVisible(dialog, true);
  EXPECT_EQ(TakeLog(), Log{"option focus"});
  EXPECT_EQ(user.Focus(), option);
  desktop.SetVisible(dialog, true);
  EXPECT_EQ(TakeLog(), Log{}) << "already shown and active";

  Shown("badge", {400, 400, 450, 450});
  EXPECT_EQ(TakeLog(), Log{"badge focus"}) << "a form without stops takes the focus itself";
}

TEST_F(DesktopFocus, TabFollowsTheTabOrderAndSkipsWhatCannotTakeTheFocus) {
  ShowDialog();
  for (int i = 0; i < 4; ++i) user.Press(Key::Tab);
  EXPECT_EQ(TakeLog(), (Log{"option focus", "ok focus", "cancel focus", "name focus"}));
  desktop.SetVisible(ok, false);
  desktop.SetEnabled(frame, false);
  user.Press(Key::Tab);
  user.Press(Key::ShiftTab);
  user.Press(Key::ShiftTab);
  EXPECT_EQ(TakeLog(), (Log{"cancel focus", "name focus", "cancel focus"}));
}

TEST_F(DesktopFocus, FocusIsReportedOnlyWhenItMoves) {
  ShowDialog();
  desktop.SetFocus(name);
  desktop.SetEnabled(cancel, false);
  desktop.SetFocus(cancel);
  EXPECT_EQ(TakeLog(), Log{});
  EXPECT_EQ(user.Focus(), name);
  desktop.SetFocus(ok);
  EXPECT_EQ(TakeLog(), Log{"ok focus"});
}

TEST_F(DesktopFocus, OnlyADisabledWindowRefusesTheFocusAHiddenOneTakesIt) {
  ShowDialog();
  desktop.SetVisible(cancel, false);
  desktop.SetFocus(cancel);
  EXPECT_EQ(user.Focus(), cancel);
  const HWnd other = Other();
  desktop.SetFocus(Control(other, "hidden", ControlKind::CommandButton, {10, 50, 90, 75}));
  EXPECT_FALSE(desktop.IsVisible(other));
  EXPECT_EQ(TakeLog(), (Log{"cancel focus", "button focus", "hidden focus"}))
      << "its form is activated first, though hidden";
  desktop.SetEnabled(frame, false);
  desktop.SetFocus(option);
  EXPECT_EQ(TakeLog(), Log{});
}

TEST_F(DesktopFocus, APressFocusesButtonsBoxesAndPictureBoxesButALabelIsTheFormBelow) {
  ShowDialog();
  user.ClickControl(ok);
  EXPECT_EQ(TakeLog(), (Log{"ok focus", "ok click"}));
  user.ClickControl(inPanel);
  EXPECT_EQ(TakeLog(), (Log{"link focus", "link click"})) << "wherever it is nested";
  user.ClickControl(label);
  EXPECT_EQ(TakeLog(), (Log{"dialog down 1/0 255,20", "dialog up 1/0 255,20"}));
  EXPECT_EQ(user.Focus(), inPanel) << "a press on a label leaves the focus where it was";
  user.ClickControl(box);
  EXPECT_EQ(TakeLog(), (Log{"box focus", "box down 1/0 20,20", "box up 1/0 20,20"}));
  user.Click(box, {3, 4}, 2);
  EXPECT_EQ(TakeLog(), (Log{"box down 2/0 3,4", "box up 2/0 3,4"}));
}

TEST_F(DesktopFocus, ACheckBoxTakesTheFocusThenItsNewValueThenTheClick) {
  ShowDialog();
  std::vector<std::int32_t> seen;
  Of(option).whenClicked = [&] { seen.push_back(desktop.GetCheck(option)); };
  user.ClickControl(option);
  EXPECT_EQ(TakeLog(), (Log{"option focus", "option click"}));
  user.ClickControl(option);
  desktop.SetCheck(option, 2);
  EXPECT_EQ(desktop.GetCheck(option), 2);
  user.ClickControl(option);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 0, 0})) << "a grey box turns unchecked";
  desktop.SetEnabled(option, false);
  TakeLog();
  user.ClickControl(option);
  EXPECT_EQ(TakeLog(), (Log{"frame down 1/0 80,30", "frame up 1/0 80,30"}))
      << "a disabled control's press goes to the window below it";
  EXPECT_EQ(desktop.GetCheck(option), 0);
}

TEST_F(DesktopFocus, AHiddenFocusHandsItToTheParentAndADisabledOneToNobody) {
  ShowDialog();
  desktop.SetVisible(name, false);
  EXPECT_EQ(TakeLog(), Log{"dialog focus"});
  EXPECT_EQ(user.Focus(), dialog);
  desktop.SetFocus(ok);
  desktop.SetEnabled(ok, false);
  EXPECT_EQ(user.Focus(), 0u);
  EXPECT_EQ(TakeLog(), Log{"ok focus"});
}

// Changes with the focus fix: today both desktops put the focus back quietly.
TEST_F(DesktopFocus, ComingBackToAFormPutsTheFocusWhereItWasAndSaysSo) {
  ShowDialog();
  user.ClickControl(cancel);
  const HWnd other = Other();
  desktop.SetVisible(other, true);
  EXPECT_EQ(TakeLog(), (Log{"cancel focus", "cancel click", "button focus"}));

  user.ClickCaption(dialog);
  EXPECT_EQ(TakeLog(), Log{"cancel focus"});
  EXPECT_EQ(user.Focus(), cancel);
  user.ClickCaption(other);
  EXPECT_EQ(TakeLog(), Log{"button focus"});
  desktop.SetVisible(other, false);
  EXPECT_EQ(TakeLog(), Log{"cancel focus"}) << "the form in front went away";
  EXPECT_EQ(user.Focus(), cancel);
}

TEST_F(DesktopFocus, AFormShownAgainOrLeftWithoutAFocusStartsAtItsFirstStop) {
  ShowDialog();
  desktop.SetFocus(ok);
  desktop.SetVisible(dialog, false);
  desktop.SetVisible(dialog, true);
  EXPECT_EQ(TakeLog(), (Log{"ok focus", "name focus"}));

  desktop.SetVisible(name, false);
  const HWnd other = Other();
  desktop.SetVisible(other, true);
  desktop.SetVisible(other, false);
  EXPECT_EQ(TakeLog(), (Log{"dialog focus", "button focus", "option focus"}));
}

TEST_F(DesktopKeys, TypingGoesToTheEndOfTheTextBox) {
  ShowDialog();
  desktop.SetFocus(ok);
  desktop.SetText(name, "設定");
  EXPECT_EQ(desktop.GetText(name), "設定");
  TakeLog();
  user.Type(name, "Ravik");
  user.Type(name, " N");
  EXPECT_EQ(desktop.GetText(name), "設定Ravik N");
  EXPECT_EQ(TakeLog(), Log{"name focus"});
  desktop.SetText(name, std::string(40000, 'x'));
  EXPECT_EQ(desktop.GetText(name).size(), 40000u) << "a text box holds any length";
}

TEST_F(DesktopKeys, SpacePressesTheFocusedButtonAndEnterAndEscapePressNothing) {
  ShowDialog();
  for (const HWnd focus : {name, ok, option}) {
    desktop.SetFocus(focus);
    user.Press(Key::Enter);
    user.Press(Key::Escape);
  }
  EXPECT_EQ(TakeLog(), (Log{"ok focus", "option focus"}));
  EXPECT_EQ(desktop.GetCheck(option), 0);
  user.Press(Key::Space);
  desktop.SetFocus(ok);
  user.Press(Key::Space);
  EXPECT_EQ(TakeLog(), (Log{"option click", "ok focus", "ok click"}));
  EXPECT_EQ(desktop.GetCheck(option), 1);
  EXPECT_TRUE(desktop.IsVisible(dialog));
}

TEST_F(DesktopKeys, TheCloseBoxAndAltF4AskTheFormAndLeaveItWhereItIs) {
  ShowDialog();
  EXPECT_TRUE(user.ClickCloseBox(dialog));
  EXPECT_EQ(TakeLog(), Log{"dialog close"});
  EXPECT_TRUE(desktop.IsVisible(dialog));

  FormWindowSpec noBox = Request(BorderStyle::FixedSingle, 100, 50);
  noBox.closeBox = false;
  const HWnd bare = Form("bare", noBox);
  desktop.SetBounds(bare, {500, 300, 606, 379});
  desktop.SetVisible(bare, true);
  EXPECT_FALSE(user.ClickCloseBox(bare));
  EXPECT_FALSE(user.ClickCloseBox(Shown("badge", {400, 400, 450, 450})));
  user.ClickCaption(bare);
  TakeLog();
  user.Press(Key::AltF4);
  EXPECT_EQ(TakeLog(), Log{"bare close"}) << "Alt+F4 even without a close box";
  EXPECT_TRUE(desktop.IsVisible(bare));

  tk::Runtime rt(desktop, api, desktop.Files());
  tk::FormLayout layout;
  layout.clientWidth = 3000;
  layout.clientHeight = 1500;
  tk::Form plain(rt, layout);
  plain.Load();
  plain.SetLeft(9000);
  plain.Show();
  const HWnd gone = plain.hWnd();
  EXPECT_TRUE(user.ClickCloseBox(gone));
  EXPECT_TRUE(plain.Unloaded()) << "a form of the toolkit unloads by default";
  EXPECT_EQ(desktop.GetBounds(gone), Rect{});
}

TEST_F(DesktopPointer, ADoubleClickIsDownUpDoubleUpAndADisabledFormHearsNothing) {
  const HWnd form = Shown("form", {100, 100, 160, 160});
  TakeLog();
  user.DoubleClick(form, {4, 6});
  EXPECT_EQ(TakeLog(),
            (Log{"form down 1/0 4,6", "form up 1/0 4,6", "form double", "form up 1/0 4,6"}));
  desktop.SetEnabled(form, false);
  user.DoubleClick(form, {4, 6});
  user.Click(form, {4, 6}, 2);
  EXPECT_EQ(TakeLog(), Log{});
}

TEST_F(DesktopPointer, PressesTellTheButtonAndTheShiftKeys) {
  const HWnd form = Shown("form", {100, 100, 160, 160});
  TakeLog();
  user.Click(form, {7, 9}, 2, 3);
  user.Click(form, {1, 2}, 4);
  EXPECT_EQ(TakeLog(),
            (Log{"form down 2/3 7,9", "form up 2/3 7,9", "form down 4/0 1,2", "form up 4/0 1,2"}));
}

bool Moved(const std::vector<MouseInput>& moves, std::int32_t x, std::int32_t y,
           std::int16_t button, bool fromIcon) {
  return std::ranges::any_of(moves, [&](const MouseInput& m) {
    return m.x == x && m.y == y && m.button == button && m.fromNotifyIcon == fromIcon;
  });
}

TEST_F(DesktopPointer, OnlyAButtonlessMoveOnTheTopRowAtAMessageNumberLooksLikeTheIcon) {
  const HWnd form = Shown("form", {100, 300, 700, 350});
  user.MovePointer(form, {win::WmLButtonDblClk, 0});
  user.MovePointer(form, {7, 1});
  user.MovePointer(form, {7, 0});
  const std::vector<MouseInput>& moves = Of(form).moves;
  EXPECT_TRUE(Moved(moves, win::WmLButtonDblClk, 0, 0, true));
  EXPECT_TRUE(Moved(moves, 7, 1, 0, false));
  EXPECT_TRUE(Moved(moves, 7, 0, 0, false)) << "7 is no mouse message";
  user.Drag(form, {5, 5}, {win::WmLButtonDblClk - 5, -5});
  EXPECT_TRUE(Moved(moves, win::WmLButtonDblClk, 0, 1, false)) << "a button is held";
}

}  // namespace
}  // namespace rn::conformance
