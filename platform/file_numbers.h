// The toolkit's numbered files: a free number, open for input or output, close.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace rn::tk {

// Reads a file a character at a time through a small buffer, so a huge file
// costs no more memory than a small one.
class TextReader {
 public:
  static constexpr int kEnd = -1;
  explicit TextReader(std::unique_ptr<InputStream> stream);
  int Peek();
  int Get();
  // Consumes `bytes` if the text goes on with exactly them; otherwise reads nothing.
  bool Skip(std::string_view bytes);

 private:
  bool Fill();
  bool Buffer(std::size_t count);
  std::unique_ptr<InputStream> stream_;
  char buffer_[4096];
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
};

class FileNumbers {
 public:
  explicit FileNumbers(FileSystem& fs) : fs_(fs) {}

  std::int16_t FreeFile() const;  // the lowest number not in use
  void OpenInput(std::int16_t number, const std::string& path);
  void OpenOutput(std::int16_t number, const std::string& path);
  TextReader& Input(std::int16_t number);
  // Writes one line and its CR LF.
  void PrintLine(std::int16_t number, std::string_view line);
  // Output is committed here; a number that is not open is ignored.
  void Close(std::int16_t number);
  // Closes without committing: output that failed half-way leaves no trace.
  void Discard(std::int16_t number);
  // Closes every open file as Close does; the program is ending, so a file that
  // cannot be committed is given up rather than reported.
  void CloseAll() noexcept;

 private:
  struct OpenFile {
    std::unique_ptr<TextReader> reader;
    std::unique_ptr<OutputStream> writer;
  };
  OpenFile& Get(std::int16_t number);
  void Claim(std::int16_t number);

  FileSystem& fs_;
  std::map<std::int16_t, OpenFile> open_;
};

}  // namespace rn::tk
