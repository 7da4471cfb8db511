#include "tray/command_menu.h"

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "forms/settings_dialog.h"
#include "settings/settings_file.h"
#include "tray/tray_icon.h"

namespace rn {

namespace {

// The dialog is only ever shown modally, so on screen it holds the gadget: what
// would open another window of it brings the dialog forward instead.
bool BroughtDialogForward(Program& p) {
  if (!p.Form3Loaded() || !p.Form3().Visible()) return false;
  p.Form3().ZOrder();
  return true;
}

}  // namespace

void OpenPanel(Program& p) {
  // A panel shown now could not be used until the dialog closes.
  if (BroughtDialogForward(p)) return;
  Form2& panel = p.Form2();
  panel.SetLeft(p.module1.PanelLeft);
  panel.SetTop(p.module1.PanelTop);
  panel.Show();
}

namespace {

void OpenSettings(Program& p) {
  // The tray icon's menu stays reachable while the dialog is up; a second
  // request must not stack another.
  if (BroughtDialogForward(p)) return;
  p.Form3().Show(tk::kModal);
}

// The write replaces the file in one step, so after a failure whatever file was
// there is still whole; say so only when there is one to read.
bool PreviousSettingsRemain(Program& p) {
  tk::FileNumbers& files = p.Files();
  const std::int16_t file = files.FreeFile();
  try {
    files.OpenInput(file, SettingsPath(p));
  } catch (const tk::RuntimeError&) {
    return false;
  }
  files.Close(file);
  return true;
}

// A settings file that cannot be written must not keep the user from ending
// the gadget: they hear why, naming the file once, and the exit goes on.
void SaveSettingsOrReport(Program& p) {
  try {
    SaveSettings(p);
  } catch (const tk::RuntimeError& e) {
    const std::string path = SettingsPath(p);
    std::string message = "設定を保存できませんでした。";
    if (PreviousSettingsRemain(p)) message += "前回の設定はそのまま残ります。";
    // The file system's own errors already name the file.
    const std::string reason = e.what();
    if (reason.find(path) == std::string::npos) message += "\n" + path;
    p.ReportError(message + "\n" + reason);
  }
}

void Exit(Program& p) {
  RemoveTrayIcon(p);
  SaveSettingsOrReport(p);
  p.Form1().SetVisible(false);
  p.Form2().SetVisible(false);
  p.Form3().SetVisible(false);
  p.End();
}

}  // namespace

void EndSession(Program& p) {
  RemoveTrayIcon(p);
  try {
    SaveSettings(p);
  } catch (const std::exception&) {
    // Nothing may wait for the user now; the previous file stays as it was.
  }
  p.End();
}

void RunMenuCommand(Program& p, std::int16_t index) {
  switch (index) {
    case kOpenPanel: OpenPanel(p); break;
    case kOpenSettings: OpenSettings(p); break;
    case kExit: Exit(p); break;
    default: break;
  }
}

}  // namespace rn
