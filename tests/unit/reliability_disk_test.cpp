// The exit's write of the settings file on a failing disk. Whatever step
// fails, the previous file stays byte for byte, no temporary file is left, the
// user hears once which file could not be written and why (and that the old
// file is kept, only when there is one to read), and the gadget still ends;
// and a process killed between any two steps leaves the old file or the new
// one, never a mix or an empty file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
// step (the open, each write, the commit): a chosen step can fail, and a
// watcher sees the disk before and after every step.
class SteppedFiles : public FileSystem {
 public:
  struct Failure {
    int step = 0;
    tk::Error error = tk::Error::DiskFull;
  };
  explicit SteppedFiles(sim::SimFiles& disk) : disk_(disk) {}

  std::optional<Failure> failure;
  std::function<void()> watch = [] {};
  int steps() const { return steps_; }
  int open() const { return open_; }

  std::unique_ptr<InputStream> OpenInput(const std::string& path) override {
    return disk_.OpenInput(path);
  }
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override {
    Step();
    auto inner = disk_.OpenOutput(path);
    watch();
    return std::make_unique<Output>(*this, std::move(inner));
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
      f_.watch();
    }
    void Commit() override {
      f_.Step();
      inner_->Commit();
      f_.watch();
    }

   private:
    SteppedFiles& f_;
    std::unique_ptr<OutputStream> inner_;
  };

  bool Failing() const { return failure && failure->step == steps_; }
  void Step() {
    watch();
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

// What the exit writes when nothing fails.
std::string NewFile(const std::optional<std::string>& old = kOld) {
  Exiting run(old);
  run.Exit();
  return run.disk.GetFile(kIniPath).value();
}

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
  EXPECT_NE(NewFile(), kOld) << "the drag changed what is written";
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

TEST(FailingDiskAtExit, KilledBetweenAnyTwoStepsLeavesTheOldOrTheNewFile) {
  for (const std::optional<std::string>& old :
       {std::optional(kOld), std::optional<std::string>()}) {
    SCOPED_TRACE(old ? "old file" : "no old file");
    const std::string fresh = NewFile(old);
    Exiting run(old);
    std::vector<std::optional<std::string>> seen;
    run.files.watch = [&] { seen.push_back(run.disk.GetFile(kIniPath)); };
    run.Exit();
    ASSERT_EQ(seen.size(), 10u) << "before and after each of the five steps";
    // The file changes once, from the old to the new text, and never passes
    // through anything else on the way.
    const auto firstNew = std::find(seen.begin(), seen.end(), std::optional(fresh));
    ASSERT_NE(firstNew, seen.end());
    EXPECT_TRUE(std::all_of(seen.begin(), firstNew, [&](const auto& s) { return s == old; }));
    EXPECT_TRUE(std::all_of(firstNew, seen.end(), [&](const auto& s) { return s == fresh; }));
    EXPECT_EQ(run.Folder(), std::vector<std::string>{"RN.ini"});
    EXPECT_TRUE(run.world.desktop().Errors().empty());
  }
}

// The simulated disk's own fault, without the stepping wrapper, after any byte.
TEST(FailingDiskAtExit, ADiskFullAfterAnyByteKeepsTheOldFile) {
  const std::string fresh = NewFile();
  for (std::size_t room = 0; room < fresh.size(); ++room) {
    SCOPED_TRACE(::testing::Message() << room << " bytes of room");
    Exiting run(kOld);
    run.disk.DiskFullAfter(room);
    run.Exit();
    run.disk.ClearFaults();
    ExpectFailedExit(run, kOld, tk::Error::DiskFull);
  }
  Exiting justEnough(kOld);
  justEnough.disk.DiskFullAfter(fresh.size());
  justEnough.Exit();
  EXPECT_EQ(justEnough.disk.GetFile(kIniPath), fresh);
  EXPECT_TRUE(justEnough.world.desktop().Errors().empty());
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
