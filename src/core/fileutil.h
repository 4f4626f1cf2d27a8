// File and text helpers shared by the subsystems: whole-file reads, crash-safe writes, the
// fixed-buffer line reader the text formats use, and small path and number utilities.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2 {

// The platform's path separator, used where the system writes "\".
inline constexpr char kPathSep = '/';

// Which file a name led to and how it was then: what tells a later change of it apart, even one
// that keeps the size and the modification time (the change time and the file's identity cannot
// be set back by a program).
struct FileIdentity {
  uint64_t size = 0;
  int64_t mtimeNs = 0;  // modification time, in nanoseconds
  int64_t ctimeNs = 0;  // status change time, in nanoseconds
  uint64_t device = 0, inode = 0;
};

// The file's bytes; std::nullopt, with errno saying why, when it cannot be read. `seen` (when
// given) receives the file as it was when it was opened, before its bytes were read: a change
// made while they are read is one the next look sees.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, FileIdentity* seen = nullptr);

// The identity of the open file `fd`; false when it cannot be looked at.
bool IdentityOf(int fd, FileIdentity& out);
// The same of the file at `path`.
bool IdentityOf(const std::string& path, FileIdentity& out);

// Why the file at `path` cannot be read (the system's words, "Permission denied", "Is a
// directory"); empty when it can be read or when there is none (nothing at `path`, or a folder on
// its way is missing). A file that is there but cannot be read is never to be taken for a missing
// one: whatever is written in its place would replace what it holds.
std::string ReadErrorOf(const std::string& path);

// `path` with `suffix` added to its name, for a file beside it (a temporary file, a copy). A name
// that would then pass the longest its folder takes is cut short first, with a hash of the whole
// name added, so that a file whose own name is already long still has a place beside it.
std::string NameBeside(const std::string& path, std::string_view suffix);

// The file `path` finally names: itself, or, for a symbolic link (or a chain of them), the file at
// its end. std::nullopt, with `error` and errno saying so, for a link that names no file.
std::optional<std::string> FinalTarget(const std::string& path, std::string* error = nullptr);

// True for an existing regular file that this program may not write to: its permission bits let
// nobody write to it, or not this user. Replacing it by a new file would take it from its owner.
bool IsWriteProtected(const std::string& path);

// Writes `size` bytes to `path` without ever leaving a half-written file: the bytes go to a
// temporary file in the same folder, which is flushed and then renamed over `path`, and the
// folder is flushed after the rename. A symbolic link is written through: the file it finally
// names is replaced (in that file's folder, keeping its permission bits) and the link stays. Saves
// of one file at the same moment, from this program or another, take turns: each one succeeds and
// the file is always one of them whole. A file this user may not write to (IsWriteProtected) is
// not replaced; the new file keeps the old one's owner and group where the system lets it. On
// failure nothing is replaced, the temporary file is removed, `error` says what failed and errno
// why. In a folder that takes no new file, a file this user may write is written in place (its
// old bytes put back when that fails), as a plain save would.
// `written` (when given) receives the identity of the file written, taken from the file itself,
// so that another program's write just after the save is not taken for the save's own.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error = nullptr,
                     FileIdentity* written = nullptr);
// Whether a WriteFileAtomic that failed with `error` left the file as it was: always, but for a
// write in place whose old bytes could not be put back (the error names their recovery copy).
bool LeftAsItWas(const std::string& error);
// A folder's lock, which this project's programs take to change the files in it: ts2tool's
// commands from their first read of a translation file to their last write, so that two of them
// (a replace and an import run at once) never build on the same old text and drop each other's
// change; each WriteFileAtomic for its write, so that a save waits for such a command too. Within
// one process a folder held once is held by every FolderLock of it (the command's writes take
// the lock their command holds). Waits up to `waitMs` for another process to let it go; held()
// is false when that ran out. A folder that cannot be opened, or a file system without locks,
// counts as held: the program goes on alone, as before there was a lock.
class FolderLock {
 public:
  static constexpr int kWaitMs = 30000;
  explicit FolderLock(const std::string& folder, int waitMs = kWaitMs);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return held_; }
  void release();  // lets it go before the end of the scope

 private:
  bool held_ = false;
  bool counted_ = false;  // one of the process's holders of `key_`
  uint64_t device_ = 0, inode_ = 0;
};

