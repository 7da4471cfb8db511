#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace rn::sim {
namespace {

using tk::Error;
using tk::RuntimeError;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Fold(std::string_view s) {
  std::string out(s);
  std::ranges::transform(out, out.begin(), Upper);
  return out;
}

bool BadNameChar(char c) {
  return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

std::vector<std::string> Split(std::string_view s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= s.size()) {
    const std::size_t end = std::min(s.find('\\', start), s.size());
    parts.emplace_back(s.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

// ---------------------------------------------------------------- streams

class SimFiles::Input : public InputStream {
 public:
  Input(SimFiles& fs, std::string key, std::string bytes)
      : fs_(fs), key_(std::move(key)), bytes_(std::move(bytes)) {
    ++fs_.open_streams_;
    ++fs_.readers_[key_];
  }
  ~Input() override {
    --fs_.open_streams_;
    if (--fs_.readers_[key_] == 0) fs_.readers_.erase(key_);
  }

  std::size_t Read(char* buffer, std::size_t size) override {
    std::size_t n = std::min(size, bytes_.size() - pos_);
    if (fs_.read_chunk_ != 0) n = std::min(n, fs_.read_chunk_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  SimFiles& fs_;
  std::string key_;
  std::string bytes_;  // as the file was when opened
  std::size_t pos_ = 0;
};

class SimFiles::Output : public OutputStream {
 public:
  Output(SimFiles& fs, Parsed target, std::string tempKey)
      : fs_(fs), target_(std::move(target)), temp_key_(std::move(tempKey)) {
    ++fs_.open_streams_;
  }
  ~Output() override {
    if (!committed_) fs_.entries_.erase(temp_key_);
    --fs_.open_streams_;
  }

  void Write(std::string_view text) override {
    if (failed_) throw RuntimeError(*failed_, target_.names.back() + ": already failed");
    if (finished_) throw std::logic_error("OutputStream::Write after Commit");
    Entry* temp = fs_.Find(temp_key_);
    if (!temp) throw RuntimeError(Error::PathFileAccess, target_.path);
    const std::size_t fits = std::min(text.size(), fs_.space_.value_or(text.size()));
    temp->bytes.append(text.substr(0, fits));
    if (fs_.space_) *fs_.space_ -= fits;
    if (fits < text.size()) throw RuntimeError(Error::DiskFull, target_.path);
  }

  // A commit that failed stays failed.
  void Commit() override {
    if (failed_) throw RuntimeError(*failed_, target_.names.back() + ": already failed");
    if (finished_) return;
    finished_ = true;
    const auto fail = [&](Error error) {
      fs_.entries_.erase(temp_key_);
      failed_ = error;
      throw RuntimeError(error, target_.path);
    };
    if (!fs_.ParentExists(target_)) fail(Error::PathNotFound);
    Entry* temp = fs_.Find(temp_key_);
    if (!temp) fail(Error::PathFileAccess);
    if (fs_.Find(target_.parentKey)->readOnly) fail(Error::PermissionDenied);
    const Entry* old = fs_.Find(target_.key);
    if (old && old->folder) fail(Error::PathFileAccess);
    // A file someone has open, locked or only for reading, cannot be replaced.
    if (fs_.Locked(target_.key) || fs_.readers_.contains(target_.key) || (old && old->readOnly)) {
      fail(Error::PermissionDenied);
    }
    Entry replacement{old ? old->name : target_.names.back(), false, std::move(temp->bytes), false};
    fs_.entries_.erase(temp_key_);
    fs_.entries_[target_.key] = std::move(replacement);
    committed_ = true;
  }

 private:
  SimFiles& fs_;
  Parsed target_;
  std::string temp_key_;
  bool finished_ = false;
  bool committed_ = false;
  std::optional<Error> failed_;
};

// ---------------------------------------------------------------- paths

SimFiles::SimFiles(const std::string& currentDirectory) {
  if (currentDirectory.size() < 2 || currentDirectory[1] != ':') {
    throw std::invalid_argument("SimFiles: the current directory needs a drive: " +
                                currentDirectory);
  }
  drive_ = {Upper(currentDirectory[0]), ':'};
  entries_[drive_] = Entry{drive_ + "\\", true, {}, false};
  const Parsed p = Parse(currentDirectory);
  MakeFolders(p.names, p.names.size());
  current_ = p.names;
}

std::string SimFiles::KeyOf(const std::vector<std::string>& names, std::size_t count) const {
  std::string key = drive_;
  for (std::size_t i = 0; i < count; ++i) key += "\\" + Fold(names[i]);
  return key;
}

SimFiles::Parsed SimFiles::Parse(const std::string& path) const {
  std::string s = path;
  std::ranges::replace(s, '/', '\\');
  if (s.empty()) throw RuntimeError(Error::PathNotFound, "empty path");
  if (s.starts_with("\\\\")) throw RuntimeError(Error::PathNotFound, path);  // no network
  std::vector<std::string> names;
  std::string_view rest = s;
  if (s.size() >= 2 && s[1] == ':') {
    if (std::string{Upper(s[0]), ':'} != drive_) throw RuntimeError(Error::PathNotFound, path);
    rest.remove_prefix(2);
    if (!rest.starts_with('\\')) names = current_;
  } else if (!rest.starts_with('\\')) {
    names = current_;
  }
  for (std::string name : Split(rest)) {
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    // The platform drops trailing dots and spaces from every name.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty() || std::ranges::any_of(name, BadNameChar)) {
      throw RuntimeError(Error::PathNotFound, path);
    }
    names.push_back(std::move(name));
  }
  std::string key = KeyOf(names, names.size());
  std::string parentKey = KeyOf(names, names.empty() ? 0 : names.size() - 1);
  return {std::move(names), std::move(key), std::move(parentKey), path};
}

bool SimFiles::ParentExists(const Parsed& p) const {
  const Entry* parent = Find(p.parentKey);
  return parent && parent->folder;
}

void SimFiles::MakeFolders(const std::vector<std::string>& names, std::size_t count) {
  for (std::size_t i = 1; i <= count; ++i) {
    const std::string key = KeyOf(names, i);
    const Entry* e = Find(key);
    if (e && !e->folder) throw RuntimeError(Error::PathFileAccess, names[i - 1]);
    if (!e) entries_[key] = Entry{names[i - 1], true, {}, false};
  }
}

// ---------------------------------------------------------------- opening

SimFiles::Parsed SimFiles::ParseFileInFolder(const std::string& path) const {
  Parsed p = Parse(path);
  if (p.names.empty()) throw RuntimeError(Error::PathFileAccess, path);
  if (!ParentExists(p)) throw RuntimeError(Error::PathNotFound, path);
  return p;
}

std::unique_ptr<InputStream> SimFiles::OpenInput(const std::string& path) {
  const Parsed p = ParseFileInFolder(path);
  const Entry* e = Find(p.key);
  if (!e) throw RuntimeError(Error::FileNotFound, path);
  if (e->folder || Locked(p.key)) throw RuntimeError(Error::PathFileAccess, path);
  return std::make_unique<Input>(*this, p.key, e->bytes);
}

std::unique_ptr<OutputStream> SimFiles::OpenOutput(const std::string& path) {
  Parsed p = ParseFileInFolder(path);
  const Entry* e = Find(p.key);
  if (e && e->folder) throw RuntimeError(Error::PathFileAccess, path);
  if (Find(p.parentKey)->readOnly || (e && e->readOnly)) {
    throw RuntimeError(Error::PermissionDenied, path);
  }
  const std::string tempName = p.names.back() + ".~" + std::to_string(++temp_serial_) + ".tmp";
  const std::string tempKey = p.parentKey + "\\" + Fold(tempName);
  entries_[tempKey] = Entry{tempName, false, {}, false};
  return std::make_unique<Output>(*this, std::move(p), tempKey);
}

// ---------------------------------------------------------------- helpers

void SimFiles::MakeFolder(const std::string& path) {
  const Parsed p = Parse(path);
  MakeFolders(p.names, p.names.size());
}

void SimFiles::PutFile(const std::string& path, std::string_view bytes) {
  const Parsed p = Parse(path);
  if (p.names.empty()) throw RuntimeError(Error::PathFileAccess, path);
  MakeFolders(p.names, p.names.size() - 1);
  Entry& e = entries_.try_emplace(p.key, Entry{p.names.back(), false, {}, false}).first->second;
  if (e.folder) throw RuntimeError(Error::PathFileAccess, path);
  e.bytes = bytes;
}

const SimFiles::Entry* SimFiles::At(const std::string& path) const {
  try {
    return Find(Parse(path).key);
  } catch (const RuntimeError&) {
    return nullptr;  // no name the platform accepts: nothing is there
  }
}

std::optional<std::string> SimFiles::GetFile(const std::string& path) const {
  const Entry* e = At(path);
  return e && !e->folder ? std::optional(e->bytes) : std::nullopt;
}

bool SimFiles::Exists(const std::string& path) const { return At(path) != nullptr; }

bool SimFiles::IsFolder(const std::string& path) const {
  const Entry* e = At(path);
  return e && e->folder;
}

std::vector<std::string> SimFiles::List(const std::string& folder) const {
  const std::string prefix = Parse(folder).key + "\\";
  std::vector<std::string> names;
  for (auto it = entries_.lower_bound(prefix); it != entries_.end(); ++it) {
    if (!it->first.starts_with(prefix)) break;
    if (it->first.find('\\', prefix.size()) == std::string::npos) names.push_back(it->second.name);
  }
  return names;
}

void SimFiles::Remove(const std::string& path) {
  const Parsed p = Parse(path);
  const std::string prefix = p.key + "\\";
  std::erase_if(entries_, [&](const auto& entry) { return entry.first.starts_with(prefix); });
  if (!p.names.empty()) entries_.erase(p.key);
}

// ---------------------------------------------------------------- faults

void SimFiles::Lock(const std::string& path, bool locked) {
  const std::string key = Parse(path).key;
  locks_.erase(key);
  if (locked) locks_.insert(key);
}

void SimFiles::SetReadOnly(const std::string& path, bool readOnly) {
  Entry* e = Find(Parse(path).key);
  if (!e) throw std::invalid_argument("SetReadOnly: nothing at " + path);
  e->readOnly = readOnly;
}

void SimFiles::SetReadOnlyFolder(const std::string& path, bool readOnly) {
  if (!IsFolder(path)) throw std::invalid_argument("SetReadOnlyFolder: no folder " + path);
  SetReadOnly(path, readOnly);
}

void SimFiles::ClearFaults() {
  locks_.clear();
  for (auto& [key, entry] : entries_) entry.readOnly = false;
  space_.reset();
  read_chunk_ = 0;
}

}  // namespace rn::sim
