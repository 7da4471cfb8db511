// The decoder refuses what is not a whole, sound picture, and the generator's
// own sheets come back through it unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/picture_decoder.h"
#include "tools/artgen/sheet.h"

namespace rn::art {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kArtDir = RN_ART_DIR;

// Every shipped file, cut short anywhere, must be refused rather than read past its end.
TEST(Decoder, RefusesEveryTruncation) {
  for (const char* name : {"badge.bmp", "dialog.ico", "tray.ico"}) {
    const Bytes whole = ReadFileBytes(kArtDir / name);
    const bool bmp = std::string(name).ends_with(".bmp");
    for (std::size_t n = 0; n < whole.size(); ++n) {
      const std::span<const std::uint8_t> cut(whole.data(), n);
      if (bmp) {
        EXPECT_THROW(DecodeBmp(cut), std::runtime_error) << name << " cut to " << n;
      } else {
        EXPECT_THROW(DecodeIco(cut), std::runtime_error) << name << " cut to " << n;
      }
    }
  }
}

struct Corruption {
  const char* file;
  std::size_t at;
  std::vector<std::uint8_t> bytes;
  const char* fault;
};

TEST(Decoder, RefusesCorruptHeaders) {
  const std::vector<Corruption> cases = {
      {"badge.bmp", 0, {'X'}, "signature"},
      {"badge.bmp", 10, {0x30, 0x0E}, "pixel offset past the end"},
      {"badge.bmp", 10, {20, 0}, "pixel offset inside the headers"},
      {"badge.bmp", 14, {12}, "old-style core header"},
      {"badge.bmp", 18, {0, 0, 0, 0}, "zero width"},
      {"badge.bmp", 18, {0xFF, 0xFF, 0xFF, 0x7F}, "absurd width"},
      {"badge.bmp", 22, {0xCE, 0xFF, 0xFF, 0xFF}, "top-down height"},
      {"badge.bmp", 26, {2}, "planes"},
      {"badge.bmp", 28, {4}, "bits per pixel"},
      {"badge.bmp", 30, {1}, "run-length compression"},
      {"badge.bmp", 46, {0x2C, 1}, "palette larger than 8 bits allow"},
      {"badge.bmp", 46, {9, 0}, "pixels index past a shortened palette"},
      {"dialog.ico", 2, {2}, "cursor, not icon"},
      {"dialog.ico", 4, {0}, "no images"},
      {"dialog.ico", 14, {0x00, 0x10}, "image length past the end"},
      {"dialog.ico", 18, {0x20, 0x03}, "image offset past the end"},
      {"dialog.ico", 22, {0x89, 'P', 'N', 'G'}, "PNG image"},
      {"dialog.ico", 6, {16}, "directory size disagrees"},
      {"dialog.ico", 30, {63}, "odd stored height"},
      {"dialog.ico", 36, {8}, "bits per pixel"},
      {"dialog.ico", 54, {17}, "palette larger than 4 bits allow"},
      {"tray.ico", 54, {6}, "pixels index past a shortened palette"},
  };
  for (const Corruption& c : cases) {
    Bytes b = ReadFileBytes(kArtDir / c.file);
    const auto decode = [&](const Bytes& bytes) {
      return std::string(c.file).ends_with(".bmp") ? DecodeBmp(bytes) : DecodeIco(bytes);
    };
    ASSERT_NO_THROW(decode(b));
    std::copy(c.bytes.begin(), c.bytes.end(), b.begin() + c.at);
    EXPECT_THROW(decode(b), std::runtime_error) << c.file << ": " << c.fault;
  }
  EXPECT_THROW(ReadFileBytes(kArtDir / "no-such-picture.bmp"), std::runtime_error);
}

}  // namespace
}  // namespace rn::art

namespace rn::artgen {
namespace {

// A tiny sheet with an odd width (row padding), both nibbles, mask bits and a
// tray swap, pushed through encoder and decoder.
TEST(Sheet, IconRoundTripsThroughTheDecoder) {
  const Sheet sheet = ParseSheet(
      "format ico4\nsize 3 2\npalette 0 0 0 0\npalette 4 1 2 3 a\npalette 9 200 100 50 b\n"
      "ink . clear\nink a 4 tray 9\nink b 9\ngrid\n.ab\nba.\n",
      "t");
  for (Variant v : {Variant::kDialog, Variant::kTray}) {
    const art::Image img = art::DecodeIco(EncodeIco4(sheet, v));
    ASSERT_EQ(img.width, 3);
    ASSERT_EQ(img.height, 2);
    const std::uint32_t a = v == Variant::kTray ? art::Rgb(200, 100, 50) : art::Rgb(1, 2, 3);
    EXPECT_EQ(img.opaque, (std::vector<bool>{false, true, true, true, true, false}));
    EXPECT_EQ(img.At(1, 0), a);
    EXPECT_EQ(img.At(2, 0), art::Rgb(200, 100, 50));
    EXPECT_EQ(img.At(0, 1), art::Rgb(200, 100, 50));
    EXPECT_EQ(img.At(1, 1), a);
  }
}

TEST(Sheet, BitmapRoundTripsThroughTheDecoder) {
  const Sheet sheet = ParseSheet(
      "format bmp8\nsize 3 2\npalette 200 10 20 30\npalette 7 1 2 3\n"
      "ink x 200\nink y 7\ngrid\nxyy\nyyx\n",
      "t");
  const art::Image img = art::DecodeBmp(EncodeBmp8(sheet));
  EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{art::Rgb(10, 20, 30), art::Rgb(1, 2, 3),
                                                    art::Rgb(1, 2, 3), art::Rgb(1, 2, 3),
                                                    art::Rgb(1, 2, 3), art::Rgb(10, 20, 30)}));
}

TEST(Sheet, RefusesMistakesNamingTheLine) {
  const std::string head = "format ico4\nsize 2 2\npalette 1 9 9 9\nink . clear\nink a 1\n";
  const std::string square = "format ico4\nsize 4 4\npalette 1 9 9 9\nink . clear\nink a 1\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"size 2 2\n", "s:1:"},
      {head + "ink a 1\n", "s:6:"},
      {head + "ink b 3\n", "s:6:"},
      {head + "palette 1 1 1 1\n", "s:6:"},
      {head + "palette 16 1 1 1\n", "s:6:"},
      {head + "grid\n..\n.\n", "s:8:"},
      {head + "grid\n..\n.z\n", "s:8:"},
      {head + "grid\n..\n", "s:7:"},
      {head + "grid\n..\n..\nmore\n", "s:9:"},
      {square + "outline 1 1\ngrid\n....\naa..\n.aa.\n....\n", "s:6:"},
      {square + "outline 1 2\ngrid\n....\n.aa.\n.aa.\n....\n", "s:6:"},
      {"format bmp8\nsize 1 1\nink . clear\n", "s:3:"},
      {"format bmp8\nsize 1 1\npalette 0 0 0 0\nink . 0 tray 0\n", "s:4:"},
      {head, "s:5:"},
  };
  for (const auto& [text, where] : cases) {
    try {
      ParseSheet(text, "s");
      ADD_FAILURE() << "accepted:\n" << text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(where, 0), 0u) << e.what();
    }
  }
  EXPECT_NO_THROW(ParseSheet(square + "outline 1 1\ngrid\n....\n.aa.\n.aa.\n....\n", "s"));
}

}  // namespace
}  // namespace rn::artgen
