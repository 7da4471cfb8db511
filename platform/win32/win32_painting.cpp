// Painting, pictures and fonts, and following a change of display scale, which
// redoes the fonts.
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/rounding.h"
#include "platform/scale.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_desktop_impl.h"

namespace rn::win32 {
namespace {

constexpr int kFrameCaptionIndent = 8;

HBRUSH FaceBrush() { return ::GetSysColorBrush(COLOR_BTNFACE); }

// The size of the first image of an icon resource, from its group's directory:
// asking a loaded icon (GetIconInfo) copies both its bitmaps, 0.4 ms under Wine.
std::optional<SIZE> FirstIconSize(HINSTANCE instance, int resource) {
  const HRSRC group = ::FindResourceW(instance, MAKEINTRESOURCEW(resource), RT_GROUP_ICON);
  const HGLOBAL data = group ? ::LoadResource(instance, group) : nullptr;
  const auto* bytes = static_cast<const BYTE*>(data ? ::LockResource(data) : nullptr);
  // A 6-byte header (reserved, type, count), then 14-byte entries that start
  // with the width and the height, where 0 means 256.
  constexpr DWORD kHeader = 6;
  constexpr DWORD kEntry = 14;
  if (!bytes || ::SizeofResource(instance, group) < kHeader + kEntry) return std::nullopt;
  const auto side = [](BYTE stored) { return stored == 0 ? 256 : static_cast<LONG>(stored); };
  return SIZE{side(bytes[kHeader]), side(bytes[kHeader + 1])};
}

}  // namespace

void Win32Desktop::Impl::EraseForm(Window& window, HDC dc) {
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  ::FillRect(dc, &client, FaceBrush());
  DrawPicture(dc, window.picture, DpiOf(window.hwnd));
}

void Win32Desktop::Impl::PaintFrame(Window& window) {
  paint_scope paint(window.hwnd);
  const HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  const HFONT font = window.font ? window.font : MessageFont(DpiOf(window.hwnd));
  select_guard selected(dc, font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  RECT box = client;
  box.top += metrics.tmHeight / 2;
  ::DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);

  const std::wstring caption = WindowText(window.hwnd);
  if (caption.empty()) return;
  RECT text{0, 0, 0, 0};
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
  ::OffsetRect(&text, kFrameCaptionIndent, 0);
  // The caption interrupts the line; a little room either side of it.
  RECT gap{text.left - 2, text.top, text.right + 2, text.bottom};
  ::FillRect(dc, &gap, FaceBrush());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc,
                 ::GetSysColor(::IsWindowEnabled(window.hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
}

void Win32Desktop::Impl::PaintImage(Window& window) {
  paint_scope paint(window.hwnd);
  DrawPicture(paint.get(), window.picture, DpiOf(window.hwnd));
}

void Win32Desktop::Impl::PaintPictureBox(Window& window) {
  paint_scope paint(window.hwnd);
  const HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  if (!window.imageDc && window.picture) {
    // Short of memory the box is painted plain, and tries again next time.
    try {
      BuildPictureBoxImage(window);
    } catch (const tk::RuntimeError&) {
    }
  }
  if (window.imageDc) {
    ::BitBlt(dc, 0, 0, window.imageSize.cx, window.imageSize.cy, window.imageDc.get(), 0, 0,
             SRCCOPY);
    ::ExcludeClipRect(dc, 0, 0, window.imageSize.cx, window.imageSize.cy);
  }
  ::FillRect(dc, &client, FaceBrush());
}

void Win32Desktop::Impl::BuildImage(Window& window, int width, int height, const Picture* picture) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  // A 32-bit bitmap, not one compatible with the memory DC, which starts out
  // monochrome: the picture's colours must come out as they are.
  unique_hdc dc(::CreateCompatibleDC(nullptr));
  unique_hbitmap bitmap = TrueColourBitmap(width, height);
  if (!dc || !bitmap) throw tk::RuntimeError(tk::Error::OutOfMemory, "a picture box's image");
  select_guard selection(dc.get(), bitmap.get());
  RECT all{0, 0, width, height};
  ::FillRect(dc.get(), &all, FaceBrush());
  if (picture) DrawPicture(dc.get(), *picture, DpiOf(window.hwnd));

  window.imageSelection.restore();
  window.image = std::move(bitmap);
  window.imageDc = std::move(dc);
  window.imageSelection = std::move(selection);
  window.imageSize = SIZE{width, height};
}

void Win32Desktop::Impl::BuildClientImage(Window& window) {
  RECT client{};
  ::GetClientRect(window.hwnd, &client);
  BuildImage(window, client.right, client.bottom,
             window.kind == WindowKind::Form ? &window.picture : nullptr);
}

// A picture box's image is drawn when the box is first painted or drawn on: the
// panel's stays unseen while the panel is hidden, and start-up need not wait for it.
void Win32Desktop::Impl::BuildPictureBoxImage(Window& window) {
  if (!window.picture) {
    BuildClientImage(window);
    return;
  }
  const int dpi = DpiOf(window.hwnd);
  BuildImage(window, tk::ScaledLength(window.picture.width, dpi),
             tk::ScaledLength(window.picture.height, dpi), &window.picture);
}

void Win32Desktop::Impl::DropImage(Window& window) {
  window.imageSelection.restore();
  window.imageDc.reset();
  window.image.reset();
  window.imageSize = SIZE{};
}

void Win32Desktop::Impl::DrawPicture(HDC dc, const Picture& picture, int dpi) {
  if (!picture) return;
  const int width = tk::ScaledLength(picture.width, dpi);
  const int height = tk::ScaledLength(picture.height, dpi);
  const HGDIOBJ object = FromHandle<HGDIOBJ>(picture.handle);
  if (::GetObjectType(object) != OBJ_BITMAP) {
    // The artwork's 32 x 32 icons, scaled by the system.
    ::DrawIconEx(dc, 0, 0, FromHandle<HICON>(picture.handle), width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  HGDIOBJ drawn = object;
  if (width != picture.width || height != picture.height) {
    auto& scaled = scaledBitmaps[{picture.handle, width, height}];
    if (!scaled) scaled = ScaledBitmap(static_cast<HBITMAP>(object), width, height);
    if (!scaled) return;
    drawn = scaled.get();
  }
  unique_hdc source(::CreateCompatibleDC(dc));
  if (!source) return;
  select_guard selected(source.get(), drawn);
  if (!selected) return;
  ::BitBlt(dc, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
}

// The suggested rectangle keeps the window where the user is moving it without
// sending it back across the monitors' edge; the toolkit sizes it exactly next.
void Win32Desktop::Impl::FollowScale(Window& form, const RECT& suggested) {
  ScreenChanged();
  const HWND hwnd = form.hwnd;
  ::SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<std::shared_ptr<Window>> given;
  for (const auto& [child, window] : windows) {
    if (window->kind != WindowKind::Form && !window->fontPending &&
        ::GetAncestor(child, GA_ROOT) == hwnd) {
      given.push_back(window);
    }
  }
  for (const auto& control : given) GiveFont(*control);
  Raise(form, [](WindowEvents& e) { e.OnDpiChanged(); });
}

HFONT Win32Desktop::Impl::MessageFont(int dpi) {
  unique_hfont& font = messageFonts[dpi];
  if (!font) {
    LOGFONTW face{};
    if (MessageFontAt(dpi, Dpi(), face)) font.reset(::CreateFontIndirectW(&face));
  }
  return font ? font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HFONT Win32Desktop::Impl::FontFor(const Font& font, int dpi) {
  constexpr double kPointsPerInch = 72.0;
  const int height = -tk::RoundToInt32(font.points * dpi / kPointsPerInch);
  FontKey key{Widen(font.face), height, font.weight, font.charset};
  const auto found = fonts.find(key);
  if (found != fonts.end()) return found->second.get();
  const HFONT created =
      ::CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                    static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, std::get<0>(key).c_str());
  if (!created) return MessageFont(dpi);
  fonts.emplace(std::move(key), unique_hfont(created));
  return created;
}

void Win32Desktop::Impl::GiveFont(Window& control) {
  // A font given again, at another scale, shows at once.
  const BOOL redraw = control.fontPending ? FALSE : TRUE;
  control.fontPending = false;
  const int dpi = DpiOf(control.hwnd);
  const HFONT font = control.fontRequest ? FontFor(*control.fontRequest, dpi) : MessageFont(dpi);
  ::SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

void Win32Desktop::Impl::GiveFontsOnFirstShow(HWND form) {
  std::vector<std::shared_ptr<Window>> waiting;
  for (const auto& [hwnd, window] : windows) {
    if (window->fontPending && ::GetAncestor(hwnd, GA_ROOT) == form) waiting.push_back(window);
  }
  for (const auto& control : waiting) GiveFont(*control);
}

Picture Win32Desktop::LoadPicture(PictureId id) {
  const auto found = impl_->pictures.find(id);
  if (found != impl_->pictures.end()) return found->second.picture;

  Impl::LoadedPicture loaded;
  int resource = 0;
  if (id == PictureId::ShapeBitmap) {
    resource = RN_IDB_BADGE;
    // A DIB section keeps the palette's colours exactly as drawn.
    loaded.bitmap.reset(static_cast<HBITMAP>(::LoadImageW(
        impl_->instance, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (loaded.bitmap && ::GetObjectW(loaded.bitmap.get(), sizeof(info), &info)) {
      loaded.picture = {ToHandle(loaded.bitmap.get()), info.bmWidth, std::abs(info.bmHeight)};
    }
  } else {
    resource = id == PictureId::TrayIcon ? RN_IDI_TRAY : RN_IDI_DIALOG;
    // The icon's own size, asked for exactly: that image, never a scaled one.
    if (const std::optional<SIZE> size = FirstIconSize(impl_->instance, resource)) {
      loaded.icon.reset(static_cast<HICON>(::LoadImageW(impl_->instance, MAKEINTRESOURCEW(resource),
                                                        IMAGE_ICON, size->cx, size->cy, 0)));
      if (loaded.icon) loaded.picture = {ToHandle(loaded.icon.get()), size->cx, size->cy};
    }
  }
  if (!loaded.picture) {
    throw tk::RuntimeError(tk::Error::FileNotFound, "picture resource " + std::to_string(resource) +
                                                        ": " + SystemMessage(::GetLastError()));
  }
  const Picture picture = loaded.picture;
  impl_->pictures.emplace(id, std::move(loaded));
  return picture;
}

void Win32Desktop::SetPicture(HWnd handle, const Picture& picture) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window) return;
  if (window->kind == WindowKind::Form || window->kind == WindowKind::Image) {
    window->picture = picture;
    if (window->imageDc) impl_->BuildClientImage(*window);
  } else if (window->kind == WindowKind::PictureBox) {
    window->picture = picture;
    impl_->DropImage(*window);
  } else {
    return;
  }
  ::InvalidateRect(window->hwnd, nullptr, TRUE);
}

Handle Win32Desktop::PictureDC(HWnd handle) {
  const std::shared_ptr<Impl::Window> window = impl_->Lookup(handle);
  if (!window || !FactsOf(window->kind).keepsImage) return 0;
  RECT client{};
  ::GetClientRect(window->hwnd, &client);
  // A form's image is what it shows now, so it follows the form's size.
  const bool stale = window->kind == WindowKind::Form && (window->imageSize.cx != client.right ||
                                                          window->imageSize.cy != client.bottom);
  if (window->imageDc && !stale) return ToHandle(window->imageDc.get());
  if (window->kind == WindowKind::PictureBox) {
    impl_->BuildPictureBoxImage(*window);
  } else {
    impl_->BuildClientImage(*window);
  }
  return ToHandle(window->imageDc.get());
}

}  // namespace rn::win32
