// The simulated file system: the platform's path rules, its error numbers, and
// replacement that is all or nothing under every fault a test can inject.
#include <gtest/gtest.h>

#include <functional>

#include "platform/file_numbers.h"
#include "platform/sim/world.h"

namespace rn::sim {
namespace {

constexpr const char* kDir = "C:\\Program Files\\Ravik N";
constexpr const char* kPath = "C:\\Program Files\\Ravik N\\Ravik.ini";
constexpr const char* kOld = "Left=120\r\nTop=240\r\n";

template <class Step>
tk::Error ErrorOf(Step&& step) {
  try {
    step();
  } catch (const tk::RuntimeError& e) {
    return e.error();
  }
  return tk::Error::None;
}

std::string ReadAll(tk::FileNumbers& numbers, const std::string& path) {
  numbers.OpenInput(1, path);
  std::string text;
  for (int c = numbers.Input(1).Get(); c != tk::TextReader::kEnd; c = numbers.Input(1).Get()) {
    text += static_cast<char>(c);
  }
  numbers.Close(1);
  return text;
}

class SimFilesTest : public ::testing::Test {
 protected:
  SimFilesTest() { files.PutFile(kPath, kOld); }
  World world;
  SimFiles& files = world.files();
  tk::FileNumbers numbers{world.desktop().Files()};
};

TEST_F(SimFilesTest, NamesMatchWithoutCaseWithEitherSeparatorAndFromTheProgramsFolder) {
  for (const char* path : {"c:/program files/RAVIK N/ravik.INI", "Ravik.ini", "./x/../Ravik.ini",
                           "\\Program Files\\Ravik N\\\\Ravik.ini", "Ravik.ini. ", "C:Ravik.ini"}) {
    EXPECT_EQ(ReadAll(numbers, path), kOld) << path;
  }
  EXPECT_EQ(files.List(kDir), std::vector<std::string>{"Ravik.ini"});
  EXPECT_EQ(files.List("C:\\"), std::vector<std::string>{"Program Files"});
}

TEST_F(SimFilesTest, OpeningForInputFailsWithThePlatformsNumbers) {
  files.MakeFolder("C:\\Data\\Empty");
  const std::vector<std::pair<std::string, tk::Error>> cases{
      {"C:\\Missing\\Ravik.ini", tk::Error::PathNotFound},
      {"C:\\Program Files\\Ravik N\\Other.ini", tk::Error::FileNotFound},
      {"C:\\Data\\Empty", tk::Error::PathFileAccess},
      {"C:\\", tk::Error::PathFileAccess},
      {"Ravik?.ini", tk::Error::PathFileAccess},
      {"", tk::Error::PathFileAccess},
      {"D:\\Ravik.ini", tk::Error::PathNotFound},
      {"\\\\server\\share\\Ravik.ini", tk::Error::PathNotFound},
      {"Ravik.ini\\Inner.ini", tk::Error::PathNotFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { files.OpenInput(c.first); }), c.second) << c.first;
  }
  files.Lock(kPath);
  EXPECT_EQ(ErrorOf([&] { files.OpenInput(kPath); }), tk::Error::PathFileAccess);
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput("C:\\Missing\\Ravik.ini"); }), tk::Error::PathNotFound);
  EXPECT_EQ(ErrorOf([&] { files.OpenOutput("C:\\Data\\Empty"); }), tk::Error::PathFileAccess);
  EXPECT_EQ(files.OpenStreams(), 0);
}

TEST_F(SimFilesTest, OutputGoesToATemporaryFileBesideTheTargetUntilCommit) {
  auto out = files.OpenOutput("RAVIK.INI");
  out->Write("Left=0\r\n");
  EXPECT_EQ(files.List(kDir).size(), 2u) << "the temporary file is there to be seen";
  EXPECT_EQ(files.GetFile(kPath), kOld);
  out->Commit();
  EXPECT_EQ(files.GetFile(kPath), "Left=0\r\n");
  EXPECT_EQ(files.List(kDir), std::vector<std::string>{"Ravik.ini"}) << "and keeps its name";
  out.reset();
  EXPECT_EQ(files.OpenStreams(), 0);
  EXPECT_EQ(world.Live(), LiveCounts{});
}

