// The lock file of a copy in the autosave folder: flock(2), so that a crashed or killed editor's
// lock goes with its process and the copy it left is found as left.
#include "script/copy_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace ts2 {

namespace {

long ReadHolder(int fd) {
  char text[32];
  const ssize_t got = pread(fd, text, sizeof text - 1, 0);
  if (got <= 0) return 0;
  text[got] = '\0';
  char* end = nullptr;
  const long pid = std::strtol(text, &end, 10);
  return end != text && pid > 0 ? pid : 0;
}

// The lock file `fd` is still the one `path` names: not removed or replaced by its last holder
// between our open and our lock.
bool StillNamed(int fd, const std::string& path) {
  struct stat open {
  }, named{};
  return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

}  // namespace

std::optional<CopyLock> CopyLock::Take(const std::string& path, long* holder) {
  if (holder) *holder = 0;
  // A holder that lets go removes the file first, so the file opened may be gone by the time it
  // is locked: then it is opened again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return CopyLock(path, -1);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      if (error == EWOULDBLOCK) {
        if (holder) *holder = ReadHolder(fd);
        close(fd);
        return std::nullopt;
      }
      close(fd);
      return CopyLock(path, -1);  // no locks here
    }
    if (!StillNamed(fd, path)) {
      close(fd);
      continue;
    }
    const std::string pid = std::to_string(static_cast<long>(getpid())) + "\n";
    if (ftruncate(fd, 0) == 0 && pwrite(fd, pid.data(), pid.size(), 0) < 0) {
      // The id is only for messages; the lock holds without it.
    }
    return CopyLock(path, fd);
  }
  return CopyLock(path, -1);
}

bool CopyLock::HeldElsewhere(const std::string& path, long* holder) {
  if (holder) *holder = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  if (held && holder) *holder = ReadHolder(fd);
  close(fd);  // lets go of a shared lock taken here
  return held;
}

CopyLock::CopyLock(CopyLock&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
  other.fd_ = -1;
}

CopyLock& CopyLock::operator=(CopyLock&& other) noexcept {
  if (this != &other) {
    Release();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

CopyLock::~CopyLock() {
  Release();
}

void CopyLock::Release() {
  if (fd_ < 0) return;
  // Removed while still held: whoever opened it meanwhile finds it no longer named and opens
  // the path again.
  if (StillNamed(fd_, path_)) unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
}

void CopyLock::Abandon() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
}

}  // namespace ts2
