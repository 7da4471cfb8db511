// What each kind of control does, told once for the toolkit and both desktops,
// so that the desktops cannot come to disagree about a kind.
#pragma once

#include "platform/desktop.h"

namespace rn {

struct ControlKindFacts {
  ControlKind kind;
  bool tabStop;   // a stop in its form's tab order
  bool button;    // raises Click, and is pressed by a left click or Space
  bool standard;  // the platform's own control, which keeps the pointer's messages
  bool focusOnLeftPress;
  bool focusOnAnyPress;  // a window of the toolkit's own class, which takes the focus itself
  // The platform's static control answers its hit test with "transparent"; the
  // toolkit's frames and images are windows of its own classes, which do not.
  bool letsPointerThrough;
};

const ControlKindFacts& FactsOf(ControlKind kind);

}  // namespace rn
