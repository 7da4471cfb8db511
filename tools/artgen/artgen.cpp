// Regenerates the gadget's pictures from their text sheets:
//   artgen <out-dir> [<sheet-dir>]
// The sheets default to the source tree's forms/art. Output is byte-for-byte
// deterministic, so committing the result after a sheet edit is a plain diff.
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/picture_decoder.h"
#include "tools/artgen/sheet.h"

namespace {

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Read back what was written with the decoder the gadget itself uses, so a
// sheet that encodes into something unloadable fails here and not at start-up.
void Verify(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = rn::art::ReadFileBytes(path);
  if (path.extension() == ".bmp") {
    rn::art::DecodeBmp(bytes);
  } else {
    rn::art::DecodeIco(bytes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: artgen <out-dir> [<sheet-dir>]\n";
    return 2;
  }
  try {
    const std::filesystem::path out_dir = argv[1];
    const std::filesystem::path sheet_dir = argc == 3 ? argv[2] : RN_ART_DIR;
    std::filesystem::create_directories(out_dir);
    for (const rn::artgen::Product& product : rn::artgen::BuildArt(sheet_dir)) {
      const std::filesystem::path path = out_dir / product.file_name;
      Write(path, product.bytes);
      Verify(path);
      std::cout << path.string() << " (" << product.bytes.size() << " bytes)\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "artgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
