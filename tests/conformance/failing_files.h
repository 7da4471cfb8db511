// A file system that forwards to a desktop's own and fails one step of every
// output the way a disk can: a write part-way through, or the commit. The output
// it wraps is then destroyed uncommitted, as the toolkit leaves a failed file.
// And the gadget's way of writing a file, which the faults are put to.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/errors.h"
#include "platform/file_numbers.h"
#include "platform/files.h"

namespace rn::conformance {

class FailingFiles final : public FileSystem {
 public:
  enum class Step { Write, Commit };
  // The write that fails is the `writes`-th (1 for the first); half of it is written.
  FailingFiles(FileSystem& inner, Step step, int writes = 1)
      : inner_(inner), step_(step), writes_(writes) {}

  std::unique_ptr<InputStream> OpenInput(const std::string& path) override {
    return inner_.OpenInput(path);
  }
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override {
    return std::make_unique<Output>(inner_.OpenOutput(path), step_, writes_);
  }

 private:
  class Output final : public OutputStream {
   public:
    Output(std::unique_ptr<OutputStream> inner, Step step, int writes)
        : inner_(std::move(inner)), step_(step), writes_left_(writes) {}
    void Write(std::string_view text) override {
      if (step_ == Step::Write && --writes_left_ == 0) {
        inner_->Write(text.substr(0, text.size() / 2));
        throw tk::RuntimeError(tk::Error::DiskFull);
      }
      inner_->Write(text);
    }
    void Commit() override {
      if (step_ == Step::Commit) throw tk::RuntimeError(tk::Error::PathFileAccess);
      inner_->Commit();
    }

   private:
    std::unique_ptr<OutputStream> inner_;
    Step step_;
    int writes_left_;
  };

  FileSystem& inner_;
  Step step_;
  int writes_;
};

// What the gadget does: write through a file number, and on an error give the
// number up without committing. Returns the error raised, None if none.
inline tk::Error WriteThroughANumber(FileSystem& files, const std::string& path,
                                     bool commit = true) {
  tk::FileNumbers numbers(files);
  try {
    numbers.OpenOutput(1, path);
    numbers.PrintLine(1, "Left=999");
    numbers.PrintLine(1, "Top=999");
    if (commit) {
      numbers.Close(1);
    } else {
      numbers.Discard(1);
    }
  } catch (const tk::RuntimeError& e) {
    numbers.Discard(1);
    return e.error();
  }
  return tk::Error::None;
}

}  // namespace rn::conformance
