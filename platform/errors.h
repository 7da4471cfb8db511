// Run-time errors of the forms toolkit and its two error modes.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace rn::tk {

// The toolkit's numbered run-time errors; the number is what a handler can test.
enum class Error : std::int32_t {
  None = 0,
  InvalidCall = 5,
  Overflow = 6,
  OutOfMemory = 7,
  DivisionByZero = 11,
  SubscriptOutOfRange = 9,
  TypeMismatch = 13,
  BadFileNumber = 52,
  FileNotFound = 53,
  BadFileMode = 54,
  FileAlreadyOpen = 55,
  DiskFull = 61,
  InputPastEnd = 62,
  InternalError = 51,
  TooManyFiles = 67,
  PermissionDenied = 70,
  PathFileAccess = 75,
  PathNotFound = 76,
  InvalidProcedureState = 400,
};

// Describes an error in words for the error report.
std::string Describe(Error error);

// Not a std::runtime_error: that one keeps its message in a reference-counted string type of
// its own, and the executable would carry that type's 20 KB of library code only for it.
class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(Error error, const std::string& detail = {});
  const char* what() const noexcept override { return message_.c_str(); }
  Error error() const { return error_; }
  std::int32_t number() const { return static_cast<std::int32_t>(error_); }

 private:
  Error error_;
  std::string message_;
};

// Thrown by End to unwind the handler that ended the program; no code of the
// gadget runs after it.
struct ProgramEnded {};

// The number a failure that is no run-time error of the toolkit's own (a window
// the platform could not make, memory running out) stands for.
Error ErrorOf(const std::exception& failure);

// Resume-next mode: a step that fails in any way is abandoned, its error number
// is kept readable, and the next step runs. Only the end of the program goes on
// unwinding.
class ResumeNext {
 public:
  template <class Step>
  void operator()(Step&& step) {
    try {
      step();
    } catch (const ProgramEnded&) {
      throw;
    } catch (const std::exception& e) {
      last_error_ = ErrorOf(e);
    } catch (...) {
      last_error_ = Error::InternalError;
    }
  }
  Error LastError() const { return last_error_; }

 private:
  Error last_error_ = Error::None;
};

}  // namespace rn::tk
