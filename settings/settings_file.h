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
void LoadSettings(Program& p, tk::ResumeNext& next, float& windowLeft, float& windowTop);

// Writes the floating window's present position, the remembered panel position
// and the flag. The file is replaced only as a whole: a failure raises its
// run-time error and leaves the previous file as it was.
void SaveSettings(Program& p);

}  // namespace rn
