#include "core/fileutil.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

namespace ts2 {

namespace {

int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileIdentity IdentityFrom(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim),
          static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

}  // namespace

bool IdentityOf(int fd, FileIdentity& out) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  out = IdentityFrom(st);
  return true;
}

bool IdentityOf(const std::string& path, FileIdentity& out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  out = IdentityFrom(st);
  return true;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, FileIdentity* seen) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) return std::nullopt;
  std::vector<uint8_t> bytes;
  // Read in place, in one go for a file whose length is known; what is read past it (a file that
  // grew, a pipe) is added after.
  struct stat st;
  const bool stated = ::fstat(fileno(f.get()), &st) == 0;
  if (seen) *seen = stated ? IdentityFrom(st) : FileIdentity{};
  if (stated && S_ISREG(st.st_mode) && st.st_size > 0) {
    bytes.resize(static_cast<size_t>(st.st_size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f.get()));
  }
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  if (std::ferror(f.get())) {
    const int e = errno;  // a folder opens, and fails here with EISDIR
    f.reset();
    errno = e;
    return std::nullopt;
  }
  return bytes;
}

std::string ReadErrorOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? std::string() : std::strerror(errno);
  // A folder opens; reading it fails. One byte tells, without reading a large file.
  char byte;
  const ssize_t n = ::read(fd, &byte, 1);
  const int e = errno;
  ::close(fd);
  return n < 0 && e != EAGAIN ? std::strerror(e) : std::string();
}

std::optional<std::string> FinalTarget(const std::string& path, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
  // A link is saved through: the file it finally names is written, the link stays.
  const fs::path target = fs::canonical(path, ec);
  if (ec) {
    if (error) *error = path + " is a link to a file that does not exist (" + ec.message() + ")";
    errno = ec.value();
    return std::nullopt;
  }
  return target.string();
}

namespace {

// Flushes a folder's entries, so that a rename in it survives a crash right after it.
void SyncFolder(const std::string& file) {
  const std::string folder = std::filesystem::path(file).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

namespace {

// Writes all of `size` bytes to `fd`; false on the first error.
bool WriteAll(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes all of `size` bytes to `fd` from its offset `at` on; false on the first error.
bool WriteAllAt(int fd, const void* data, size_t size, off_t at) {
  const auto* p = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, p + done, size - done, at + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

constexpr char kDamaged[] = " is damaged: ";

// Replaces the bytes of the existing file `target` where it is, for a folder that takes no new
// file although the file itself may be written (a team's shared folder): what a plain save does.
// Saves of the file by this program and others take turns on its lock: one without a lock could
// mix its bytes with another's. Should the write fail part-way (a full disk, a size limit), the
// old bytes are put back, or, failing that, kept in a recovery copy that the error names. False
// with errno 0 when the file cannot be opened or locked for it (the caller's own error stands),
// or with the write's errno and `error` set.
bool WriteInPlace(const std::string& target, const void* data, size_t size, std::string* error,
                  FileIdentity* written) {
  constexpr int kLockWaitMs = 10000;
  const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  struct stat st;
  // A file system without locks (NFS without its lock manager) lets the save go alone, as the
  // folder's lock and the temporary file's do; a lock still held when the wait is over stops it.
  bool busy = false;
  for (int waited = 0; fd >= 0; waited += 5) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR)) break;
    if (waited >= kLockWaitMs) {
      busy = true;
      break;
    }
    ::usleep(5000);
  }
  if (busy) {
    ::close(fd);
    if (error) *error = "cannot write " + target + ": another program is writing it";
    errno = EBUSY;
    return false;
  }
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    errno = 0;
    return false;
  }
  std::string old(static_cast<size_t>(st.st_size), '\0');
  for (size_t done = 0; done < old.size();) {
    const ssize_t n = ::pread(fd, old.data() + done, old.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      errno = 0;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (WriteAllAt(fd, data, size, 0) && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0) {
    if (written) IdentityOf(fd, *written);
    ::close(fd);
    return true;
  }
  const int e = errno;
  const bool restored = WriteAllAt(fd, old.data(), old.size(), 0) &&
                        ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
  ::close(fd);
  std::string damaged;
  if (!restored) {
    const std::optional<std::string> copy = WriteRecoveryCopy(target, old.data(), old.size());
    damaged = "; " + target + kDamaged +
              (copy ? "its old bytes are kept in \"" + *copy + "\"" : "its old bytes could not be put back");
  }
  if (error)
    *error = "cannot write " + target +
             " in place (its folder lets no file be replaced): " + std::strerror(e) + damaged;
  errno = e;
  return false;
}

// Opens the temporary file `temp` to write it from the start, as its only writer. Saves of one
// file at the same moment (two editors, the editor and ts2tool) take turns on it: a save waits
// for the one writing it (kLockWaitMs at most), and a file that is no longer at `temp` once it is
// free (that save renamed it into place) is left for a new one. What another program left under
// the name (a symbolic link, another name of some other file) is removed, never written through.
// Returns the descriptor, holding the lock until it is closed, or -1 with errno set.
int OpenTempAlone(const std::string& temp) {
  constexpr int kLockWaitMs = 10000, kTries = 100;
  int waitedMs = 0;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      struct stat st;
      if (errno == ELOOP && ::lstat(temp.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
          ::unlink(temp.c_str()) == 0)
        continue;
      return -1;
    }
    bool busy = false;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) break;  // a file system without locks: this save alone counts
      if (waitedMs >= kLockWaitMs) {
        busy = true;
        break;
      }
      ::usleep(5000);
      waitedMs += 5;
    }
    if (busy) {
      ::close(fd);
      errno = EBUSY;  // another save of the file has not finished in all that time
      return -1;
    }
    // Gives up on this descriptor, keeping errno for the caller's message.
    const auto giveUp = [fd] {
      const int e = errno;
      ::close(fd);
      errno = e;
      return -1;
    };
    struct stat held, named;
    if (::fstat(fd, &held) != 0) return giveUp();
    const bool stillThere =
        ::lstat(temp.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
    if (!stillThere || (S_ISREG(held.st_mode) && held.st_nlink > 1)) {
      if (stillThere) ::unlink(temp.c_str());  // another name of some other file: that file stays
      ::close(fd);
      continue;
    }
    // A temporary file left by a save that was cut short starts again empty.
    if (S_ISREG(held.st_mode) && held.st_size > 0 && ::ftruncate(fd, 0) != 0) return giveUp();
    return fd;
  }
  errno = EBUSY;
  return -1;
}

}  // namespace

