// What the fuzz targets and the sweep share: a check that survives release
// builds and stops the run with a message libFuzzer keeps beside the input,
// and an input stream over bytes in memory that serves them in pieces.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace rn::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::abort();
}

#define RN_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::rn::fuzz::Fail(#condition, __FILE__, __LINE__))

// `chunk` bytes at most per Read, so a value can straddle the reader's refills.
class MemoryInput : public InputStream {
 public:
  explicit MemoryInput(std::string_view bytes, std::size_t chunk = 0)
      : bytes_(bytes), chunk_(chunk == 0 ? bytes.size() + 1 : chunk) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, chunk_, bytes_.size() - pos_});
    if (n != 0) std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t chunk_;
  std::size_t pos_ = 0;
};

}  // namespace rn::fuzz
