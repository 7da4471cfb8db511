#include "tools/artgen/sheet.h"

#include <charconv>
#include <stdexcept>

#include "platform/picture_decoder.h"

namespace rn::artgen {
namespace {

// Both resolutions are 72 dpi, the value Windows' own tools write.
constexpr std::uint32_t kPixelsPerMetre = 2834;

class Parser {
 public:
  Parser(std::string_view text, std::string_view name) : text_(text), name_(name) {}

  Sheet Run() {
    std::size_t grid_line = 0;
    while (NextLine()) {
      std::vector<std::string_view> words = Words(line_);
      if (words.empty() || words[0].front() == '#') continue;
      if (words[0] == "grid") {
        if (words.size() != 1) Fail("'grid' takes no arguments");
        grid_line = line_no_;
        ReadGrid();
        break;
      }
      Directive(words);
    }
    if (grid_line == 0) Fail("no 'grid' section");
    while (NextLine()) {
      if (!Words(line_).empty()) Fail("text after the last grid row");
    }
    if (outline_) CheckOutline(*outline_);
    return std::move(sheet_);
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw std::runtime_error(std::string(name_) + ":" + std::to_string(line_no_) + ": " + why);
  }

  bool NextLine() {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line_ = text_.substr(pos_, end - pos_);
    if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
    pos_ = end + 1;
    ++line_no_;
    return true;
  }

  static std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      std::size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
      if (j > i) words.push_back(line.substr(i, j - i));
      i = j;
    }
    return words;
  }

