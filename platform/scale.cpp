#include "platform/scale.h"

#include "platform/rounding.h"

namespace rn::tk {

std::int32_t TwipsToPixels(double twips, std::int32_t dpi) {
  return RoundToInt32(twips * dpi / kTwipsPerInch);
}

Twips PixelsToTwips(std::int32_t pixels, std::int32_t dpi) {
  return static_cast<Twips>(static_cast<double>(pixels) * kTwipsPerInch / dpi);
}

std::int32_t ScaledLength(std::int32_t pixelsAt100, std::int32_t dpi) {
  return TwipsToPixels(PixelsToTwips(pixelsAt100, kDefaultDpi), dpi);
}

}  // namespace rn::tk

namespace rn {

std::int32_t NearestSource(std::int32_t target, std::int32_t to, std::int32_t from) {
  if (to <= 0 || from <= 0) return 0;
  const std::int64_t source = (2 * std::int64_t{target} + 1) * from / (2 * std::int64_t{to});
  return static_cast<std::int32_t>(source < 0 ? 0 : source >= from ? from - 1 : source);
}

std::vector<std::uint32_t> ScaleNearest(const std::vector<std::uint32_t>& pixels,
                                        std::int32_t width, std::int32_t height,
                                        std::int32_t toWidth, std::int32_t toHeight) {
  if (width <= 0 || height <= 0 || toWidth <= 0 || toHeight <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return {};
  }
  std::vector<std::int32_t> columns(static_cast<std::size_t>(toWidth));
  for (std::int32_t x = 0; x < toWidth; ++x) columns[x] = NearestSource(x, toWidth, width);
  std::vector<std::uint32_t> scaled;
  scaled.reserve(static_cast<std::size_t>(toWidth) * static_cast<std::size_t>(toHeight));
  for (std::int32_t y = 0; y < toHeight; ++y) {
    const std::size_t row = static_cast<std::size_t>(NearestSource(y, toHeight, height)) * width;
    for (const std::int32_t x : columns) scaled.push_back(pixels[row + x]);
  }
  return scaled;
}

}  // namespace rn
