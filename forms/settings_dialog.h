// The settings dialog: the always-on-top check box, the about information and
// the home-page link.
#pragma once

#include "forms/layout.h"
#include "forms/link_control.h"
#include "platform/toolkit.h"

namespace rn {

class Program;

class Form3 : public tk::Form {
 public:
  explicit Form3(Program& p);

  tk::Frame Frame1{*this, layout::form3::Frame1};
  tk::CheckBox Check1{*this, layout::form3::Check1, &Frame1};
  tk::Frame Frame2{*this, layout::form3::Frame2};
  tk::Image Image1{*this, layout::form3::Image1, &Frame2};
  tk::Label Label1{*this, layout::form3::Label1, &Frame2};
  tk::Label Label2{*this, layout::form3::Label2, &Frame2};
  tk::Label Label4{*this, layout::form3::Label4, &Frame2};
  tk::Label Label5{*this, layout::form3::Label5, &Frame2};
  UserControl1 UserControl11{*this, layout::form3::UserControl11, &Frame2};
  tk::CommandButton Command1{*this, layout::form3::Command1};

 protected:
  void Form_Load() override;

 private:
  void Command1_Click();

  Program& p_;
};

}  // namespace rn