bool IsWriteProtected(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec || !fs::is_regular_file(st)) return false;
  constexpr fs::perms kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((st.permissions() & kAnyWrite) == fs::perms::none) return true;
  // Someone may write to it: this user, as the system decides (root may; another user's file in a
  // folder shared for writing is not this user's to replace).
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

bool WriteWorkingFile(const std::string& path, const void* data, size_t size) {
  const int fd = OpenTempAlone(path);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, data, size);
  const int e = errno;
  const bool closed = ::close(fd) == 0;
  if (!written) errno = e;
  return written && closed;
}

std::string NameBeside(const std::string& path, std::string_view suffix) {
  const size_t slash = path.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  const size_t most = limit > 0 ? static_cast<size_t>(limit) : 255;
  const std::string_view name = std::string_view(path).substr(start);
  if (name.size() + suffix.size() <= most) return path + std::string(suffix);
  // The name cut short, at a character's start, with a hash of the whole name that keeps two long
  // names apart.
  constexpr size_t kHashChars = 17;  // "~" and 16 hex digits
  size_t keep = most > suffix.size() + kHashChars ? most - suffix.size() - kHashChars : 0;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return path.substr(0, start) + std::string(name.substr(0, keep)) + "~" + hex + std::string(suffix);
}

namespace {

// The folders this process holds, by device and inode, each with the descriptor holding its lock
// and how many FolderLocks share it.
struct HeldFolder {
  int fd = -1;
  int holders = 0;
};
std::mutex gHeldMutex;
std::map<std::pair<uint64_t, uint64_t>, HeldFolder> gHeldFolders;

}  // namespace

FolderLock::FolderLock(const std::string& folder, int waitMs) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    held_ = true;  // nothing to take turns on: the write that follows fails or goes alone
    return;
  }
  device_ = static_cast<uint64_t>(st.st_dev);
  inode_ = static_cast<uint64_t>(st.st_ino);
  const std::pair key(device_, inode_);
  for (int waitedMs = 0;;) {
    {
      std::lock_guard guard(gHeldMutex);
      if (auto at = gHeldFolders.find(key); at != gHeldFolders.end()) {
        ++at->second.holders;
        ::close(fd);
        held_ = counted_ = true;
        return;
      }
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        gHeldFolders[key] = HeldFolder{fd, 1};
        held_ = counted_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) {
        ::close(fd);
        held_ = true;  // a file system without locks
        return;
      }
    }
    if (waitedMs >= waitMs) {
      ::close(fd);
      errno = EBUSY;
      return;
    }
    ::usleep(5000);
    waitedMs += 5;
  }
}

FolderLock::~FolderLock() {
  release();
}

