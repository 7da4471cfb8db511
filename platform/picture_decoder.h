// Reads the gadget's shipped pictures without any platform imaging API, so the
// simulated desktop and the tests see exactly the pixels Windows would load.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace rn::art {

struct Image {
  int width = 0;
  int height = 0;
  // 0x00BBGGRR (a COLORREF: red in the low byte), row-major, top row first.
  std::vector<std::uint32_t> pixels;
  // Icons: from the AND mask (a set mask bit is transparent). Bitmaps: all true.
  std::vector<bool> opaque;

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool OpaqueAt(int x, int y) const { return opaque[static_cast<std::size_t>(y) * width + x]; }
};

constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

// An uncompressed, bottom-up, 8 bits-per-pixel BMP. Throws std::runtime_error
// naming the fault for anything else or anything malformed.
Image DecodeBmp(std::span<const std::uint8_t> file);

// The first image of an ICO whose images are 4 bits-per-pixel bitmaps with an
// AND mask. Same error rules as DecodeBmp.
Image DecodeIco(std::span<const std::uint8_t> file);

// Throws std::runtime_error naming the path if it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

}  // namespace rn::art
