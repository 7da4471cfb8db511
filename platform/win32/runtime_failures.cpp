// How the C++ runtime's own failures end: the library's versions of these functions, defined
// here, in an object linked ahead of the library, keep theirs out of the link.

#include <cxxabi.h>

#include <cstdarg>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/win32/native.h"

namespace __gnu_cxx {

// When the runtime gives up (an exception thrown through noexcept, for one): says so in a
// message box and aborts. libstdc++'s handler of this name writes the exception's demangled
// type to standard error, which a windowed program does not have, and brings the demangler and
// printf with it: about 70 KB of a 300 KB executable. Its default terminate handler refers to
// the function by name.
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

// What the standard containers and strings throw when misused. The library's versions throw
// std::logic_error and its kin, whose message is a reference-counted string type of its own:
// with them the executable carries that type's library code (about 25 KB) for errors no user
// can cause. These throw what the toolkit already reports, so a failure still ends only the
// event it happened in, with its error number. Every helper the program refers to is here:
// one left to the library would bring the library's object, which defines the others too,
// into a clash with these.
namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }

void __throw_bad_array_new_length() { throw bad_array_new_length(); }

// A container or string asked to outgrow its largest size: the memory is what it cannot have.
void __throw_length_error(const char*) { throw bad_alloc(); }

void __throw_logic_error(const char* what) {
  throw rn::tk::RuntimeError(rn::tk::Error::InternalError, what);
}

// The format's values are left out (formatting them is what the library's printf-like code is
// for); the function that refused is named: the format's first argument where the format starts
// with it, otherwise the format's own text before its first ": ".
void __throw_out_of_range_fmt(const char* format, ...) {
  const string_view text(format);
  string where;
  if (text.starts_with("%s")) {
    va_list arguments;
    va_start(arguments, format);
    where = va_arg(arguments, const char*);
    va_end(arguments);
  } else {
    where = text.substr(0, text.find(": "));
  }
  throw rn::tk::RuntimeError(rn::tk::Error::SubscriptOutOfRange, where);
}

}  // namespace std
