// What the toolkit's file services need of a desktop's file system. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace rn {

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Fills up to `size` bytes and returns how many; 0 only at the end of the file.
  // Throws tk::RuntimeError when the file cannot be read.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// Output never touches the file it replaces until Commit: the text goes to a
// temporary file beside it, which Commit makes durable and then puts in the
// file's place in one step. Destroying an uncommitted stream removes the
// temporary file, so a failure at any point leaves the old file as it was.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual void Write(std::string_view text) = 0;  // throws tk::RuntimeError
  virtual void Commit() = 0;                      // throws tk::RuntimeError
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Throw tk::RuntimeError: FileNotFound, PathNotFound, PermissionDenied,
  // PathFileAccess (locked, a directory, or otherwise unusable).
  virtual std::unique_ptr<InputStream> OpenInput(const std::string& path) = 0;
  virtual std::unique_ptr<OutputStream> OpenOutput(const std::string& path) = 0;
};

}  // namespace rn
