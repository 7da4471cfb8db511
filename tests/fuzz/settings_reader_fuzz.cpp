// Fuzzes the settings reader with the bytes of a settings file: the three
// units of values in the order start-up reads them, served whole and a byte at
// a time, then every value the reader accepts, which must be finite and come
// back bit for bit from the writer's text, and the input's start read as one
// value against the C++ library.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>

#include "fuzz_check.h"
#include "number_text.h"
#include "platform/errors.h"
#include "settings/float_text.h"
#include "settings/settings_text.h"

namespace rn::fuzz {
namespace {

struct StartUpReading {
  float values[4] = {};
  bool stored[4] = {};
  Flag flag = kFalse;
  bool flagStored = false;
  tk::Error lastError = tk::Error::None;
  bool operator==(const StartUpReading& o) const {
    for (int i = 0; i < 4; ++i) {
      if (stored[i] != o.stored[i] || (stored[i] && Bits(values[i]) != Bits(o.values[i]))) {
        return false;
      }
    }
    return flagStored == o.flagStored && flag == o.flag && lastError == o.lastError;
  }
};

StartUpReading ReadLikeStartUp(std::string_view bytes, std::size_t chunk) {
  tk::TextReader in(std::make_unique<MemoryInput>(bytes, chunk));
  tk::ResumeNext next;
  StartUpReading r;
  const auto position = [&](int i) {
    r.values[i] = ReadPosition(in);
    r.stored[i] = true;
  };
  next([&] {
    position(0);
    position(1);
  });
  next([&] {
    position(2);
    position(3);
  });
  next([&] {
    r.flag = ReadFlag(in);
    r.flagStored = true;
  });
  r.lastError = next.LastError();
  return r;
}

void CheckStartUpReading(std::string_view bytes) {
  const StartUpReading whole = ReadLikeStartUp(bytes, 0);
  for (int i = 0; i < 4; ++i) {
    if (!whole.stored[i]) continue;
    RN_CHECK(std::isfinite(whole.values[i]));
    RN_CHECK(std::fabs(whole.values[i]) <= kMaxPositionTwips);
  }
  RN_CHECK(whole.flag == kTrue || whole.flag == kFalse);
  tk::TextReader flagBack(std::make_unique<MemoryInput>(FormatFlag(whole.flag) + "\r\n"));
  RN_CHECK(ReadFlag(flagBack) == whole.flag);
  // How the disk hands the bytes over must not change what is read.
  RN_CHECK(ReadLikeStartUp(bytes, 1) == whole);
}

float ReadBack(const std::string& text) {
  tk::TextReader in(std::make_unique<MemoryInput>(text));
  const float value = ReadNumber(in);
  // The writer's text is one whole value: nothing of it is left over.
  RN_CHECK(in.Peek() == tk::TextReader::kEnd);
  return value;
}

// A settings file holds five values; the first few dozen of an input are
// plenty, and each failed value costs a thrown error.
constexpr std::size_t kMostValues = 24;

void CheckEveryNumber(std::string_view bytes) {
  tk::TextReader in(std::make_unique<MemoryInput>(bytes));
  // Every read takes at least one byte or meets the end, so the input must
  // run out within this many reads; more would mean a read that never moves on.
  const std::size_t reads = std::min(bytes.size() + 1, kMostValues);
  for (std::size_t read = 0; read < reads; ++read) {
    try {
      const float value = ReadNumber(in);
      RN_CHECK(std::isfinite(value));
      const std::string text = FormatNumber(value);
      RN_CHECK(Bits(ReadBack(text)) == Bits(value));
    } catch (const tk::RuntimeError& e) {
      if (e.error() == tk::Error::InputPastEnd) return;
      RN_CHECK(e.error() == tk::Error::TypeMismatch || e.error() == tk::Error::Overflow);
    }
  }
  RN_CHECK(reads == kMostValues || !"the reader stopped moving on");
}

// The input's start as one value's text, against the C++ library: the same
// float or verdict, and for a float the library's text when written.
void CheckAgainstTheLibrary(std::string_view bytes) {
  const std::string_view text = bytes.substr(0, 256);
  const Verdict expected = LibraryVerdict(text);
  float value = 0;
  RN_CHECK(float_text::Parse(text, value) == expected.result);
  if (expected.result != float_text::ParseResult::Ok) return;
  RN_CHECK(Bits(value) == Bits(expected.value));
  RN_CHECK(float_text::Format(value) == LibraryText(value));
}

}  // namespace
}  // namespace rn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  rn::fuzz::CheckStartUpReading(bytes);
  rn::fuzz::CheckEveryNumber(bytes);
  rn::fuzz::CheckAgainstTheLibrary(bytes);
  return 0;
}
