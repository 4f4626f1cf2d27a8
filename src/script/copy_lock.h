// Which running editor a copy in the autosave folder belongs to. While an editor keeps a copy of
// its unsaved text, it holds a lock file beside it (an flock(2) lock, which the system lets go of
// when the process ends however it ends), so another copy of the editor, or `ts2tool recover`,
// tells a copy whose editor still runs from one a crash left behind.
#pragma once

#include <optional>
#include <string>

namespace ts2 {

class CopyLock {
 public:
  // Takes the lock at `path`, making the file and writing this process's id into it. When a
  // running program holds it, std::nullopt, with its process id in `holder` (0 when unknown).
  // Where locks cannot be taken at all (a folder that takes no files, a file system without
  // locks), the result holds nothing: the copy is then kept as if no other editor ran.
  static std::optional<CopyLock> Take(const std::string& path, long* holder = nullptr);
  // Whether a running program holds the lock at `path` (this one too, through a CopyLock); its
  // process id in `holder` (0 when unknown). A missing file is held by no one.
  static bool HeldElsewhere(const std::string& path, long* holder = nullptr);

  CopyLock(CopyLock&& other) noexcept;
  CopyLock& operator=(CopyLock&& other) noexcept;
  CopyLock(const CopyLock&) = delete;
  CopyLock& operator=(const CopyLock&) = delete;
  // Removes the file, then lets go of it.
  ~CopyLock();

  // Whether a lock is held (false where locks cannot be taken).
  bool held() const { return fd_ >= 0; }
  // Lets go of the lock as a process that ends without cleaning up does: the file stays.
  void Abandon();

 private:
  CopyLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  void Release();
  std::string path_;
  int fd_ = -1;
};

}  // namespace ts2