TEST_F(SimFilesTest, InputReadsTheFileAsItWasWhenOpenedInWhateverPiecesTheDiskGives) {
  files.SetReadChunk(3);
  numbers.OpenInput(1, kPath);
  files.PutFile(kPath, "changed");
  std::string text;
  for (int c = numbers.Input(1).Get(); c != tk::TextReader::kEnd; c = numbers.Input(1).Get()) {
    text += static_cast<char>(c);
  }
  EXPECT_EQ(text, kOld);
  EXPECT_EQ(files.OpenStreams(), 1);
  numbers.Close(1);
  EXPECT_EQ(files.OpenStreams(), 0);
}

TEST_F(SimFilesTest, TheDiskFillsForAllStreamsTogether) {
  files.DiskFullAfter(10);
  auto first = files.OpenOutput("A.txt");
  auto second = files.OpenOutput("B.txt");
  first->Write("123456");
  EXPECT_EQ(ErrorOf([&] { second->Write("12345"); }), tk::Error::DiskFull);
  first->Commit();
  EXPECT_EQ(files.GetFile("A.txt"), "123456");
  second.reset();
  EXPECT_FALSE(files.Exists("B.txt"));
  files.ClearFaults();
  files.OpenOutput("C.txt")->Write(std::string(100, 'x'));
}

TEST_F(SimFilesTest, ACommitIntoAFolderThatWentAwayFailsAndLeavesNothing) {
  files.MakeFolder("C:\\Data");
  auto out = files.OpenOutput("C:\\Data\\New.ini");
  out->Write("x");
  files.Remove("C:\\Data");
  EXPECT_EQ(ErrorOf([&] { out->Commit(); }), tk::Error::PathNotFound);
  EXPECT_FALSE(files.Exists("C:\\Data\\New.ini"));
  EXPECT_THROW(out->Write("y"), std::logic_error);
}

struct Fault {
  const char* name;
  std::function<void(SimFiles&)> arm;
  tk::Error expected;
  bool commit = true;
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class SimFilesFaultTest : public SimFilesTest, public ::testing::WithParamInterface<Fault> {};

// What the gadget does: write through a file number, and on an error give the
// number up without committing.
TEST_P(SimFilesFaultTest, TheOldFileSurvivesByteForByteAndNoTemporaryFileStays) {
  GetParam().arm(files);
  const tk::Error raised = ErrorOf([&] {
    try {
      numbers.OpenOutput(1, kPath);
      numbers.PrintLine(1, "Left=999");
      numbers.PrintLine(1, "Top=999");
      if (GetParam().commit) {
        numbers.Close(1);
      } else {
        numbers.Discard(1);
      }
    } catch (const tk::RuntimeError&) {
      numbers.Discard(1);
      throw;
    }
  });
  EXPECT_EQ(raised, GetParam().expected);
  EXPECT_EQ(files.GetFile(kPath), kOld);
  EXPECT_EQ(files.List(kDir), std::vector<std::string>{"Ravik.ini"});
  EXPECT_EQ(files.OpenStreams(), 0);
  files.ClearFaults();
  EXPECT_EQ(ErrorOf([&] {
              numbers.OpenOutput(1, kPath);
              numbers.PrintLine(1, "Left=1");
              numbers.Close(1);
            }),
            tk::Error::None);
  EXPECT_EQ(files.GetFile(kPath), "Left=1\r\n") << "the fault is gone once cleared";
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, SimFilesFaultTest,
    ::testing::Values(
        Fault{"LockedFile", [](SimFiles& f) { f.Lock(kPath); }, tk::Error::PermissionDenied},
        Fault{"ReadOnlyFolder", [](SimFiles& f) { f.SetReadOnlyFolder(kDir); },
              tk::Error::PermissionDenied},
        Fault{"DiskFullMidWrite", [](SimFiles& f) { f.DiskFullAfter(12); }, tk::Error::DiskFull},
        Fault{"DiskFullAtOnce", [](SimFiles& f) { f.DiskFullAfter(0); }, tk::Error::DiskFull},
        Fault{"FailingCommit", [](SimFiles& f) { f.FailNextCommit(tk::Error::PathFileAccess); },
              tk::Error::PathFileAccess},
        Fault{"NeverCommitted", [](SimFiles&) {}, tk::Error::None, false}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

}  // namespace
}  // namespace rn::sim
