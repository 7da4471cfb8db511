// The operation panel: a scratch text box with "Clear" and "Close". It also
// carries the shape bitmap and the tray icon's picture, owns the command menu
// and receives the tray icon's messages, so it stays loaded for the whole run.
#pragma once

#include "forms/layout.h"
#include "platform/toolkit.h"

namespace rn {

class Program;

class Form2 : public tk::Form {
 public:
  explicit Form2(Program& p);

  tk::CommandButton Command2{*this, layout::form2::Command2};
  tk::CommandButton Command1{*this, layout::form2::Command1};
  tk::TextBox Text1{*this, layout::form2::Text1};
  tk::PictureBox Picture1{*this, layout::form2::Picture1};
  tk::Image Image1{*this, layout::form2::Image1};
  tk::MenuItemArray PMenuSET{layout::kMenuCaptions};
  tk::Menu PMenu{"", PMenuSET};

 protected:
  void Form_GotFocus() override;
  void Form_MouseMove(const tk::MouseArgs& args) override;
  // The panel's close box acts like "Close": the form must stay loaded.
  void Form_QueryClose() override;

 private:
  void Command1_Click();
  void Command2_Click();
  void Text1_GotFocus();
  void PMenuSET_Click(std::int16_t index);

  Program& p_;
};

}  // namespace rn
