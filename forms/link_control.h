// The home-page link: one button that opens the author's page in the browser.
#pragma once

#include <string_view>

#include "forms/layout.h"
#include "platform/toolkit.h"

namespace rn {

inline constexpr std::string_view kHomePage = "http://www.example.com/ravik-n/";

class UserControl1 : public tk::UserControl {
 public:
  UserControl1(tk::Form& form, const tk::ControlLayout& layout, tk::Control* container);

  tk::CommandButton Command1;

 private:
  void Command1_Click();
};

}  // namespace rn
