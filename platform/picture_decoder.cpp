#include "platform/picture_decoder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace rn::art {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Far beyond anything the gadget ships; keeps a corrupt size field from asking
// for gigabytes before the bounds checks get a chance to object.
constexpr std::int32_t kMaxBmpSide = 16384;
constexpr std::int32_t kMaxIconSide = 256;

// Every read goes through Need(), so a lying size field becomes an exception
// instead of a read past the end of the buffer.
class Bytes {
 public:
  Bytes(std::span<const std::uint8_t> data, const char* kind) : data_(data), kind_(kind) {}

  std::size_t size() const { return data_.size(); }

  [[noreturn]] void Fail(const std::string& why) const {
    throw std::runtime_error(std::string(kind_) + ": " + why);
  }

  void Need(std::uint64_t offset, std::uint64_t length, const char* what) const {
    if (offset > data_.size() || length > data_.size() - offset) {
      Fail(std::string(what) + " lies outside the file (" + std::to_string(length) +
           " bytes at offset " + std::to_string(offset) + ", file has " +
           std::to_string(data_.size()) + ")");
    }
  }

  std::uint8_t U8(std::size_t at) const {
    Need(at, 1, "a header field");
    return data_[at];
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2, "a header field");
    return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4, "a header field");
    return static_cast<std::uint32_t>(data_[at]) |
           (static_cast<std::uint32_t>(data_[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[at + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[at + 3]) << 24);
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }

  Bytes Sub(std::uint64_t offset, std::uint64_t length, const char* what) const {
    Need(offset, length, what);
    return Bytes(data_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)),
                 kind_);
  }

 private:
  std::span<const std::uint8_t> data_;
  const char* kind_;
};

std::uint64_t RowStride(std::int32_t width, int bits_per_pixel) {
  return ((static_cast<std::uint64_t>(width) * bits_per_pixel + 31) / 32) * 4;
}

// A BITMAPINFOHEADER with its palette, as found in a BMP after the file header
// and at the start of each ICO image.
struct Dib {
  std::int32_t width = 0;
  std::int32_t height = 0;  // as stored: an icon's counts the mask too
  std::uint32_t header_size = 0;
  std::vector<std::uint32_t> palette;
};

Dib ReadDib(const Bytes& in, std::size_t at, int bits_per_pixel, std::uint32_t max_colours) {
  Dib dib;
  dib.header_size = in.U32(at);
  if (dib.header_size < kInfoHeaderSize) {
    in.Fail("info header of " + std::to_string(dib.header_size) + " bytes, expected at least 40");
  }
  in.Need(at, dib.header_size, "the info header");
  dib.width = in.I32(at + 4);
  dib.height = in.I32(at + 8);
  if (in.U16(at + 12) != 1) in.Fail("planes must be 1");
  const std::uint16_t bpp = in.U16(at + 14);
  if (bpp != bits_per_pixel) {
    in.Fail(std::to_string(bpp) + " bits per pixel, only " + std::to_string(bits_per_pixel) +
            " is supported");
  }
  const std::uint32_t compression = in.U32(at + 16);
  if (compression != 0) {
    in.Fail("compression " + std::to_string(compression) + ", only uncompressed is supported");
  }
  std::uint32_t colours = in.U32(at + 32);
  if (colours == 0) colours = max_colours;
  if (colours > max_colours) {
    in.Fail(std::to_string(colours) + " palette entries, at most " + std::to_string(max_colours) +
            " fit " + std::to_string(bits_per_pixel) + " bits per pixel");
  }
  const std::size_t palette_at = at + dib.header_size;
  in.Need(palette_at, colours * 4ULL, "the palette");
  dib.palette.reserve(colours);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::size_t e = palette_at + i * 4;  // stored blue, green, red, reserved
    dib.palette.push_back(Rgb(in.U8(e + 2), in.U8(e + 1), in.U8(e)));
  }
  return dib;
}

std::uint32_t Lookup(const Bytes& in, const Dib& dib, unsigned index, int x, int y) {
  if (index >= dib.palette.size()) {
    in.Fail("pixel (" + std::to_string(x) + "," + std::to_string(y) + ") uses colour index " +
            std::to_string(index) + " but the palette has " + std::to_string(dib.palette.size()) +
            " entries");
  }
  return dib.palette[index];
}

}  // namespace

