// The platform calls passed on to another implementation, except one operation,
// which fails the way the platform reports failure: it does nothing, returns 0
// (GetPixel: CLR_INVALID) and leaves ERROR_GEN_FAILURE as the last error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace rn::testing {

class FailingApi : public WinApi {
 public:
  explicit FailingApi(WinApi& inner) : inner_(inner) {}

  void FailAlways(std::string_view operation) { failing_ = operation; }
  int Failures() const { return failures_; }  // calls that failed so far

  std::int32_t SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                            std::int32_t cx, std::int32_t cy, std::uint32_t flags) override {
    return Pass<std::int32_t>("SetWindowPos", [&] {
      return inner_.SetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
    });
  }
  std::int32_t ReleaseCapture() override {
    return Pass<std::int32_t>("ReleaseCapture", [&] { return inner_.ReleaseCapture(); });
  }
  std::int32_t SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                            std::int32_t lParam) override {
    return Pass<std::int32_t>("SendMessageA",
                              [&] { return inner_.SendMessageA(hwnd, message, wParam, lParam); });
  }
  Handle CreateCompatibleDC(Handle hdc) override {
    return Pass<Handle>("CreateCompatibleDC", [&] { return inner_.CreateCompatibleDC(hdc); });
  }
  Handle CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) override {
    return Pass<Handle>("CreateCompatibleBitmap",
                        [&] { return inner_.CreateCompatibleBitmap(hdc, width, height); });
  }
  Handle SelectObject(Handle hdc, Handle object) override {
    return Pass<Handle>("SelectObject", [&] { return inner_.SelectObject(hdc, object); });
  }
  std::int32_t BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, Handle source, std::int32_t sourceX,
                      std::int32_t sourceY, std::uint32_t rop) override {
    return Pass<std::int32_t>("BitBlt", [&] {
      return inner_.BitBlt(dest, x, y, width, height, source, sourceX, sourceY, rop);
    });
  }
  ColorRef GetPixel(Handle hdc, std::int32_t x, std::int32_t y) override {
    return Pass<ColorRef>(
        "GetPixel", [&] { return inner_.GetPixel(hdc, x, y); }, win::ClrInvalid);
  }
  Handle CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                              std::int32_t polygons, std::int32_t fillMode) override {
    return Pass<Handle>("CreatePolyPolygonRgn", [&] {
      return inner_.CreatePolyPolygonRgn(points, counts, polygons, fillMode);
    });
  }
  std::int32_t SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) override {
    return Pass<std::int32_t>("SetWindowRgn",
                              [&] { return inner_.SetWindowRgn(hwnd, region, redraw); });
  }
  std::int32_t DeleteDC(Handle hdc) override {
    return Pass<std::int32_t>("DeleteDC", [&] { return inner_.DeleteDC(hdc); });
  }
  std::int32_t DeleteObject(Handle object) override {
    return Pass<std::int32_t>("DeleteObject", [&] { return inner_.DeleteObject(object); });
  }
  std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) override {
    return Pass<std::int32_t>("Shell_NotifyIconA",
                              [&] { return inner_.Shell_NotifyIconA(message, data); });
  }

 private:
  static constexpr std::uint32_t kErrorGenFailure = 31;

  template <class Result, class Call>
  Result Pass(std::string_view operation, Call call, Result failure = 0) {
    if (operation == failing_) {
      ++failures_;
      last_dll_error_ = kErrorGenFailure;
      return failure;
    }
    const Result result = call();
    last_dll_error_ = inner_.LastDllError();
    return result;
  }

  WinApi& inner_;
  std::string failing_;
  int failures_ = 0;
};

}  // namespace rn::testing
