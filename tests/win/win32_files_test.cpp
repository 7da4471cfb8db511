// The wide-character file system: errors as the toolkit numbers them, and output
// that leaves the old file alone until its one final move.
#include "platform/win32/win32_files.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/file_numbers.h"
#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/text.h"

namespace rn::win32 {
namespace {

// A fresh folder of its own under the temporary folder, removed with its files.
class Folder {
 public:
  explicit Folder(const std::wstring& name) {
    wchar_t temp[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
    Clear();
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder() { Clear(); }

  std::wstring Wide(const std::wstring& file) const { return path_ + L"\\" + file; }
  std::string Path(const std::wstring& file) const { return Narrow(Wide(file)); }
  std::vector<std::wstring> Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
  }

 private:
  void Clear() {
    for (const std::wstring& name : Files()) {
      ::SetFileAttributesW(Wide(name).c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(Wide(name).c_str());
      ::RemoveDirectoryW(Wide(name).c_str());
    }
    ::RemoveDirectoryW(path_.c_str());
  }
  std::wstring path_;
};

std::string ReadAll(FileSystem& files, const std::string& path) {
  std::unique_ptr<InputStream> input = files.OpenInput(path);
  std::string text;
  char buffer[7];  // small, so that reading takes several calls
  for (std::size_t n; (n = input->Read(buffer, sizeof(buffer))) != 0;) text.append(buffer, n);
  return text;
}

void WriteAll(FileSystem& files, const std::string& path, const std::string& text) {
  std::unique_ptr<OutputStream> output = files.OpenOutput(path);
  output->Write(text);
  output->Commit();
}

tk::Error ErrorOf(const std::function<void()>& step, std::string* what = nullptr) {
  try {
    step();
  } catch (const tk::RuntimeError& e) {
    if (what) *what = e.what();
    return e.error();
  }
  return tk::Error::None;
}

class Win32FilesTest : public ::testing::Test {
 protected:
  Win32FileSystem files;
  Folder folder{L"rn-files"};
};

TEST_F(Win32FilesTest, OpeningForInputNamesTheFault) {
  std::string what;
  const std::string missing = folder.Path(L"missing.ini");
  EXPECT_EQ(ErrorOf([&] { files.OpenInput(missing); }, &what), tk::Error::FileNotFound);
  EXPECT_NE(what.find(missing), std::string::npos);
  EXPECT_GT(what.size(), missing.size() + 40);  // and the system's words for it

  EXPECT_EQ(ErrorOf([&] { files.OpenInput(folder.Path(L"no\\such.ini")); }),
            tk::Error::PathNotFound);
  ::CreateDirectoryW(folder.Wide(L"sub").c_str(), nullptr);
  EXPECT_EQ(ErrorOf([&] { files.OpenInput(folder.Path(L"sub")); }), tk::Error::PathFileAccess);

  WriteAll(files, folder.Path(L"locked.ini"), "x");
  const unique_file exclusive(::CreateFileW(folder.Wide(L"locked.ini").c_str(), GENERIC_READ, 0,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(exclusive);
  EXPECT_EQ(ErrorOf([&] { files.OpenInput(folder.Path(L"locked.ini")); }),
            tk::Error::PathFileAccess);
}

TEST_F(Win32FilesTest, AJapaneseFolderRoundTrips) {
  const std::wstring sub = L"設定フォルダ";
  ASSERT_TRUE(::CreateDirectoryW(folder.Wide(sub).c_str(), nullptr));
  const std::string path = folder.Path(sub + L"\\ラヴィク.ini");
  const std::string text = "名前=値\r\nx=1\r\n";
  WriteAll(files, path, text);
  EXPECT_EQ(ReadAll(files, path), text);
  EXPECT_NE(::GetFileAttributesW(Widen(path).c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(Widen(path).c_str());
}

TEST_F(Win32FilesTest, TheToolkitsNumberedFilesWriteAndReadLines) {
  tk::FileNumbers numbers(files);
  const std::string path = folder.Path(L"numbers.ini");
  numbers.OpenOutput(1, path);
  numbers.PrintLine(1, "一行目");
  numbers.Close(1);
  EXPECT_EQ(ReadAll(files, path), "一行目\r\n");
}

TEST_F(Win32FilesTest, TheOldFileStaysUntilTheCommit) {
  const std::string path = folder.Path(L"settings.ini");
  WriteAll(files, path, "old");
  {
    std::unique_ptr<OutputStream> output = files.OpenOutput(path);
    output->Write("new, never committed");
    EXPECT_EQ(ReadAll(files, path), "old");
  }
  EXPECT_EQ(ReadAll(files, path), "old");
  EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"settings.ini"});  // no temporary left

  std::unique_ptr<OutputStream> output = files.OpenOutput(path);
  output->Write(std::string(200000, 'n'));  // more than one buffer
  EXPECT_EQ(ReadAll(files, path), "old");
  output->Commit();
  EXPECT_EQ(ReadAll(files, path).size(), 200000u);
  EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"settings.ini"});
}

TEST_F(Win32FilesTest, AFailedCommitKeepsTheOldFileAndRemovesTheTemporary) {
  const std::string path = folder.Path(L"settings.ini");
  WriteAll(files, path, "old");
  std::unique_ptr<OutputStream> output = files.OpenOutput(path);
  output->Write("new");
  {
    // Held open by someone who allows no deletion: it cannot be replaced.
    const unique_file holder(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    const tk::Error error = ErrorOf([&] { output->Commit(); });
    EXPECT_TRUE(error == tk::Error::PathFileAccess || error == tk::Error::PermissionDenied);
  }
  EXPECT_EQ(ReadAll(files, path), "old");
  EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"settings.ini"});
  EXPECT_NE(ErrorOf([&] { output->Commit(); }), tk::Error::None);  // it stays failed
}

TEST_F(Win32FilesTest, OutputThatCannotBeginLeavesEverythingAsItWas) {
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput(folder.Path(L"no\\such.ini")); }),
            tk::Error::PathNotFound);
  ::CreateDirectoryW(folder.Wide(L"sub").c_str(), nullptr);
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput(folder.Path(L"sub")); }), tk::Error::PathFileAccess);

  const std::string readOnly = folder.Path(L"readonly.ini");
  WriteAll(files, readOnly, "old");
  ::SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput(readOnly); }), tk::Error::PermissionDenied);
  EXPECT_EQ(ReadAll(files, readOnly), "old");
  EXPECT_EQ(folder.Files().size(), 2u);  // the file and the sub-folder, nothing more
}

TEST(Win32FileErrorTest, SystemErrorsBecomeTheToolkitsNumbers) {
  EXPECT_EQ(FileError(ERROR_FILE_NOT_FOUND, false), tk::Error::FileNotFound);
  EXPECT_EQ(FileError(ERROR_PATH_NOT_FOUND, false), tk::Error::PathNotFound);
  EXPECT_EQ(FileError(ERROR_INVALID_NAME, false), tk::Error::PathNotFound);
  EXPECT_EQ(FileError(ERROR_ACCESS_DENIED, false), tk::Error::PermissionDenied);
  EXPECT_EQ(FileError(ERROR_ACCESS_DENIED, true), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_SHARING_VIOLATION, false), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_LOCK_VIOLATION, false), tk::Error::PathFileAccess);
  EXPECT_EQ(FileError(ERROR_DISK_FULL, false), tk::Error::DiskFull);
  EXPECT_EQ(FileError(ERROR_HANDLE_DISK_FULL, false), tk::Error::DiskFull);
}

}  // namespace
}  // namespace rn::win32
