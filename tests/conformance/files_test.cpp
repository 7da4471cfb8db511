// The file system under the settings file: the platform's names, its error
// numbers, and a replacement that leaves the old file whole whatever fails.
#include <algorithm>
#include <optional>

#include "platform/file_numbers.h"
#include "tests/conformance/conformance.h"
#include "tests/conformance/failing_files.h"

namespace rn::conformance {
namespace {

constexpr const char* kOld = "Left=120\r\nTop=240\r\n";

class DesktopFiles : public DesktopTest {
 protected:
  DesktopFiles() { Write(path, kOld); }

  void Write(const std::string& file, const std::string& text) {
    const std::unique_ptr<OutputStream> out = files.OpenOutput(file);
    out->Write(text);
    out->Commit();
  }
  // Read in small pieces, as a disk may give them.
  std::string Read(const std::string& file) {
    const std::unique_ptr<InputStream> in = files.OpenInput(file);
    std::string text;
    char buffer[7];
    for (std::size_t n; (n = in->Read(buffer, sizeof(buffer))) != 0;) text.append(buffer, n);
    return text;
  }
  std::vector<std::string> Names() { return user.List(folder); }

  FileSystem& files = desktop.Files();
  const std::string folder = user.Folder();
  const std::string path = folder + "\\Ravik.ini";
};

TEST_F(DesktopFiles, NamesMatchWithoutCaseWithEitherSeparatorAndFromTheCurrentFolder) {
  std::string slashed = folder;
  std::ranges::replace(slashed, '\\', '/');
  const std::string drive = folder.substr(0, 2);
  for (const std::string& name :
       {slashed + "/RAVIK.ini", std::string("Ravik.ini"), std::string("./x/../ravik.INI"),
        folder.substr(2) + "\\\\Ravik.ini", std::string("Ravik.ini. "), drive + "Ravik.ini"}) {
    EXPECT_EQ(Read(name), kOld) << name;
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"Ravik.ini"});
}

TEST_F(DesktopFiles, AFileThatCannotBeOpenedIsNamedWithThePlatformsNumber) {
  user.MakeFolder(folder + "\\Empty");
  const std::vector<std::pair<std::string, tk::Error>> inputs{
      {folder + "\\Missing\\Ravik.ini", tk::Error::PathNotFound},
      {folder + "\\Other.ini", tk::Error::FileNotFound},
      {folder + "\\Empty", tk::Error::PathFileAccess},
      {path + "\\Inner.ini", tk::Error::PathNotFound},
      {folder + "\\Ravik?.ini", tk::Error::PathNotFound},
      {"", tk::Error::PathNotFound},
      {"\\\\server\\share\\Ravik.ini", tk::Error::PathNotFound},
      {folder.substr(0, 3), tk::Error::PathFileAccess},
  };
  for (const auto& [name, error] : inputs) {
    std::string what;
    EXPECT_EQ(ErrorOf([&] { files.OpenInput(name); }, &what), error) << name;
    EXPECT_NE(what.find(name), std::string::npos) << what;
  }
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput(folder + "\\Missing\\Ravik.ini"); }),
            tk::Error::PathNotFound);
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput(folder + "\\Empty"); }), tk::Error::PathFileAccess);
  user.Lock(path, true);
  EXPECT_EQ(ErrorOf([&] { files.OpenInput(path); }), tk::Error::PathFileAccess);
  user.Lock(path, false);
  EXPECT_EQ(Read(path), kOld);
}

TEST_F(DesktopFiles, OutputGoesToATemporaryFileBesideTheTargetUntilItIsCommitted) {
  const std::unique_ptr<OutputStream> out = files.OpenOutput(folder + "\\RAVIK.INI");
  out->Write("Left=0\r\n");
  EXPECT_EQ(Names().size(), 2u) << "the temporary file is there to be seen";
  EXPECT_EQ(Read(path), kOld);
  out->Write(std::string(100000, 'x'));
  out->Commit();
  EXPECT_EQ(Read(path), "Left=0\r\n" + std::string(100000, 'x'));
  EXPECT_EQ(Names(), std::vector<std::string>{"Ravik.ini"}) << "and keeps its name";
}