void FolderLock::release() {
  if (counted_) {
    std::lock_guard guard(gHeldMutex);
    const auto at = gHeldFolders.find(std::pair(device_, inode_));
    if (at != gHeldFolders.end() && --at->second.holders == 0) {
      ::close(at->second.fd);  // the lock goes with the descriptor
      gHeldFolders.erase(at);
    }
  }
  held_ = counted_ = false;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error,
                     FileIdentity* written) {
  constexpr int kSaveWaitMs = 10000;  // as long as a save waits for another save of its file
  const std::optional<std::string> target = FinalTarget(path, error);
  if (!target) return false;
  // A command of another process that is changing files of this folder finishes first: it may
  // have read this file already, and would write its old text back over this save.
  const FolderLock folderLock(std::filesystem::path(*target).parent_path().string(), kSaveWaitMs);
  if (!folderLock.held()) {
    if (error) *error = "cannot write " + *target + ": another program is changing the files of its folder";
    return false;
  }
  // Renaming over a file nobody may write to would replace it behind its owner's back (a team's
  // finished block, a checkout that is not being edited): it is refused as writing into it would be.
  if (IsWriteProtected(*target)) {
    if (error) *error = "cannot replace " + *target + ": the file is read-only";
    errno = EACCES;
    return false;
  }
  // In the target's own folder, so the rename is atomic.
  const std::string temp = NameBeside(*target, ".tmp~");
  const int fd = OpenTempAlone(temp);
  auto fail = [&](const std::string& what) {
    const int e = errno;
    if (error) *error = what + ": " + std::strerror(e);
    if (fd >= 0) {
      ::unlink(temp.c_str());  // still this save's own: the lock is held until the close
      ::close(fd);
    }
    errno = e;  // the caller's own message may give the reason too
    return false;
  };
  if (fd < 0) {
    const int e = errno;
    if (e == EACCES || e == EPERM) {
      if (WriteInPlace(*target, data, size, error, written)) return true;
      if (errno != 0) return false;
    }
    errno = e;
    return fail("cannot create " + temp);
  }
  if (!WriteAll(fd, data, size) || ::fsync(fd) != 0) return fail("cannot write " + temp);
  // Keep the owner, group and permissions of the file being replaced: the owner only when this
  // user may give a file away (root), the group when this user is in it. The bits are set after,
  // since a change of owner clears the set-user and set-group bits.
  struct stat st;
  if (::stat(target->c_str(), &st) == 0) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
      // Neither: the new file is this user's, in this user's group, as any new file would be.
    }
    ::fchmod(fd, st.st_mode & 07777);
  }
  FileIdentity before;
  const bool known = written && IdentityOf(fd, before);
  if (std::rename(temp.c_str(), target->c_str()) != 0) {
    // A temporary file another save left that this folder no longer lets go: written in place.
    if (const int e = errno; e == EACCES || e == EPERM) {
      if (WriteInPlace(*target, data, size, error, written)) {
        ::unlink(temp.c_str());
        ::close(fd);
        return true;
      }
      if (errno != 0) {
        const int failed = errno;
        ::unlink(temp.c_str());
        ::close(fd);
        errno = failed;
        return false;
      }
      errno = e;
    }
    return fail("cannot replace " + *target);
  }
  if (written) {
    // The rename moves the change time on. Taken again from the file written, unless something
    // else changed it meanwhile: then as it was before, which the next look finds otherwise.
    FileIdentity after;
    *written = known && IdentityOf(fd, after) && after.size == before.size && after.mtimeNs == before.mtimeNs
                   ? after
                   : before;
  }
  ::close(fd);  // lets the next save of the file go on
  SyncFolder(*target);
  return true;
}

