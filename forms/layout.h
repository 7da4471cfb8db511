// The forms and their controls as they are when loaded: one table per form.
// Lengths in twips; controls relative to their container's client area.
#pragma once

#include "platform/toolkit.h"

namespace rn::layout {

extern const tk::FormLayout kForm1;

extern const tk::FormLayout kForm2;
namespace form2 {
extern const tk::ControlLayout Command2, Command1, Text1, Picture1, Image1;
}

extern const tk::FormLayout kForm3;
namespace form3 {
extern const tk::ControlLayout Frame1, Check1, Frame2, Image1, Label1, Label2, Label4, Label5,
    UserControl11, Command1;
}

namespace user_control1 {
extern const tk::ControlLayout Command1;
}

// The command menu's entries, in order; "-" is the separator line.
extern const std::vector<std::string> kMenuCaptions;

}  // namespace rn::layout
