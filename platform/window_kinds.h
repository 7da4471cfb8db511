// What each kind of window does, told once for the toolkit and both desktops,
// so that the desktops cannot come to disagree about a kind.
#pragma once

#include "platform/desktop.h"

namespace rn {

// A form, or one of the controls, in the order of ControlKind.
enum class WindowKind {
  Form,
  PictureBox,
  TextBox,
  CommandButton,
  CheckBox,
  Frame,
  Label,
  Image,
  UserControl
};

constexpr WindowKind KindOf(ControlKind kind) {
  return static_cast<WindowKind>(static_cast<int>(kind) + 1);
}

struct WindowKindFacts {
  WindowKind kind;
  bool tabStop;   // a stop in its form's tab order
  bool button;    // raises Click, and is pressed by a left click or Space
  bool standard;  // the platform's own control, which keeps the pointer's messages
  bool focusOnLeftPress;
  // A control of the toolkit's own class, which takes the focus itself; a form
  // pressed is activated instead.
  bool focusOnAnyPress;
  // The platform's static control answers its hit test with "transparent"; the
  // toolkit's frames and images are windows of its own classes, which do not.
  bool letsPointerThrough;
  bool keepsImage;  // holds an image the gadget draws on and reads back
};

const WindowKindFacts& FactsOf(WindowKind kind);

}  // namespace rn