// Whether WriteFileAtomic's failure `error` for `path` is one of a file that could not be opened
// for writing at all: it could not be made, is read-only, or is a folder.
bool CouldNotOpenForWriting(const std::string& path, const std::string& error);

// Writes `size` bytes as the whole of the program's own working file `path` (the patcher's
// temporary file), in place. Whatever another program left under that name (a symbolic link,
// another name of some other file) is removed, never written through. False, with errno set,
// when the file cannot be made or written.
bool WriteWorkingFile(const std::string& path, const void* data, size_t size);

// Keeps bytes that could not be saved where they were meant to go: writes them to a new file
// named after `path` with ".unsaved" added (".unsaved-2", ".unsaved-3", ... when that name is
// taken, so an earlier copy is never replaced), in `path`'s folder (for a link, the folder of the
// file it names) or, failing that, in the system's temporary folder. Returns the file written, or
// std::nullopt when none could be. `temporary` (when given) is set when the copy went to the
// temporary folder, which the system may empty at its next start. The copy has the permission
// bits of the file at `path`, when there is one.
std::optional<std::string> WriteRecoveryCopy(const std::string& path, const void* data, size_t size,
                                             bool* temporary = nullptr);

// Reads a text file as the C library's text mode would on the system's platform: a CR LF pair
// arrives as a single '\n'. Each call returns at most `bufferSize` - 1 bytes, up to and
// including a '\n' (fgets with a buffer of `bufferSize`); std::nullopt at the end of the file.
class TextLineReader {
 public:
  TextLineReader(std::vector<uint8_t> bytes, size_t bufferSize);
  static std::optional<TextLineReader> Open(const std::string& path, size_t bufferSize);
  std::optional<std::string> next();

 private:
  std::vector<uint8_t> bytes_;
  size_t pos_ = 0;
  size_t bufferSize_;
};

// Editor text (lines separated by '\n') <-> file bytes. Loading takes CR LF, a lone LF and a lone
// CR each as one line end (the editor, ts2tool and the display all read a file through this);
// saving writes CR LF after every line.
std::string FileBytesToEditorText(std::string_view bytes);
std::string EditorTextToFileBytes(std::string_view text);

std::string CurrentDirectory();  // the whole path; empty when the system cannot tell it
bool FileExists(const std::string& path);
std::string ExtractFileName(const std::string& path);
// A file's name without "." steps and doubled slashes. A ".." step is taken as the system takes
// it, through the links before it ("link/.." is the link's target's parent, not the folder that
// holds the link); the file itself is not followed. Bytes that are not UTF-8 stay as they are.
std::string CleanFileName(const std::string& path);
// The same, made absolute from the working folder first.
std::string AbsoluteFileName(const std::string& path);
void MakeDirectory(const std::string& path);  // errors are not reported

// sprintf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "1 file", "3 files": the count and the noun that goes with it.
std::string Plural(size_t n, const char* one, const char* many);
// Appends `value` as "%0*X" writes it: upper-case hex digits, zero-padded to `width`.
void AppendHex(std::string& out, uint32_t value, int width);

// Trims spaces and control characters (bytes <= 0x20) at both ends.
std::string Trim(std::string_view text);

// A letter A-Z as a-z, every other byte as it is: directives, headers and tags are matched without
// case the same under every locale (the editor's toolkit sets the user's, where 'I' may not be
// the capital of 'i').
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// A whole word as an unsigned number in C notation (0x1A8000, 42, 017); std::nullopt otherwise.
std::optional<uint64_t> ParseCNumber(const std::string& word);

}  // namespace ts2
