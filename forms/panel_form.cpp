#include "forms/panel_form.h"

#include "app/program.h"
#include "tray/command_menu.h"
#include "tray/tray_icon.h"

namespace rn {

Form2::Form2(Program& p) : tk::Form(p, layout::kForm2), p_(p) {
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  Text1.GotFocus = [this] { Text1_GotFocus(); };
  PMenuSET.Click = [this](std::int16_t index) { PMenuSET_Click(index); };
}

void Form2::Command1_Click() {
  Text1.SetText("");
  Text1.SetFocus();
}

void Form2::Command2_Click() {
  Text1.SetFocus();
  p_.module1.PanelLeft = Left();
  p_.module1.PanelTop = Top();
  SetVisible(false);
}

void Form2::Form_GotFocus() { Text1.SetFocus(); }

// Whatever was typed is scratch: it goes every time the box gets the focus.
void Form2::Text1_GotFocus() { Text1.SetText(""); }

void Form2::Form_MouseMove(const tk::MouseArgs& args) { OnTrayMessage(p_, args); }

void Form2::Form_QueryClose() { Command2_Click(); }

void Form2::PMenuSET_Click(std::int16_t index) { RunMenuCommand(p_, index); }

}  // namespace rn
