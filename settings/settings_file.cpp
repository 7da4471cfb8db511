#include "settings/settings_file.h"

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "settings/settings_text.h"

namespace rn {

std::string SettingsPath(Program& p) { return p.AppPath() + "\\RN.ini"; }

namespace {

// The panel's place is left to CentrePanel, after the badge is on screen.
void ApplyDefaults(Program& p, tk::ResumeNext& next) {
  next([&] { p.Form1().SetLeft(0); });
  next([&] { p.Form1().SetTop(0); });
  next([&] { p.module1.FrontFlag = kTrue; });
}

void ReadValues(Program& p, tk::ResumeNext& next, std::int16_t file, float& windowLeft,
                float& windowTop) {
  Module1& m = p.module1;
  // Each value is stored the moment it is read, so a unit that fails half-way
  // keeps what it had read.
  next([&] {
    tk::TextReader& in = p.Files().Input(file);
    SkipByteOrderMark(in);
    windowLeft = ReadPosition(in);
    windowTop = ReadPosition(in);
  });
  next([&] {
    tk::TextReader& in = p.Files().Input(file);
    m.PanelLeft = ReadPosition(in);
    m.PanelTop = ReadPosition(in);
  });
  next([&] { m.FrontFlag = ReadFlag(p.Files().Input(file)); });
}

}  // namespace

bool LoadSettings(Program& p, tk::ResumeNext& next, float& windowLeft, float& windowTop) {
  const std::int16_t file = p.Files().FreeFile();
  next([&] { p.Files().OpenInput(file, SettingsPath(p)); });
  const bool defaults = next.LastError() != tk::Error::None;
  if (defaults) {
    ApplyDefaults(p, next);
  } else {
    ReadValues(p, next, file, windowLeft, windowTop);
  }
  next([&] { p.Files().Close(file); });
  return defaults;
}

void CentrePanel(Program& p, tk::ResumeNext& next) {
  Module1& m = p.module1;
  // The panel's size is read before the screen's: that first use loads the panel.
  next([&] {
    const double panelWidth = p.Form2().Width();
    m.PanelLeft = static_cast<float>(p.ScreenWidth() / 2.0 - panelWidth / 2.0);
  });
  next([&] {
    const double panelHeight = p.Form2().Height();
    m.PanelTop = static_cast<float>(p.ScreenHeight() / 2.0 - panelHeight / 2.0);
  });
}

void SaveSettings(Program& p) {
  tk::FileNumbers& files = p.Files();
  const Module1& m = p.module1;
  const std::int16_t file = files.FreeFile();
  files.OpenOutput(file, SettingsPath(p));
  try {
    files.PrintLine(file, FormatNumber(p.Form1().Left()) + "," + FormatNumber(p.Form1().Top()));
    files.PrintLine(file, FormatNumber(m.PanelLeft) + "," + FormatNumber(m.PanelTop));
    files.PrintLine(file, FormatFlag(m.FrontFlag));
  } catch (...) {
    files.Discard(file);
    throw;
  }
  files.Close(file);
}

}  // namespace rn
