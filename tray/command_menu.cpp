#include "tray/command_menu.h"

#include "app/form1.h"
#include "app/program.h"
#include "forms/form2.h"
#include "forms/form3.h"
#include "settings/settings_file.h"
#include "tray/tray_icon.h"

namespace rn {

void OpenPanel(Program& p) {
  Form2& panel = p.Form2();
  panel.SetLeft(p.module1.PanelLeft);
  panel.SetTop(p.module1.PanelTop);
  panel.Show();
}

namespace {

void OpenSettings(Program& p) {
  // The tray icon's menu stays reachable while the dialog is up; a second
  // request brings the open dialog forward instead of stacking another.
  Form3& dialog = p.Form3();
  if (dialog.Visible()) {
    dialog.ZOrder();
    return;
  }
  dialog.Show(tk::kModal);
}

// A settings file that cannot be written must not keep the user from ending
// the gadget: they hear why, the previous file stays as it was, and the exit goes on.
void SaveSettingsOrReport(Program& p) {
  try {
    SaveSettings(p);
  } catch (const tk::RuntimeError& e) {
    p.desktop().ReportError("設定を保存できませんでした。前回の設定はそのまま残ります。\n" +
                            SettingsPath(p) + "\n" + e.what());
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

void RunMenuCommand(Program& p, std::int16_t index) {
  switch (index) {
    case kOpenPanel: OpenPanel(p); break;
    case kOpenSettings: OpenSettings(p); break;
    case kExit: Exit(p); break;
    default: break;
  }
}

}  // namespace rn
