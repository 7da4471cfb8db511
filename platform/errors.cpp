#include "platform/errors.h"

#include <new>

namespace rn::tk {

std::string Describe(Error error) {
  switch (error) {
    case Error::None: return "No error";
    case Error::InvalidCall: return "Invalid procedure call or argument";
    case Error::Overflow: return "Overflow";
    case Error::OutOfMemory: return "Out of memory";
    case Error::DivisionByZero: return "Division by zero";
    case Error::SubscriptOutOfRange: return "Subscript out of range";
    case Error::TypeMismatch: return "Type mismatch";
    case Error::BadFileNumber: return "Bad file name or number";
    case Error::FileNotFound: return "File not found";
    case Error::BadFileMode: return "Bad file mode";
    case Error::FileAlreadyOpen: return "File already open";
    case Error::DiskFull: return "Disk full";
    case Error::InputPastEnd: return "Input past end of file";
    case Error::InternalError: return "Internal error";
    case Error::TooManyFiles: return "Too many files";
    case Error::PermissionDenied: return "Permission denied";
    case Error::PathFileAccess: return "Path/File access error";
    case Error::PathNotFound: return "Path not found";
    case Error::InvalidProcedureState: return "Form already displayed; can't show modally";
  }
  return "Application-defined or object-defined error";
}

Error ErrorOf(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const RuntimeError*>(&failure)) return error->error();
  if (dynamic_cast<const std::bad_alloc*>(&failure)) return Error::OutOfMemory;
  return Error::InternalError;
}

namespace {
std::string Message(Error error, const std::string& detail) {
  std::string text =
      "Run-time error " + std::to_string(static_cast<std::int32_t>(error)) + ": " + Describe(error);
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}
}  // namespace

RuntimeError::RuntimeError(Error error, const std::string& detail)
    : error_(error), message_(Message(error, detail)) {}

}  // namespace rn::tk
