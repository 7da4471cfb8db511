// Pictures, popup menus and modal loops: the shipped artwork, loaded once, and
// the persistent images of forms and picture boxes, drawn again whenever their
// size or scale changes; menus and loops answered by the test's scripts; and
// what the shell and the system tell: URLs opened, the screen, the program's folder.
#include <stdexcept>

#include "platform/picture_decoder.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/world.h"

namespace rn::sim {
namespace {

// Counts itself in for as long as it lives, however the scope is left.
struct CountedIn {
  explicit CountedIn(int& count) : count_(++count) {}
  CountedIn(const CountedIn&) = delete;
  ~CountedIn() { --count_; }
  int& count_;
};

}  // namespace

Picture SimDesktop::LoadPicture(PictureId id) {
  if (const Picture* loaded = Found(pictures_, id)) return *loaded;
  const bool bitmap = id == PictureId::ShapeBitmap;
  const char* file = bitmap ? "badge.bmp" : id == PictureId::TrayIcon ? "tray.ico" : "dialog.ico";
  const std::vector<std::uint8_t> bytes = art::ReadFileBytes(world_.options().artDirectory / file);
  const art::Image image = bitmap ? art::DecodeBmp(bytes) : art::DecodeIco(bytes);
  const Handle h = bitmap ? world_.gdi().AddPicture(image) : world_.gdi().AddIcon(image);
  return pictures_.emplace(id, Picture{h, image.width, image.height}).first->second;
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

std::int32_t SimDesktop::TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                                        std::uint32_t flags) {
  // One popup menu at a time, and only for a window that exists.
  const bool refused = !W(owner) || live_menus_ > 0;
  menus_.push_back({owner, captions, flags, -1, refused});
  if (refused || captions.empty() || menu_script_.empty()) return -1;
  const std::size_t index = menus_.size() - 1;
  const std::function<std::int32_t()> script = std::move(menu_script_.front());
  menu_script_.pop_front();
  const CountedIn open(live_menus_);
  const std::int32_t chosen = script();
  const bool valid =
      chosen == -1 || (chosen >= 0 && static_cast<std::size_t>(chosen) < captions.size() &&
                       captions[static_cast<std::size_t>(chosen)] != "-");
  if (!valid) {
    throw std::logic_error("TrackPopupMenu: the script chose item " + std::to_string(chosen) +
                           ", which the user cannot choose from " +
                           std::to_string(captions.size()) + " items");
  }
  menus_[index].chosen = chosen;
  return chosen;
}

void SimDesktop::RunModalLoop(const std::function<bool()>& done) {
  const CountedIn loop(modal_depth_);
  while (!done()) {
    if (modal_script_.empty()) {
      throw std::logic_error(
          "RunModalLoop: the modal loop waits for the user, but no scripted action is left "
          "(queue them with ScriptModal before the modal form is shown)");
    }
    const std::function<void()> action = std::move(modal_script_.front());
    modal_script_.pop_front();
    action();
  }
}

void SimDesktop::OpenUrl(const std::string& url) {
  // The shell opens a path on a drive only if something is there.
  const bool onDrive = url.size() > 2 && url[1] == ':' && (url[2] == '\\' || url[2] == '/');
  if (onDrive && !world_.files().Exists(url)) {
    throw tk::RuntimeError(tk::Error::FileNotFound, url + ": cannot open it");
  }
  urls_.push_back(url);
}

ScreenMetrics SimDesktop::Screen() { return world_.options().screen; }

std::string SimDesktop::ExecutableDirectory() { return world_.options().executableDirectory; }

FileSystem& SimDesktop::Files() { return world_.files(); }

}  // namespace rn::sim
