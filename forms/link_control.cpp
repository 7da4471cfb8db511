#include "forms/link_control.h"

#include <string>

namespace rn {

UserControl1::UserControl1(tk::Form& form, const tk::ControlLayout& layout, tk::Control* container)
    : tk::UserControl(form, layout, container),
      Command1(form, layout::user_control1::Command1, this) {
  Command1.Click = [this] { Command1_Click(); };
}

void UserControl1::Command1_Click() {
  const std::unique_ptr<tk::Hyperlink> link = GetHyperlink();
  link->NavigateTo(std::string(kHomePage), "", "");
}

}  // namespace rn