namespace {

// Creates `path` (never an existing file) and writes the bytes to disk; a partial file is removed.
// With `mode`, the new file gets exactly those permission bits (it is made private first, so it
// is never readable by more than they allow); without, the usual 0644 less the user's umask.
bool WriteNewFile(const std::string& path, const void* data, size_t size, std::optional<mode_t> mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? 0600 : 0644);
  if (fd < 0) return false;
  if (mode) ::fchmod(fd, *mode);
  const bool ok = WriteAll(fd, data, size) && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool LeftAsItWas(const std::string& error) {
  return error.find(kDamaged) == std::string::npos;
}

std::optional<std::string> WriteRecoveryCopy(const std::string& path, const void* data, size_t size,
                                             bool* temporary) {
  namespace fs = std::filesystem;
  // Beside the file a link names, as its saves are; beside a link that names nothing, itself.
  std::vector<std::string> bases{FinalTarget(path).value_or(path)};
  // As private as the file it keeps the bytes of: a copy of a file only its owner may read is too.
  std::optional<mode_t> mode;
  if (struct stat st; ::stat(bases.front().c_str(), &st) == 0 && S_ISREG(st.st_mode))
    mode = st.st_mode & 0777;
  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec);
  if (!ec) {
    const std::string name = fs::path(path).filename().string();
    bases.push_back((temp / (name.empty() ? "ts2edit" : name)).string());
  }
  for (const std::string& base : bases) {
    for (int n = 1; n <= 99; ++n) {
      const std::string candidate = NameBeside(base, ".unsaved" + (n == 1 ? "" : "-" + std::to_string(n)));
      if (WriteNewFile(candidate, data, size, mode)) {
        SyncFolder(candidate);
        if (temporary) *temporary = &base != &bases.front();
        return candidate;
      }
      if (errno != EEXIST) break;  // this folder takes no new file: try the next
    }
  }
  return std::nullopt;
}

TextLineReader::TextLineReader(std::vector<uint8_t> bytes, size_t bufferSize)
    : bytes_(std::move(bytes)), bufferSize_(bufferSize < 2 ? 2 : bufferSize) {}

std::optional<TextLineReader> TextLineReader::Open(const std::string& path, size_t bufferSize) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return TextLineReader(std::move(*bytes), bufferSize);
}

std::optional<std::string> TextLineReader::next() {
  if (pos_ >= bytes_.size()) return std::nullopt;
  std::string line;
  while (pos_ < bytes_.size() && line.size() < bufferSize_ - 1) {
    uint8_t c = bytes_[pos_];
    if (c == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') {
      ++pos_;  // CR LF reads as one '\n'
      continue;
    }
    ++pos_;
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return line;
}

std::string FileBytesToEditorText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  // Copied in runs between CRs (a file of a megabyte is a few thousand lines).
  for (size_t i = 0; i < bytes.size();) {
    const size_t cr = bytes.find('\r', i);
    if (cr == std::string_view::npos) {
      text.append(bytes.substr(i));
      break;
    }
    text.append(bytes.substr(i, cr - i));
    // A lone CR (an old Mac line end) ends a line, as every editor shows it; CR LF is one line end.
    if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') text.push_back('\n');
    i = cr + 1;
  }
  return text;
}

std::string EditorTextToFileBytes(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  return bytes;
}

std::string CurrentDirectory() {
  // Whole, however long: a path cut short names another folder.
  std::unique_ptr<char, decltype(&std::free)> dir(::getcwd(nullptr, 0), &std::free);
  return dir ? std::string(dir.get()) : std::string();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExtractFileName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CleanFileName(const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty()) return path;
  const fs::path name(path);
  if (std::find(name.begin(), name.end(), fs::path("..")) == name.end())
    return name.lexically_normal().string();
  std::error_code error;
  if (name.filename() == "..") {
    const fs::path folder = fs::weakly_canonical(name, error);
    return error ? path : folder.string();
  }
  const fs::path folder = fs::weakly_canonical(name.parent_path(), error);
  return error ? path : (folder / name.filename()).string();
}

std::string AbsoluteFileName(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return CleanFileName(error ? path : absolute.string());
}

void MakeDirectory(const std::string& path) {
  ::mkdir(path.c_str(), 0777);
}

std::string Format(const char* format, ...) {
  // Most texts (status panels, captions, section headers) fit the buffer: one formatting pass.
  char buffer[256];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0 && static_cast<size_t>(n) < sizeof buffer) {
    out.assign(buffer, static_cast<size_t>(n));
  } else if (n > 0) {
    out.assign(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

std::string Plural(size_t n, const char* one, const char* many) {
  return Format("%zu %s", n, n == 1 ? one : many);
}

void AppendHex(std::string& out, uint32_t value, int width) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  if (width > n) out.append(static_cast<size_t>(width - n), '0');
  while (n > 0) out.push_back(digits[--n]);
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(b, e - b));
}

std::optional<uint64_t> ParseCNumber(const std::string& word) {
  // strtoull would also take leading blanks and a sign, and wrap a minus round.
  if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0]))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(word.c_str(), &end, 0);
  if (errno != 0 || end == word.c_str() || *end != '\0') return std::nullopt;
  return v;
}

bool CouldNotOpenForWriting(const std::string& path, const std::string& error) {
  std::error_code ec;
  return error.rfind("cannot create", 0) == 0 || IsWriteProtected(path) ||
         std::filesystem::is_directory(path, ec);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  return true;
}

}  // namespace ts2
