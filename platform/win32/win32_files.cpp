#include "platform/win32/win32_files.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"

namespace rn::win32 {

tk::Error FileError(std::uint32_t systemError, bool isDirectory) {
  switch (systemError) {
    case ERROR_FILE_NOT_FOUND: return tk::Error::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return tk::Error::PathNotFound;
    case ERROR_ACCESS_DENIED:
      return isDirectory ? tk::Error::PathFileAccess : tk::Error::PermissionDenied;
    case ERROR_WRITE_PROTECT: return tk::Error::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return tk::Error::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    default: return tk::Error::PathFileAccess;
  }
}

namespace {

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

[[noreturn]] void Raise(tk::Error error, const std::string& path, std::uint32_t code) {
  throw tk::RuntimeError(error, path + ": " + SystemMessage(code));
}

// For a failure on `widePath` itself, which may turn out to be a folder.
[[noreturn]] void RaiseFor(std::uint32_t code, const std::string& path,
                           const std::wstring& widePath) {
  Raise(FileError(code, IsDirectory(widePath)), path, code);
}

class Win32Input final : public InputStream {
 public:
  Win32Input(unique_file file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(file_.get(), buffer, chunk, &read, nullptr)) {
      const DWORD code = ::GetLastError();
      Raise(FileError(code, false), path_, code);
    }
    return read;
  }

 private:
  unique_file file_;
  std::string path_;
};

// Writes go to a temporary file in the target's folder, so that the final move
// is a rename on one volume and the old file stays whole until that moment.
class Win32Output final : public OutputStream {
 public:
  Win32Output(unique_file file, std::wstring temp, std::wstring target, std::string path)
      : file_(std::move(file)),
        temp_(std::move(temp)),
        target_(std::move(target)),
        path_(std::move(path)) {}
  Win32Output(const Win32Output&) = delete;
  Win32Output& operator=(const Win32Output&) = delete;
  ~Win32Output() override { Discard(); }

  void Write(std::string_view text) override {
    CheckUsable();
    buffer_.append(text);
    if (buffer_.size() >= kBufferSize) Flush();
  }

  void Commit() override {
    if (committed_) return;
    CheckUsable();
    Flush();
    if (!::FlushFileBuffers(file_.get())) Abandon(::GetLastError());
    if (!::CloseHandle(file_.release())) Abandon(::GetLastError());
    if (!::MoveFileExW(temp_.c_str(), target_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD code = ::GetLastError();
      Abandon(code, IsDirectory(target_));
    }
    committed_ = true;
  }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  void Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(buffer_.size() - done, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(file_.get(), buffer_.data() + done, chunk, &written, nullptr)) {
        Abandon(::GetLastError());
      }
      done += written;
    }
    buffer_.clear();
  }

  void CheckUsable() {
    if (failed_ != tk::Error::None) throw tk::RuntimeError(failed_, path_ + ": already failed");
    if (committed_) throw tk::RuntimeError(tk::Error::BadFileMode, path_ + ": already closed");
  }

  [[noreturn]] void Abandon(DWORD code, bool isDirectory = false) {
    Discard();
    failed_ = FileError(code, isDirectory);
    Raise(failed_, path_, code);
  }

  void Discard() noexcept {
    if (committed_ || temp_.empty()) return;
    file_.reset();
    ::DeleteFileW(temp_.c_str());
    temp_.clear();
  }

  unique_file file_;
  std::wstring temp_;
  std::wstring target_;
  std::string path_;
  std::string buffer_;
  tk::Error failed_ = tk::Error::None;
  bool committed_ = false;
};

std::wstring Hex(std::uint32_t value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), L"0123456789abcdef"[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

std::wstring FullPath(const std::wstring& path, std::size_t& fileNameOffset) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    wchar_t* filePart = nullptr;
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
    if (length == 0) return {};
    if (length < full.size()) {
      fileNameOffset = filePart ? static_cast<std::size_t>(filePart - full.data()) : length;
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

}  // namespace

std::unique_ptr<InputStream> Win32FileSystem::OpenInput(const std::string& path) {
  const std::wstring wide = Widen(path);
  unique_file file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFor(::GetLastError(), path, wide);
  // Some systems open a folder for reading; it still is no file to read.
  if (IsDirectory(wide)) RaiseFor(ERROR_ACCESS_DENIED, path, wide);
  return std::make_unique<Win32Input>(std::move(file), path);
}

std::unique_ptr<OutputStream> Win32FileSystem::OpenOutput(const std::string& path) {
  const std::wstring wide = Widen(path);
  std::size_t nameOffset = 0;
  const std::wstring target = wide.empty() ? std::wstring() : FullPath(wide, nameOffset);
  if (target.empty() || nameOffset >= target.size()) RaiseFor(ERROR_INVALID_NAME, path, wide);

  // What the final move could not replace is refused now, before any writing.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      Raise(tk::Error::PathFileAccess, path, ERROR_ACCESS_DENIED);
    if (attributes & FILE_ATTRIBUTE_READONLY)
      Raise(tk::Error::PermissionDenied, path, ERROR_ACCESS_DENIED);
  }

  // A short name of its own, so that a target name near the length limit still
  // leaves room for it.
  static std::atomic<unsigned> counter{0};
  const std::wstring folder = target.substr(0, nameOffset);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring temp =
        folder + L"~rn" + Hex(::GetCurrentProcessId()) + L"-" + Hex(++counter) + L".tmp";
    unique_file file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      return std::make_unique<Win32Output>(std::move(file), std::move(temp), target, path);
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      Raise(FileError(code, false), path, code);
    }
  }
  Raise(tk::Error::PathFileAccess, path, ERROR_FILE_EXISTS);
}

}  // namespace rn::win32
