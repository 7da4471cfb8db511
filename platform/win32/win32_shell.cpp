// What the desktop asks of the shell and the process: COM for the link, opening
// a URL, reporting an error, the program's folder, ending the process.
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_desktop_impl.h"

namespace rn::win32 {
namespace {

constexpr wchar_t kTitle[] = L"Ravik N";

}  // namespace

ComApartment::~ComApartment() {
  if (entered_) ::CoUninitialize();
}

void ComApartment::Enter() {
  if (!entered_) {
    entered_ =
        SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  }
}

std::wstring DirectoryOfModule(const std::wstring& modulePath) {
  const std::size_t separator = modulePath.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  std::wstring folder = modulePath.substr(0, separator);
  // "C:" alone would mean the drive's current folder, not its root.
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

void Win32Desktop::Impl::Report(const std::string& message) {
  if (!options.errorsToMessageBox) {
    errors.push_back(message);
    return;
  }
  ::MessageBoxW(::GetActiveWindow(), Widen(message).c_str(), kTitle,
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Win32Desktop::ReportError(const std::string& message) { impl_->Report(message); }

void Win32Desktop::OpenUrl(const std::string& url) {
  impl_->com.Enter();
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return;
  // Three results are the system's own error codes; for the others, which are
  // the shell's, the system's last error says more.
  tk::Error error = tk::Error::PathFileAccess;
  if (code == SE_ERR_FNF) error = tk::Error::FileNotFound;
  if (code == SE_ERR_PNF) error = tk::Error::PathNotFound;
  if (code == SE_ERR_ACCESSDENIED) error = tk::Error::PermissionDenied;
  const DWORD reason =
      error == tk::Error::PathFileAccess ? ::GetLastError() : static_cast<DWORD>(code);
  throw tk::RuntimeError(error, url + ": cannot open it (" + std::to_string(code) + ", " +
                                    SystemMessage(reason) + ")");
}

std::string Win32Desktop::ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the path may have been cut.
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Narrow(DirectoryOfModule(path));
}

void Win32Desktop::EndProcess() {
  if (impl_->options.exitOnEnd) ::ExitProcess(0);
  ++impl_->endRequests;
}

const std::vector<std::string>& Win32Desktop::ReportedErrors() const { return impl_->errors; }
int Win32Desktop::EndProcessRequests() const { return impl_->endRequests; }

}  // namespace rn::win32
