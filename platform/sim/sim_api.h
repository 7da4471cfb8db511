// The platform operations on the simulated desktop. Every call is recorded in
// the order it was made; a test that needs one to fail wraps this in its own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/gdi.h"
#include "platform/winapi.h"

namespace rn::sim {

class SimDesktop;
class World;

struct Call {
  std::string name;                // the operation's platform name
  std::vector<std::int64_t> args;  // the integer arguments, in order
  std::int64_t result = 0;         // as the operation returned it (signed or not)
  std::uint32_t lastError = 0;
  std::optional<NotifyRecordBytes> record;  // Shell_NotifyIconA's 88 bytes
};
// CreatePolyPolygonRgn's arguments are (polygon count, fill mode); its
// polygons are in the region it returns.

class SimApi : public WinApi {
 public:
  explicit SimApi(World& world);
  SimApi(const SimApi&) = delete;
  SimApi& operator=(const SimApi&) = delete;

  std::int32_t SetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                            std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  std::int32_t ReleaseCapture() override;
  std::int32_t SendMessageA(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                            std::int32_t lParam) override;
  Handle CreateCompatibleDC(Handle hdc) override;
  Handle CreateCompatibleBitmap(Handle hdc, std::int32_t width, std::int32_t height) override;
  Handle SelectObject(Handle hdc, Handle object) override;
  std::int32_t BitBlt(Handle dest, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, Handle source, std::int32_t sourceX,
                      std::int32_t sourceY, std::uint32_t rop) override;
  ColorRef GetPixel(Handle hdc, std::int32_t x, std::int32_t y) override;
  Handle CreatePolyPolygonRgn(const Point* points, const std::int32_t* counts,
                              std::int32_t polygons, std::int32_t fillMode) override;
  std::int32_t SetWindowRgn(HWnd hwnd, Handle region, std::int32_t redraw) override;
  std::int32_t DeleteDC(Handle hdc) override;
  std::int32_t DeleteObject(Handle object) override;
  std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyRecordBytes& data) override;

  // The record, in the order the calls were made (a call made while another
  // runs, such as from a drag's script, comes after the one it runs within).
  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<std::string> CallNames() const;
  std::vector<Call> CallsNamed(std::string_view name) const;
  std::size_t CountOf(std::string_view name) const { return CallsNamed(name).size(); }
  void ClearCalls() { calls_.clear(); }
  // Off: calls are no longer recorded (hooks still run), for
  // tests that repeat the gadget's pixel scan thousands of times.
  void SetRecording(bool on) { recording_ = on; }

  // Runs `hook` as each call of `operation` begins, before it does anything
  // (an empty function removes it): for what happens meanwhile elsewhere.
  void OnCall(std::string_view operation, std::function<void()> hook);

 private:
  // Records the call, runs its hook and `body`, and leaves the last error.
  template <class Result>
  Result Run(std::string_view name, std::vector<std::int64_t> args,
             const std::function<Outcome()>& body,
             std::optional<NotifyRecordBytes> record = std::nullopt);
  static std::string Known(std::string_view operation);

  SimDesktop& desktop_;
  Gdi& gdi_;
  std::vector<Call> calls_;
  bool recording_ = true;
  std::map<std::string, std::function<void()>, std::less<>> hooks_;
};

}  // namespace rn::sim
