// The settings file "\RN.ini" beside the executable: read once at start-up,
// written once at exit.
#pragma once

#include <string>

#include "platform/errors.h"

namespace rn {

class Program;

std::string SettingsPath(Program& p);

// Runs inside the start-up sequence and under its resume-next mode: takes a file
// number first, then opens the file and either reads the three lines or, when
// the open fails, applies the defaults. The floating window's position goes to
// `windowLeft`/`windowTop`, which are left alone by a read that fails.
// True when the defaults were applied: all but the panel's place, which is
// CentrePanel's, so that the panel need not be created before the badge shows.
[[nodiscard]] bool LoadSettings(Program& p, tk::ResumeNext& next, float& windowLeft,
                                float& windowTop);

// The panel's default place, centred on the screen (half twips kept); creates
// the panel, hidden, if it is not there yet.
void CentrePanel(Program& p, tk::ResumeNext& next);

// Writes the floating window's present position, the remembered panel position
// and the flag. The file is replaced only as a whole: a failure raises its
// run-time error and leaves the previous file as it was.
void SaveSettings(Program& p);

}  // namespace rn
