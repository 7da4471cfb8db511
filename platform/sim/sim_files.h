// An in-memory file system with the platform's path rules (drive letters, either
// separator, names compared without regard to ASCII case, trailing dots and
// spaces dropped) and faults a test can switch on: a locked file, a read-only
// folder, a full disk, a failing commit.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sim/basics.h"

namespace rn::sim {

class SimFiles : public FileSystem {
 public:
  // Relative paths are taken from `currentDirectory`, which is created. The
  // only drive is that folder's.
  explicit SimFiles(const std::string& currentDirectory);
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;

  // Streams must not outlive the file system.
  std::unique_ptr<InputStream> OpenInput(const std::string& path) override;
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override;

  // Setting up and looking on: no faults apply. Paths follow the same rules.
  void MakeFolder(const std::string& path);                       // and its parents
  void PutFile(const std::string& path, std::string_view bytes);  // creates the folders
  std::optional<std::string> GetFile(const std::string& path) const;
  bool Exists(const std::string& path) const;
  bool IsFolder(const std::string& path) const;
  // The names in a folder, as they were created, in case-insensitive order.
  std::vector<std::string> List(const std::string& folder) const;
  void Remove(const std::string& path);  // a file, or a folder and all it holds
  int OpenStreams() const { return open_streams_; }

  // Faults. A locked file is one another program has open without sharing:
  // input fails with PathFileAccess, and output opens but cannot replace it
  // (the commit fails with PermissionDenied), as a file open for reading here
  // cannot be replaced either. Nothing can be created in a read-only folder,
  // and a read-only file can be read but not replaced.
  void Lock(const std::string& path, bool locked = true);
  void SetReadOnly(const std::string& path, bool readOnly = true);
  void SetReadOnlyFolder(const std::string& path, bool readOnly = true);
  // Writes fail with DiskFull once `bytes` more bytes have been written, from
  // now on, by all output streams together; nullopt: the disk never fills.
  void DiskFullAfter(std::optional<std::size_t> bytes) { space_ = bytes; }
  // Each Read returns at most this many bytes (0: no limit), to exercise buffering.
  void SetReadChunk(std::size_t bytes) { read_chunk_ = bytes; }
  void ClearFaults();

 private:
  class Input;
  class Output;
  struct Entry {
    std::string name;  // as created
    bool folder = false;
    std::string bytes;
    bool readOnly = false;
  };
  struct Parsed {
    std::vector<std::string> names;  // below the drive, as written
    std::string key;                 // the whole path folded: the map's key
    std::string parentKey;           // the root's own key for the root
    std::string path;                // as given: the platform's errors name it so
  };

  Parsed Parse(const std::string& path) const;  // throws PathFileAccess for a bad name
  bool ParentExists(const Parsed& p) const;
  // A file's path whose folder exists; throws the platform's error otherwise.
  Parsed ParseFileInFolder(const std::string& path) const;
  const Entry* At(const std::string& path) const;  // null for a bad name too
  const Entry* Find(const std::string& key) const { return Found(entries_, key); }
  Entry* Find(const std::string& key) { return Found(entries_, key); }
  std::string KeyOf(const std::vector<std::string>& names, std::size_t count) const;
  void MakeFolders(const std::vector<std::string>& names, std::size_t count);
  bool Locked(const std::string& key) const { return locks_.contains(key); }

  std::string drive_;                 // "C:"
  std::vector<std::string> current_;  // the current directory's names
  std::map<std::string, Entry> entries_;
  std::set<std::string> locks_;
  std::map<std::string, int> readers_;  // open inputs, by key
  std::optional<std::size_t> space_;
  std::size_t read_chunk_ = 0;
  int open_streams_ = 0;
  int temp_serial_ = 0;
};

}  // namespace rn::sim
