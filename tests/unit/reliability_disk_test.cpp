// The exit's write of the settings file on a failing disk. Whatever step
// fails, the previous file stays byte for byte, no temporary file is left, the
// user hears once which file could not be written and why (and that the old
// file is kept, only when there is one to read), and the gadget still ends.
// That the file is replaced whole, so that a process killed between any two
// steps leaves the old file or the new one, is the desktops' own rule, which
// the conformance suite proves (tests/conformance/files_test.cpp); a disk
// full after any byte is the simulated disk's (sim_only_test.cpp).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gadget_fixture.h"

namespace rn::testing {
namespace {

const std::string& kOld = kSettings;
constexpr std::string_view kPreviousKept = "前回の設定はそのまま残ります";

int Occurrences(std::string_view text, std::string_view part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The simulated disk, with the output of the settings file numbered step by
// step (the open, each write, the commit): a chosen step can fail.
class SteppedFiles : public FileSystem {
 public:
  struct Failure {
    int step = 0;
    tk::Error error = tk::Error::DiskFull;
  };
  explicit SteppedFiles(sim::SimFiles& disk) : disk_(disk) {}

  std::optional<Failure> failure;
  int steps() const { return steps_; }
  int open() const { return open_; }

  std::unique_ptr<InputStream> OpenInput(const std::string& path) override {
    return disk_.OpenInput(path);
  }
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override {
    Step();
    return std::make_unique<Output>(*this, disk_.OpenOutput(path));
  }

 private:
  class Output : public OutputStream {
   public:
    Output(SteppedFiles& f, std::unique_ptr<OutputStream> inner) : f_(f), inner_(std::move(inner)) {
      ++f_.open_;
    }
    ~Output() override { --f_.open_; }
    void Write(std::string_view text) override {
      // A disk that fills up mid-write has taken part of the text.
      if (f_.Failing()) inner_->Write(text.substr(0, text.size() / 2));
      f_.Step();
      inner_->Write(text);
    }
    void Commit() override {
      f_.Step();
      inner_->Commit();
    }

   private:
    SteppedFiles& f_;
    std::unique_ptr<OutputStream> inner_;
  };

  bool Failing() const { return failure && failure->step == steps_; }
  void Step() {
    if (Failing()) throw tk::RuntimeError(failure->error, "RN.ini");
    ++steps_;
  }

  sim::SimFiles& disk_;
  int steps_ = 0;
  int open_ = 0;
};

// A gadget started with `old` (none: no file), its badge dragged so that the
// exit has something new to write.
struct Exiting {
  sim::World world;
  sim::SimFiles& disk = world.files();
  SteppedFiles files{disk};
  Program program{world.desktop(), world.api(), files};

  explicit Exiting(const std::optional<std::string>& old) {
    if (old) disk.PutFile(kIniPath, *old);
    program.Start();
    world.desktop().ScriptDrag(50, 50);
    world.desktop().MouseDown(program.Form1().hWnd(), tk::kLeftButton, 0, 25, 25);
  }
  void Exit() {
    program.Dispatch([&] { RunMenuCommand(program, kExit); });
  }
  std::vector<std::string> Folder() const { return disk.List(kFolder); }
};

// What must hold after an exit whose write failed with `error`; the old file,
// if any, could be read at the time unless `oldReadable` says otherwise.
void ExpectFailedExit(Exiting& run, const std::optional<std::string>& old, tk::Error error,
                      bool oldReadable = true) {
  EXPECT_EQ(run.disk.GetFile(kIniPath), old) << "byte for byte";
  EXPECT_EQ(run.Folder().size(), old ? 1u : 0u) << "no temporary file";
  const std::vector<std::string>& errors = run.world.desktop().Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Occurrences(errors[0], kIniPath), 1) << "names the file once: " << errors[0];
  EXPECT_NE(errors[0].find(tk::Describe(error)), std::string::npos) << errors[0];
  EXPECT_EQ(errors[0].find(kPreviousKept) != std::string::npos, old && oldReadable)
      << "the report promises only what it could see: " << errors[0];
  EXPECT_TRUE(run.program.Ended());
  EXPECT_EQ(run.world.desktop().EndCount(), 1);
  EXPECT_TRUE(run.world.desktop().Icons().empty());
  EXPECT_EQ(run.world.Live().fileStreams, 0);
  EXPECT_EQ(run.files.open(), 0);
}

TEST(FailingDiskAtExit, TheWriteTakesAnOpenThreeWritesAndACommit) {
  Exiting run(kOld);
  run.Exit();
  EXPECT_EQ(run.files.steps(), 5);
  EXPECT_NE(run.disk.GetFile(kIniPath), kOld) << "the drag changed what is written";
  EXPECT_TRUE(run.world.desktop().Errors().empty());
}

TEST(FailingDiskAtExit, EachStepFailingInTurnKeepsTheOldFile) {
  const tk::Error errors[] = {tk::Error::PermissionDenied, tk::Error::DiskFull, tk::Error::DiskFull,
                              tk::Error::DiskFull, tk::Error::PathFileAccess};
  for (const std::optional<std::string>& old :
       {std::optional(kOld), std::optional<std::string>()}) {
    for (int step = 0; step < 5; ++step) {
      SCOPED_TRACE(::testing::Message() << "step " << step << (old ? "" : ", no old file"));
      Exiting run(old);
      run.files.failure = SteppedFiles::Failure{step, errors[step]};
      run.Exit();
      ExpectFailedExit(run, old, errors[step]);
    }
  }
}

TEST(FailingDiskAtExit, ALockedFileIsKeptButNotPromised) {
  Exiting run(kOld);
  run.disk.Lock(kIniPath);
  run.Exit();
  run.disk.ClearFaults();
  ExpectFailedExit(run, kOld, tk::Error::PermissionDenied, /*oldReadable=*/false);
}

TEST(FailingDiskAtExit, AFolderOfTheFilesNameIsNoFileToPromise) {
  Exiting run(std::nullopt);
  run.disk.MakeFolder(kIniPath);
  run.Exit();
  EXPECT_TRUE(run.disk.IsFolder(kIniPath));
  const std::vector<std::string>& errors = run.world.desktop().Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Occurrences(errors[0], kIniPath), 1) << errors[0];
  EXPECT_EQ(errors[0].find(kPreviousKept), std::string::npos) << errors[0];
  EXPECT_EQ(run.world.desktop().EndCount(), 1) << "the exit still ends";
  EXPECT_TRUE(run.world.desktop().Icons().empty());
}

}  // namespace
}  // namespace rn::testing
