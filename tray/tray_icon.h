// The gadget's one notification-area icon: added at start-up, removed at exit,
// its mouse messages delivered to the operation panel's window.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/errors.h"
#include "platform/toolkit.h"

namespace rn {

class Program;

inline constexpr std::u16string_view kTrayTip = u"Ravik N";

// Fills the record field by field, each a step of the start-up's resume-next
// mode, and adds the icon.
void AddTrayIcon(Program& p, tk::ResumeNext& next);
void RemoveTrayIcon(Program& p);

// The mouse message the icon reported: the toolkit delivered it as a pointer
// x coordinate in twips. Every x of one pixel column gives that column's number.
std::int32_t DecodeTrayMessage(tk::Twips x, tk::Twips twipsPerPixel);

// The panel's MouseMove: a double-click on the icon opens the panel, a right
// press opens the command menu. Pointer moves over the panel itself are not the
// icon's and do nothing.
void OnTrayMessage(Program& p, const tk::MouseArgs& args);

}  // namespace rn
