// Pictures: the shipped artwork, loaded once, and the persistent images of
// forms and picture boxes, drawn again whenever their size or scale changes.
#include "platform/picture_decoder.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/world.h"

namespace rn::sim {

Picture SimDesktop::LoadPicture(PictureId id) {
  if (const Picture* loaded = Found(pictures_, id)) return *loaded;
  const std::filesystem::path& dir = world_.options().artDirectory;
  Picture picture;
  if (id == PictureId::ShapeBitmap) {
    const art::Image image = art::DecodeBmp(art::ReadFileBytes(dir / "badge.bmp"));
    picture = {world_.gdi().AddPicture(image), image.width, image.height};
  } else {
    const char* file = id == PictureId::TrayIcon ? "tray.ico" : "dialog.ico";
    const art::Image image = art::DecodeIco(art::ReadFileBytes(dir / file));
    picture = {world_.gdi().AddIcon(image), image.width, image.height};
  }
  pictures_.emplace(id, picture);
  return picture;
}

void SimDesktop::Repaint(WindowState& w) {
  const Rect client = GetClientRect(w.handle);
  world_.gdi().PaintPictureDc(w.pictureDc, client.Width(), client.Height(), kPictureBoxBack,
                              w.picture.handle, Dpi(w.handle));
}

void SimDesktop::SetPicture(HWnd hwnd, const Picture& picture) {
  WindowState* w = W(hwnd);
  if (!w) return;
  w->picture = picture;
  if (w->pictureDc != 0) Repaint(*w);
}

Handle SimDesktop::PictureDC(HWnd hwnd) {
  WindowState* w = W(hwnd);
  if (!w || !FactsOf(w->kind).keepsImage) return 0;
  if (w->pictureDc == 0) {
    w->pictureDc = world_.gdi().AddPictureDc();
    Repaint(*w);
  }
  return w->pictureDc;
}

}  // namespace rn::sim