  int Number(std::string_view word, int lo, int hi, const char* what) const {
    int value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) {
      Fail(std::string(what) + " '" + std::string(word) + "' is not a number");
    }
    if (value < lo || value > hi) {
      Fail(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(lo) +
           ".." + std::to_string(hi));
    }
    return value;
  }

  void Expect(const std::vector<std::string_view>& words, std::size_t least, std::size_t most) {
    if (words.size() < least || words.size() > most) {
      Fail("wrong number of arguments to '" + std::string(words[0]) + "'");
    }
  }

  void Directive(const std::vector<std::string_view>& words) {
    const std::string_view verb = words[0];
    if (verb == "format") {
      Expect(words, 2, 2);
      if (have_format_) Fail("'format' given twice");
      if (words[1] == "bmp8") {
        sheet_.format = Format::kBmp8;
        sheet_.palette.resize(256);
      } else if (words[1] == "ico4") {
        sheet_.format = Format::kIco4;
        sheet_.palette.resize(16);
      } else {
        Fail("unknown format '" + std::string(words[1]) + "' (bmp8 or ico4)");
      }
      have_format_ = true;
      return;
    }
    if (!have_format_) Fail("'format' must come before '" + std::string(verb) + "'");
    if (verb == "size") {
      Expect(words, 3, 3);
      if (sheet_.width != 0) Fail("'size' given twice");
      // An icon directory stores each side in one byte.
      const int most = sheet_.format == Format::kIco4 ? 256 : 4096;
      sheet_.width = Number(words[1], 1, most, "width");
      sheet_.height = Number(words[2], 1, most, "height");
    } else if (verb == "palette") {
      Expect(words, 5, words.size());  // anything after the components names the colour
      const int index = Number(words[1], 0, static_cast<int>(sheet_.palette.size()) - 1, "index");
      if (sheet_.palette[index]) Fail("palette index " + std::to_string(index) + " given twice");
      Rgb rgb;
      for (int c = 0; c < 3; ++c) {
        rgb[c] = static_cast<std::uint8_t>(Number(words[2 + c], 0, 255, "colour component"));
      }
      sheet_.palette[index] = rgb;
    } else if (verb == "ink") {
      InkDirective(words);
    } else if (verb == "outline") {
      Expect(words, 3, words.size());
      if (outline_) Fail("'outline' given twice");
      Outline outline{line_no_, 0, {}};
      outline.first_row = Number(words[1], 0, 4095, "first row");
      for (std::size_t i = 2; i < words.size(); ++i) {
        outline.half_widths.push_back(Number(words[i], 1, 2048, "half-width"));
      }
      outline_ = outline;
    } else {
      Fail("unknown directive '" + std::string(verb) + "'");
    }
  }

  int PaletteIndex(std::string_view word) const {
    const int index = Number(word, 0, static_cast<int>(sheet_.palette.size()) - 1, "index");
    if (!sheet_.palette[index]) {
      Fail("palette index " + std::to_string(index) + " has no colour (list it first)");
    }
    return index;
  }

  void InkDirective(const std::vector<std::string_view>& words) {
    Expect(words, 3, 5);
    if (words[1].size() != 1) Fail("an ink is a single character");
    const char c = words[1][0];
    if (sheet_.inks.count(c)) Fail(std::string("ink '") + c + "' given twice");
    Ink ink;
    if (words[2] == "clear") {
      Expect(words, 3, 3);
      if (sheet_.format != Format::kIco4) Fail("only icons have transparent pixels");
      ink.clear = true;
    } else {
      ink.index = PaletteIndex(words[2]);
      if (words.size() > 3) {
        if (words.size() != 5 || words[3] != "tray") Fail("expected 'tray <index>'");
        if (sheet_.format != Format::kIco4) Fail("only icons have a tray variant");
        ink.tray_index = PaletteIndex(words[4]);
      }
    }
    sheet_.inks[c] = ink;
  }

  void ReadGrid() {
    if (sheet_.width == 0) Fail("'size' must come before 'grid'");
    for (int y = 0; y < sheet_.height; ++y) {
      if (!NextLine()) Fail("grid ends after " + std::to_string(y) + " rows");
      if (line_.size() != static_cast<std::size_t>(sheet_.width)) {
        Fail("grid row " + std::to_string(y) + " has " + std::to_string(line_.size()) +
             " pixels, expected " + std::to_string(sheet_.width));
      }
      for (std::size_t x = 0; x < line_.size(); ++x) {
        if (!sheet_.inks.count(line_[x])) {
          Fail(std::string("unknown ink '") + line_[x] + "' in column " + std::to_string(x));
        }
      }
      sheet_.grid.emplace_back(line_);
    }
  }

  struct Outline {
    std::size_t line = 0;
    int first_row = 0;
    std::vector<int> half_widths;
  };

  // The outline line states the upper half's rows; the lower half mirrors it.
  // Pixels that share the top-left pixel's ink count as outside.
  void CheckOutline(const Outline& outline) {
    line_no_ = outline.line;
    const int w = sheet_.width;
    const int h = sheet_.height;
    if (w % 2 != 0 || h % 2 != 0) Fail("an outline needs an even width and height");
    const int last = outline.first_row + static_cast<int>(outline.half_widths.size()) - 1;
    if (last >= h / 2) Fail("outline rows reach past the middle of the picture");
    const char outside = sheet_.grid[0][0];
    for (int y = 0; y < h; ++y) {
      const int r = y < h / 2 ? y : h - 1 - y;
      const int half =
          (r >= outline.first_row && r <= last) ? outline.half_widths[r - outline.first_row] : 0;
      if (half > w / 2) Fail("half-width " + std::to_string(half) + " is wider than the picture");
      for (int x = 0; x < w; ++x) {
        const bool in = x >= w / 2 - half && x < w / 2 + half;
        if (in == (sheet_.grid[y][x] == outside)) {
          Fail("grid row " + std::to_string(y) + " column " + std::to_string(x) + " is " +
               (in ? "outside" : "inside") + " the stated outline");
        }
      }
    }
  }

  std::string_view text_;
  std::string_view name_;
  std::size_t pos_ = 0;
  std::size_t line_no_ = 0;
  std::string_view line_;
  bool have_format_ = false;
  std::optional<Outline> outline_;
  Sheet sheet_;
};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

struct InfoHeader {
  std::int32_t width;
  std::int32_t height;
  std::uint16_t bits;
  std::uint32_t image_size;
  std::uint32_t pixels_per_metre;
  std::uint32_t colours_used;
};

void PutInfoHeader(std::vector<std::uint8_t>& out, const InfoHeader& h) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(h.width));
  Put32(out, static_cast<std::uint32_t>(h.height));
  Put16(out, 1);  // planes
  Put16(out, h.bits);
  Put32(out, 0);  // uncompressed
  Put32(out, h.image_size);
  Put32(out, h.pixels_per_metre);
  Put32(out, h.pixels_per_metre);
  Put32(out, h.colours_used);
  Put32(out, h.colours_used);  // all of them important
}

