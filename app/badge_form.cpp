#include "app/badge_form.h"

#include "app/program.h"
#include "app/shape.h"
#include "forms/layout.h"
#include "forms/panel_form.h"
#include "forms/settings_dialog.h"
#include "settings/settings_file.h"
#include "settings/topmost.h"
#include "tray/command_menu.h"
#include "tray/tray_icon.h"

namespace rn {

Form1::Form1(Program& p) : tk::Form(p, layout::kForm1), p_(p) {}

void Form1::Form_Load() {
  tk::ResumeNext next;
  float windowLeft = 0;
  float windowTop = 0;
  const bool defaults = LoadSettings(p_, next, windowLeft, windowTop);
  // The switch also shows the window: from here on it is placed, sized, painted
  // and shaped on screen.
  next([&] {
    if (p_.module1.FrontFlag == kTrue) {
      SetTopmost(p_.api(), hWnd());
    } else {
      ClearTopmost(p_.api(), hWnd());
    }
  });
  // Creating the hidden panel is work nobody sees: it waits until the badge is.
  if (defaults) CentrePanel(p_, next);
  {
    // The shown badge is placed and sized in one change: each change of a shown
    // window costs a round of messages and a redraw (a millisecond under Wine).
    tk::Form::BoundsBatch bounds(*this);
    next([&] { SetLeft(windowLeft); });
    next([&] { SetTop(windowTop); });
    SizeToPicture(next);
  }
  PaintAndShape(next);
  AddTrayIcon(p_, next);
  next([&] { SetVisible(true); });
}

// After a read file this first use loads the panel, inside its own unit: a panel
// the platform cannot make ends that step alone.
tk::PictureBox& Form1::Picture1() { return p_.Form2().Picture1; }

void Form1::SizeToPicture(tk::ResumeNext& next) {
  next([&] { Picture1().SetScaleMode(tk::kScaleTwips); });
  next([&] { SetHeight(Picture1().Height()); });
  next([&] { SetWidth(Picture1().Width()); });
}

void Form1::PaintAndShape(tk::ResumeNext& next) {
  next([&] { Picture1().SetScaleMode(tk::kScalePixels); });
  // The outline is cut from the badge as drawn, counted in its pixels.
  next([&] { SetScaleMode(tk::kScalePixels); });
  next([&] { SetPicture(Picture1().Picture()); });
  ApplyShape(p_, next);
}

// On a monitor of another scale the picture is drawn again at that scale, and
// the outline cut again from what is drawn, the way start-up did it.
void Form1::Form_DpiChanged() {
  tk::ResumeNext next;
  {
    tk::Form::BoundsBatch size(*this);
    SizeToPicture(next);
  }
  PaintAndShape(next);
}

void Form1::Form_MouseDown(const tk::MouseArgs& args) {
  if (args.Button != tk::kLeftButton) return;
  // As if the caption had been pressed: the window manager moves the window
  // until the button goes up.
  p_.api().ReleaseCapture();
  p_.api().SendMessageA(hWnd(), win::WmNcLButtonDown, win::HtCaption, 0);
}

void Form1::Form_MouseUp(const tk::MouseArgs& args) {
  if (args.Button != tk::kRightButton) return;
  const bool panelShown = p_.Form2().Visible();
  const bool dialogShown = p_.Form3().Visible();
  if (panelShown || dialogShown) return;
  PopupMenu(p_.Form2().PMenu);
}

void Form1::Form_DblClick() { OpenPanel(p_); }

void Form1::Form_SessionEnd() { EndSession(p_); }

}  // namespace rn
