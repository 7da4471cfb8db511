// Display scale. A twip is 1/1440 of a logical inch at every scale, and a window's
// pixels are twips x dpi / 1440 of the monitor it stands on. Pictures are drawn for
// 100 % (96 dpi, 15 twips a pixel); at another scale both desktops spread them over
// the pixels their twips make there with the same nearest-neighbour rule, so the
// two draw the same pixels and the outline cut from them is the same.
#pragma once

#include <cstdint>
#include <vector>

namespace rn::tk {

using Twips = float;

inline constexpr std::int32_t kTwipsPerInch = 1440;
inline constexpr std::int32_t kDefaultDpi = 96;

// Rounded to nearest, halves to even, from the exact quotient: 750 twips are
// 112 pixels at 216 dpi, where dividing by a rounded factor would give 113.
std::int32_t TwipsToPixels(double twips, std::int32_t dpi);
Twips PixelsToTwips(std::int32_t pixels, std::int32_t dpi);

// How many pixels a length drawn for 100 % (a picture's side, a window frame)
// takes at `dpi`: 50 become 62 at 120 dpi, 88 at 168 and 100 at 192.
std::int32_t ScaledLength(std::int32_t pixelsAt100, std::int32_t dpi);

}  // namespace rn::tk

namespace rn {

// Which of `from` source pixels the target pixel `target` of `to` shows: the one
// under its centre. Whole factors repeat every pixel alike; between them each
// source pixel takes one or two target pixels, spread evenly over the line.
std::int32_t NearestSource(std::int32_t target, std::int32_t to, std::int32_t from);

// A row-major picture of width x height pixels, top row first, spread over
// toWidth x toHeight by NearestSource in both directions. Sizes that do not fit
// the pixels given make an empty result.
std::vector<std::uint32_t> ScaleNearest(const std::vector<std::uint32_t>& pixels,
                                        std::int32_t width, std::int32_t height,
                                        std::int32_t toWidth, std::int32_t toHeight);

}  // namespace rn
