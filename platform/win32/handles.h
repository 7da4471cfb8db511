// Owners for every GDI and USER handle the backend creates: move-only, released
// exactly once, and a guard that puts back what SelectObject replaced.
#pragma once

#include <utility>

#include "platform/win32/native.h"

namespace rn::win32 {

template <class Traits>
class unique_handle {
 public:
  using pointer = typename Traits::pointer;

  unique_handle() noexcept = default;
  explicit unique_handle(pointer handle) noexcept : handle_(handle) {}
  unique_handle(unique_handle&& other) noexcept : handle_(other.release()) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;
  ~unique_handle() { reset(); }

  pointer get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }
  pointer release() noexcept { return std::exchange(handle_, Traits::invalid()); }
  void reset(pointer handle = Traits::invalid()) noexcept {
    const pointer old = std::exchange(handle_, handle);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  pointer handle_ = Traits::invalid();
};

namespace detail {

// A handle that one call closes and that is null when there is none.
template <class H, auto Close>
struct closed_by {
  using pointer = H;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { Close(h); }
};
template <class H>
using gdi_object_traits = closed_by<H, &::DeleteObject>;
using dc_traits = closed_by<HDC, &::DeleteDC>;
using menu_traits = closed_by<HMENU, &::DestroyMenu>;
using icon_traits = closed_by<HICON, &::DestroyIcon>;
using window_traits = closed_by<HWND, &::DestroyWindow>;
// Files are the one kind whose "none" is not null.
struct file_traits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { ::CloseHandle(h); }
};

}  // namespace detail

using unique_hdc = unique_handle<detail::dc_traits>;
using unique_hbitmap = unique_handle<detail::gdi_object_traits<HBITMAP>>;
using unique_hfont = unique_handle<detail::gdi_object_traits<HFONT>>;
using unique_hrgn = unique_handle<detail::gdi_object_traits<HRGN>>;
using unique_hbrush = unique_handle<detail::gdi_object_traits<HBRUSH>>;
using unique_hmenu = unique_handle<detail::menu_traits>;
using unique_hicon = unique_handle<detail::icon_traits>;
using unique_hwnd = unique_handle<detail::window_traits>;
using unique_file = unique_handle<detail::file_traits>;

// So that a DC borrowed with GetDC (a null window: the screen) always goes back
// to the window it came from.
class window_dc {
 public:
  explicit window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  window_dc(window_dc&& other) noexcept
      : hwnd_(other.hwnd_), dc_(std::exchange(other.dc_, nullptr)) {}
  window_dc& operator=(window_dc&& other) noexcept {
    if (this != &other) {
      release();
      hwnd_ = other.hwnd_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  window_dc(const window_dc&) = delete;
  window_dc& operator=(const window_dc&) = delete;
  ~window_dc() { release(); }

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  void release() noexcept {
    if (dc_) ::ReleaseDC(hwnd_, std::exchange(dc_, nullptr));
  }
  HWND hwnd_;
  HDC dc_;
};

// So that every WM_PAINT validates what it painted, even on an early return.
class paint_scope {
 public:
  explicit paint_scope(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  paint_scope(const paint_scope&) = delete;
  paint_scope& operator=(const paint_scope&) = delete;
  ~paint_scope() { ::EndPaint(hwnd_, &ps_); }

  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& info() const noexcept { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and selects the replaced one back on destruction,
// so that nothing is ever deleted while a DC still holds it.
class select_guard {
 public:
  select_guard() noexcept = default;
  select_guard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {
    if (old_ == nullptr || old_ == HGDI_ERROR) dc_ = nullptr;
  }
  select_guard(select_guard&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), old_(other.old_) {}
  select_guard& operator=(select_guard&& other) noexcept {
    if (this != &other) {
      restore();
      dc_ = std::exchange(other.dc_, nullptr);
      old_ = other.old_;
    }
    return *this;
  }
  select_guard(const select_guard&) = delete;
  select_guard& operator=(const select_guard&) = delete;
  ~select_guard() { restore(); }

  // False when the selection failed (nothing to put back).
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void restore() noexcept {
    if (dc_) ::SelectObject(std::exchange(dc_, nullptr), old_);
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace rn::win32
