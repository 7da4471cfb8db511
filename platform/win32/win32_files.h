// The file system with wide-character paths and output that replaces a file
// only once it is complete.
#pragma once

#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"

namespace rn::win32 {

// The run-time error a failed file call stands for. A denied folder is not a
// permission matter but the wrong kind of path.
tk::Error FileError(std::uint32_t systemError, bool isDirectory);

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputStream> OpenInput(const std::string& path) override;
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override;
};

}  // namespace rn::win32
