#include "tray/tray_icon.h"

#include <cmath>
#include <string>

#include "app/program.h"
#include "forms/panel_form.h"
#include "platform/rounding.h"
#include "tray/command_menu.h"

namespace rn {

void AddTrayIcon(Program& p, tk::ResumeNext& next) {
  NotifyIconRecord& data = p.module1.TrayIconData;
  next([&] { data.cbSize = kNotifyRecordBytes; });
  next([&] { data.hWnd = p.Form2().hWnd(); });
  next([&] { data.uID = 0; });
  next([&] { data.uFlags = win::NifMessage | win::NifIcon | win::NifTip; });
  next([&] { data.uCallbackMessage = win::WmMouseMove; });
  next([&] { data.hIcon = p.Form2().Image1.Picture().handle; });
  next([&] { data.SetTip(std::u16string(kTrayTip) + u'\0'); });
  next([&] { p.api().Shell_NotifyIconA(win::NimAdd, ToAnsiForm(data)); });
}

void RemoveTrayIcon(Program& p) {
  p.api().Shell_NotifyIconA(win::NimDelete, ToAnsiForm(p.module1.TrayIconData));
}

// The toolkit made x as message × factor and rounded it to whole twips, at most
// half a twip away. Dividing by the factor itself, with that half twip given
// back, finds the message at every scale; rounding a fractional factor (7.5 at
// 192 dpi) would not. For a whole factor this is the plain integer division,
// truncated toward zero.
std::int32_t DecodeTrayMessage(tk::Twips x, tk::Twips twipsPerPixel) {
  if (twipsPerPixel == 0) throw tk::RuntimeError(tk::Error::DivisionByZero);
  const std::int32_t twips = tk::RoundToInt32(x);
  const double magnitude = (std::abs(static_cast<double>(twips)) + 0.5) / twipsPerPixel;
  const std::int32_t message = tk::RoundToInt32(std::trunc(magnitude));
  return twips < 0 ? -message : message;
}

void OnTrayMessage(Program& p, const tk::MouseArgs& args) {
  if (!args.FromNotifyIcon) return;
  switch (DecodeTrayMessage(args.X, p.TwipsPerPixelX())) {
    case win::WmLButtonDblClk: OpenPanel(p); break;
    case win::WmRButtonDown: p.Form2().PopupMenu(p.Form2().PMenu, tk::kPopupRightButton); break;
    default: break;
  }
}

}  // namespace rn