void PutPalette(std::vector<std::uint8_t>& out, const Sheet& sheet) {
  for (const std::optional<Rgb>& entry : sheet.palette) {
    const Rgb rgb = entry.value_or(Rgb{0, 0, 0});
    out.push_back(rgb[2]);
    out.push_back(rgb[1]);
    out.push_back(rgb[0]);
    out.push_back(0);
  }
}

std::uint32_t Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

Sheet LoadSheet(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = art::ReadFileBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  return ParseSheet(text, path.filename().string());
}

}  // namespace

Sheet ParseSheet(std::string_view text, std::string_view name) { return Parser(text, name).Run(); }

std::vector<std::uint8_t> EncodeBmp8(const Sheet& sheet) {
  if (sheet.format != Format::kBmp8) throw std::invalid_argument("EncodeBmp8 needs a bmp8 sheet");
  const std::uint32_t stride = Stride(sheet.width, 8);
  const std::uint32_t image_size = stride * sheet.height;
  const std::uint32_t pixel_offset = 14 + 40 + 256 * 4;
  std::vector<std::uint8_t> out;
  out.reserve(pixel_offset + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixel_offset + image_size);
  Put32(out, 0);  // two reserved words
  Put32(out, pixel_offset);
  PutInfoHeader(out, {sheet.width, sheet.height, 8, image_size, kPixelsPerMetre, 256});
  PutPalette(out, sheet);
  for (int y = sheet.height - 1; y >= 0; --y) {
    for (int x = 0; x < sheet.width; ++x) {
      out.push_back(static_cast<std::uint8_t>(sheet.InkAt(x, y).index));
    }
    out.resize(out.size() + (stride - sheet.width), 0);
  }
  return out;
}

std::vector<std::uint8_t> EncodeIco4(const Sheet& sheet, Variant variant) {
  if (sheet.format != Format::kIco4) throw std::invalid_argument("EncodeIco4 needs an ico4 sheet");
  const std::uint32_t colour_stride = Stride(sheet.width, 4);
  const std::uint32_t mask_stride = Stride(sheet.width, 1);
  const std::uint32_t image_size = (colour_stride + mask_stride) * sheet.height;
  const std::uint32_t entry_bytes = 40 + 16 * 4 + image_size;
  const std::uint32_t entry_offset = 6 + 16;

  std::vector<std::uint8_t> out;
  out.reserve(entry_offset + entry_bytes);
  Put16(out, 0);
  Put16(out, 1);                                          // icon
  Put16(out, 1);                                          // one image
  out.push_back(static_cast<std::uint8_t>(sheet.width));  // 256 wraps to 0, as the format wants
  out.push_back(static_cast<std::uint8_t>(sheet.height));
  out.push_back(16);  // colour count
  out.push_back(0);
  Put16(out, 0);  // planes and bit count left to the bitmap header
  Put16(out, 0);
  Put32(out, entry_bytes);
  Put32(out, entry_offset);
  PutInfoHeader(out, {sheet.width, 2 * sheet.height, 4, image_size, 0, 0});
  PutPalette(out, sheet);

  for (int y = sheet.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colour_stride, 0);
    for (int x = 0; x < sheet.width; ++x) {
      const Ink& ink = sheet.InkAt(x, y);
      int index = ink.clear ? 0 : ink.index;
      if (variant == Variant::kTray && ink.tray_index) index = *ink.tray_index;
      row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = sheet.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(mask_stride, 0);
    for (int x = 0; x < sheet.width; ++x) {
      if (sheet.InkAt(x, y).clear) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<Product> BuildArt(const std::filesystem::path& art_dir) {
  const Sheet badge = LoadSheet(art_dir / "badge.txt");
  const Sheet icon = LoadSheet(art_dir / "icon.txt");
  if (badge.format != Format::kBmp8) throw std::runtime_error("badge.txt must be a bmp8 sheet");
  if (icon.format != Format::kIco4) throw std::runtime_error("icon.txt must be an ico4 sheet");
  return {
      {"badge.bmp", EncodeBmp8(badge)},
      {"dialog.ico", EncodeIco4(icon, Variant::kDialog)},
      {"tray.ico", EncodeIco4(icon, Variant::kTray)},
  };
}

}  // namespace rn::artgen
