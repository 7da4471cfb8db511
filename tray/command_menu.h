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
// While the settings dialog holds the gadget modally, it is brought forward instead.
void OpenPanel(Program& p);

// Most users never choose "終了": they shut down or sign out. The session's end
// removes the icon and writes the settings as the exit does, but shows nothing,
// so as not to hold up the shutdown; a file that cannot be written stays as it was.
void EndSession(Program& p);

}  // namespace rn