TEST_F(DesktopFiles, AFileSomeoneHasOpenCannotBeReplacedAndAFailedCommitStaysFailed) {
  {
    const std::unique_ptr<InputStream> reader = files.OpenInput(path);
    const std::unique_ptr<OutputStream> out = files.OpenOutput(path);
    out->Write("new");
    EXPECT_EQ(ErrorOf([&] { out->Commit(); }), tk::Error::PermissionDenied);
    EXPECT_EQ(ErrorOf([&] { out->Commit(); }), tk::Error::PermissionDenied);
    char buffer[32];
    EXPECT_EQ(std::string(buffer, reader->Read(buffer, sizeof(buffer))), kOld);
  }

  user.Lock(path, true);
  const std::unique_ptr<OutputStream> locked = files.OpenOutput(path);
  locked->Write("new");
  EXPECT_EQ(ErrorOf([&] { locked->Commit(); }), tk::Error::PermissionDenied);
  user.Lock(path, false);
  EXPECT_EQ(Names(), std::vector<std::string>{"Ravik.ini"});
}

TEST_F(DesktopFiles, JapaneseNamesAndTheToolkitsNumberedLinesRoundTrip) {
  user.MakeFolder(folder + "\\設定フォルダ");
  const std::string japanese = folder + "\\設定フォルダ\\ラヴィク.ini";
  tk::FileNumbers numbers(files);
  numbers.OpenOutput(1, japanese);
  numbers.PrintLine(1, "一行目");
  numbers.PrintLine(1, "x=1");
  numbers.Close(1);
  EXPECT_EQ(Read(japanese), "一行目\r\nx=1\r\n");
  EXPECT_EQ(user.List(folder + "\\設定フォルダ"), std::vector<std::string>{"ラヴィク.ini"});
}

struct Fault {
  const char* name;
  std::function<void(Driver&, const std::string&, bool)> arm;  // on or off
  std::optional<FailingFiles::Step> step;
  tk::Error expected;
  bool commit = true;
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class DesktopFileFaults : public DesktopFiles, public ::testing::WithParamInterface<Fault> {};

TEST_P(DesktopFileFaults, TheOldFileSurvivesByteForByteAndNoTemporaryFileStays) {
  const Fault& fault = GetParam();
  if (fault.arm) fault.arm(user, path, true);
  std::optional<FailingFiles> failing;
  if (fault.step) failing.emplace(files, *fault.step, 2);
  const tk::Error raised =
      WriteThroughANumber(failing ? static_cast<FileSystem&>(*failing) : files, path, fault.commit);
  EXPECT_EQ(raised, fault.expected);
  if (fault.arm) fault.arm(user, path, false);
  EXPECT_EQ(Read(path), kOld);
  EXPECT_EQ(Names(), std::vector<std::string>{"Ravik.ini"});
  Write(path, "Left=1\r\n");
  EXPECT_EQ(Read(path), "Left=1\r\n") << "the fault is gone once cleared";
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, DesktopFileFaults,
    ::testing::Values(
        Fault{"LockedFile", [](Driver& d, const std::string& p, bool on) { d.Lock(p, on); },
              std::nullopt, tk::Error::PermissionDenied},
        Fault{"ReadOnlyFile",
              [](Driver& d, const std::string& p, bool on) { d.MakeReadOnly(p, on); }, std::nullopt,
              tk::Error::PermissionDenied},
        Fault{"WriteFails", nullptr, FailingFiles::Step::Write, tk::Error::DiskFull},
        Fault{"CommitFails", nullptr, FailingFiles::Step::Commit, tk::Error::PathFileAccess},
        Fault{"NeverCommitted", nullptr, std::nullopt, tk::Error::None, false}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

}  // namespace
}  // namespace rn::conformance
