#include "platform/file_numbers.h"

#include <cstring>

#include "platform/errors.h"

namespace rn::tk {
namespace {
constexpr std::int16_t kFirstNumber = 1;
constexpr std::int16_t kLastNumber = 255;
}  // namespace

TextReader::TextReader(std::unique_ptr<InputStream> stream) : stream_(std::move(stream)) {}

bool TextReader::Fill() {
  if (pos_ < size_) return true;
  size_ = stream_->Read(buffer_, sizeof buffer_);
  pos_ = 0;
  return size_ > 0;
}

int TextReader::Peek() { return Fill() ? static_cast<unsigned char>(buffer_[pos_]) : kEnd; }

int TextReader::Get() { return Fill() ? static_cast<unsigned char>(buffer_[pos_++]) : kEnd; }

// Reads on until `count` bytes wait in the buffer (or the file ends), keeping
// those not yet taken.
bool TextReader::Buffer(std::size_t count) {
  if (count > sizeof buffer_) return false;
  std::memmove(buffer_, buffer_ + pos_, size_ - pos_);
  size_ -= pos_;
  pos_ = 0;
  while (size_ < count) {
    const std::size_t read = stream_->Read(buffer_ + size_, sizeof buffer_ - size_);
    if (read == 0) return false;
    size_ += read;
  }
  return true;
}

bool TextReader::Skip(std::string_view bytes) {
  if (size_ - pos_ < bytes.size() && !Buffer(bytes.size())) return false;
  if (std::string_view(buffer_ + pos_, bytes.size()) != bytes) return false;
  pos_ += bytes.size();
  return true;
}

std::int16_t FileNumbers::FreeFile() const {
  for (std::int16_t n = kFirstNumber; n <= kLastNumber; ++n) {
    if (!open_.contains(n)) return n;
  }
  throw RuntimeError(Error::TooManyFiles);
}

void FileNumbers::Claim(std::int16_t number) {
  if (number < kFirstNumber || number > kLastNumber) throw RuntimeError(Error::BadFileNumber);
  if (open_.contains(number)) throw RuntimeError(Error::FileAlreadyOpen);
}

void FileNumbers::OpenInput(std::int16_t number, const std::string& path) {
  Claim(number);
  open_[number].reader = std::make_unique<TextReader>(fs_.OpenInput(path));
}

void FileNumbers::OpenOutput(std::int16_t number, const std::string& path) {
  Claim(number);
  open_[number].writer = fs_.OpenOutput(path);
}

FileNumbers::OpenFile& FileNumbers::Get(std::int16_t number) {
  const auto it = open_.find(number);
  if (it == open_.end()) throw RuntimeError(Error::BadFileNumber);
  return it->second;
}

TextReader& FileNumbers::Input(std::int16_t number) {
  OpenFile& file = Get(number);
  if (!file.reader) throw RuntimeError(Error::BadFileMode);
  return *file.reader;
}

void FileNumbers::PrintLine(std::int16_t number, std::string_view line) {
  OpenFile& file = Get(number);
  if (!file.writer) throw RuntimeError(Error::BadFileMode);
  file.writer->Write(std::string(line) + "\r\n");
}

void FileNumbers::Close(std::int16_t number) {
  const auto it = open_.find(number);
  if (it == open_.end()) return;
  // The number is free again whether or not the commit succeeds; a failed
  // commit has already removed its temporary file.
  OpenFile file = std::move(it->second);
  open_.erase(it);
  if (file.writer) file.writer->Commit();
}

void FileNumbers::Discard(std::int16_t number) { open_.erase(number); }

void FileNumbers::CloseAll() noexcept {
  while (!open_.empty()) {
    try {
      Close(open_.begin()->first);
    } catch (const RuntimeError&) {
    }
  }
}

}  // namespace rn::tk
