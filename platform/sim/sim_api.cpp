#include "platform/sim/sim_api.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "platform/sim/world.h"

namespace rn::sim {
namespace {

constexpr std::string_view kOperations[] = {
    "SetWindowPos",           "ReleaseCapture", "SendMessageA", "CreateCompatibleDC",
    "CreateCompatibleBitmap", "SelectObject",   "BitBlt",       "GetPixel",
    "CreatePolyPolygonRgn",   "SetWindowRgn",   "DeleteDC",     "DeleteObject",
    "Shell_NotifyIconA"};

}  // namespace

SimApi::SimApi(World& world) : desktop_(world.desktop()), gdi_(world.gdi()) {}

std::string SimApi::Known(std::string_view operation) {
  if (std::ranges::count(kOperations, operation) == 0) {
    throw std::invalid_argument("SimApi: no platform operation named " + std::string(operation));
  }
  return std::string(operation);
}

void SimApi::OnCall(std::string_view operation, std::function<void()> hook) {
  hooks_.erase(Known(operation));
  if (hook) hooks_.emplace(Known(operation), std::move(hook));
}

std::vector<std::string> SimApi::CallNames() const {
  std::vector<std::string> names;
  std::ranges::transform(calls_, std::back_inserter(names), &Call::name);
  return names;
}

std::vector<Call> SimApi::CallsNamed(std::string_view name) const {
  std::vector<Call> found;
  std::ranges::copy_if(calls_, std::back_inserter(found),
                       [&](const Call& c) { return c.name == name; });
  return found;
}

template <class Result>
Result SimApi::Run(std::string_view name, std::vector<std::int64_t> args,
                   const std::function<Outcome()>& body, std::optional<NotifyRecordBytes> record) {
  // Reserved first, so that calls made meanwhile come after this one.
  const std::size_t index = calls_.size();
  const bool recorded = recording_;
  if (recorded) calls_.push_back({std::string(name), std::move(args), 0, 0, record});
  if (const auto hook = hooks_.find(name); hook != hooks_.end()) {
    const std::function<void()> run = hook->second;  // the hook may replace itself
    run();
  }
  const Outcome outcome = body();
  const auto result = static_cast<Result>(outcome.value);
  if (recorded && index < calls_.size()) {
    calls_[index].result = result;
    calls_[index].lastError = outcome.error;
  }
  last_dll_error_ = outcome.error;
  return result;
}

std::int32_t SimApi::SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                                  std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  return Run<std::int32_t>("SetWindowPos", {hwnd, insertAfter, x, y, cx, cy, flags}, [&] {
    return desktop_.ApiSetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
  });
}

std::int32_t SimApi::ReleaseCapture() {
  return Run<std::int32_t>("ReleaseCapture", {}, [&] { return desktop_.ApiReleaseCapture(); });
}

std::int32_t SimApi::SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                                  std::int32_t lParam) {
  return Run<std::int32_t>("SendMessageA", {hwnd, message, wParam, lParam},
                           [&] { return desktop_.ApiSendMessage(hwnd, message, wParam, lParam); });
}

Handle SimApi::CreateCompatibleDC(Handle hdc) {
  return Run<Handle>("CreateCompatibleDC", {hdc}, [&] { return gdi_.CreateCompatibleDC(hdc); });
}

Handle SimApi::CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) {
  return Run<Handle>("CreateCompatibleBitmap", {hdc, width, height},
                     [&] { return gdi_.CreateCompatibleBitmap(hdc, width, height); });
}

Handle SimApi::SelectObject(Handle hdc, Handle object) {
  return Run<Handle>("SelectObject", {hdc, object}, [&] { return gdi_.SelectObject(hdc, object); });
}

std::int32_t SimApi::BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height, Handle source, std::int32_t sourceX,
                            std::int32_t sourceY, std::uint32_t rop) {
  return Run<std::int32_t>(
      "BitBlt", {dest, x, y, width, height, source, sourceX, sourceY, rop},
      [&] { return gdi_.BitBlt(dest, x, y, width, height, source, sourceX, sourceY, rop); });
}

ColorRef SimApi::GetPixel(Handle hdc, std::int32_t x, std::int32_t y) {
  return Run<ColorRef>("GetPixel", {hdc, x, y}, [&] { return gdi_.GetPixel(hdc, x, y); });
}

Handle SimApi::CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                                    std::int32_t polygons, std::int32_t fillMode) {
  return Run<Handle>("CreatePolyPolygonRgn", {polygons, fillMode},
                     [&] { return gdi_.CreatePolyPolygonRgn(points, counts, polygons, fillMode); });
}

std::int32_t SimApi::SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) {
  return Run<std::int32_t>("SetWindowRgn", {hwnd, region, redraw},
                           [&] { return desktop_.ApiSetWindowRgn(hwnd, region); });
}

std::int32_t SimApi::DeleteDC(Handle hdc) {
  return Run<std::int32_t>("DeleteDC", {hdc}, [&] { return gdi_.DeleteDC(hdc); });
}

std::int32_t SimApi::DeleteObject(Handle object) {
  return Run<std::int32_t>("DeleteObject", {object}, [&] { return gdi_.DeleteObject(object); });
}

std::int32_t SimApi::Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) {
  return Run<std::int32_t>(
      "Shell_NotifyIconA", {message}, [&] { return desktop_.ApiNotifyIcon(message, data); }, data);
}

}  // namespace rn::sim
