#include "forms/settings_dialog.h"

#include "app/badge_form.h"
#include "app/program.h"
#include "settings/topmost.h"

namespace rn {
Form3::Form3(Program& p) : tk::Form(p, layout::kForm3), p_(p) {
  Command1.Click = [this] { Command1_Click(); };
}

void Form3::Form_Load() { Check1.SetValue(p_.module1.FrontFlag == kTrue ? kChecked : kUnchecked); }

// A grayed box (2) changes neither the window nor the flag; the dialog closes all the same.
void Form3::Command1_Click() {
  if (Check1.Value() == kChecked) {
    SetTopmost(p_.api(), p_.Form1().hWnd());
    p_.module1.FrontFlag = kTrue;
  } else if (Check1.Value() == kUnchecked) {
    ClearTopmost(p_.api(), p_.Form1().hWnd());
    p_.module1.FrontFlag = kFalse;
  }
  p_.Unload(*this);
}

}  // namespace rn