Image DecodeBmp(std::span<const std::uint8_t> file) {
  const Bytes in(file, "BMP");
  if (file.size() < kFileHeaderSize + kInfoHeaderSize) {
    in.Fail("file of " + std::to_string(file.size()) + " bytes is too short for its headers");
  }
  if (file[0] != 'B' || file[1] != 'M') in.Fail("missing the 'BM' signature");
  const std::uint32_t pixel_offset = in.U32(10);

  const Dib dib = ReadDib(in, kFileHeaderSize, 8, 256);
  if (dib.height <= 0) in.Fail("only bottom-up bitmaps (positive height) are supported");
  if (dib.width <= 0 || dib.width > kMaxBmpSide || dib.height > kMaxBmpSide) {
    in.Fail("unreasonable size " + std::to_string(dib.width) + "x" + std::to_string(dib.height));
  }
  const std::uint64_t palette_end = kFileHeaderSize + dib.header_size + dib.palette.size() * 4;
  if (pixel_offset < palette_end) in.Fail("pixel data overlaps the headers or palette");
  const std::uint64_t stride = RowStride(dib.width, 8);
  in.Need(pixel_offset, stride * dib.height, "the pixel data");

  Image image;
  image.width = dib.width;
  image.height = dib.height;
  image.pixels.resize(static_cast<std::size_t>(dib.width) * dib.height);
  image.opaque.assign(image.pixels.size(), true);
  for (int row = 0; row < dib.height; ++row) {
    const int y = dib.height - 1 - row;
    const std::size_t base = pixel_offset + row * stride;
    for (int x = 0; x < dib.width; ++x) {
      image.pixels[static_cast<std::size_t>(y) * dib.width + x] =
          Lookup(in, dib, file[base + x], x, y);
    }
  }
  return image;
}

Image DecodeIco(std::span<const std::uint8_t> file) {
  const Bytes in(file, "ICO");
  if (file.size() < 6 + 16) {
    in.Fail("file of " + std::to_string(file.size()) + " bytes is too short for its directory");
  }
  if (in.U16(0) != 0) in.Fail("reserved directory field is not 0");
  const std::uint16_t type = in.U16(2);
  if (type != 1) in.Fail("resource type " + std::to_string(type) + " is not an icon");
  if (in.U16(4) == 0) in.Fail("the directory lists no images");

  // 0 in a directory entry means 256.
  const int entry_width = in.U8(6) == 0 ? 256 : in.U8(6);
  const int entry_height = in.U8(7) == 0 ? 256 : in.U8(7);
  const std::uint32_t length = in.U32(14);
  const std::uint32_t offset = in.U32(18);
  const Bytes img = in.Sub(offset, length, "the first image");
  if (img.size() >= 4 && img.U8(0) == 0x89 && img.U8(1) == 'P' && img.U8(2) == 'N' &&
      img.U8(3) == 'G') {
    in.Fail("PNG-compressed icon images are not supported");
  }

  const Dib dib = ReadDib(img, 0, 4, 16);
  if (dib.width <= 0 || dib.width > kMaxIconSide) {
    in.Fail("unreasonable width " + std::to_string(dib.width));
  }
  // The stored height covers the colour image and the mask stacked together.
  if (dib.height <= 0 || dib.height % 2 != 0 || dib.height / 2 > kMaxIconSide) {
    in.Fail("image height " + std::to_string(dib.height) + " is not twice a sensible icon height");
  }
  const int height = dib.height / 2;
  if (dib.width != entry_width || height != entry_height) {
    in.Fail("directory says " + std::to_string(entry_width) + "x" + std::to_string(entry_height) +
            " but the image is " + std::to_string(dib.width) + "x" + std::to_string(height));
  }
  const std::uint64_t colour_at = dib.header_size + dib.palette.size() * 4;
  const std::uint64_t colour_stride = RowStride(dib.width, 4);
  const std::uint64_t mask_at = colour_at + colour_stride * height;
  const std::uint64_t mask_stride = RowStride(dib.width, 1);
  img.Need(colour_at, colour_stride * height, "the colour image");
  img.Need(mask_at, mask_stride * height, "the AND mask");

  Image image;
  image.width = dib.width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(dib.width) * height);
  image.opaque.resize(image.pixels.size());
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;
    for (int x = 0; x < dib.width; ++x) {
      const std::uint8_t pair = img.U8(colour_at + row * colour_stride + x / 2);
      const unsigned index = (x % 2 == 0) ? (pair >> 4) : (pair & 0x0F);
      const std::uint8_t mask = img.U8(mask_at + row * mask_stride + x / 8);
      const std::size_t i = static_cast<std::size_t>(y) * dib.width + x;
      image.pixels[i] = Lookup(in, dib, index, x, y);
      image.opaque[i] = (mask & (0x80 >> (x % 8))) == 0;
    }
  }
  return image;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot open " + path.string());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)),
                                  std::istreambuf_iterator<char>());
  if (stream.bad()) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

}  // namespace rn::art
