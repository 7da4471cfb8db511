// What the program does when the C++ runtime gives up (an exception thrown through
// noexcept, for one): says so in a message box and aborts.
//
// libstdc++'s own handler of this name writes the exception's demangled type to
// standard error, which a windowed program does not have, and brings the
// demangler and printf with it: about 70 KB of a 300 KB executable. Its default
// terminate handler refers to the function by name, so defining it here, in an
// object linked ahead of the library, keeps the library's out of the link.
#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <iterator>

#include "platform/win32/native.h"

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  constexpr char kUnknown[] = "The program had to stop: an error could not be handled.";
  const char* what = kUnknown;
  try {
    // Rethrown only if there is one: a bare throw without one would end here again.
    if (abi::__cxa_current_exception_type() != nullptr) throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  // No allocation: memory may be what ran out.
  wchar_t text[512];
  const auto widen = [&text](const char* utf8) {
    return ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, static_cast<int>(std::size(text)));
  };
  if (widen(what) == 0) widen(kUnknown);
  ::MessageBoxW(nullptr, text, L"Ravik N", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  std::abort();
}

}  // namespace __gnu_cxx
