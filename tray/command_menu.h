// The command menu's four entries, carried out for whichever window showed it.
#pragma once

#include <cstdint>

namespace rn {

class Program;

enum MenuCommand : std::int16_t {
  kOpenPanel = 0,
  kOpenSettings = 1,
  kSeparator = 2,
  kExit = 3,
};

void RunMenuCommand(Program& p, std::int16_t index);

// Shows the operation panel at its remembered place, moving it back there if it
// is already open: the double-clicks on the badge and on the icon do this too.
void OpenPanel(Program& p);

}  // namespace rn
