// What the editor knows of a file it read or wrote, so that a change made by another program (a
// `git pull`, a script, another editor) is noticed before the editor writes over it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/fileutil.h"

namespace ts2 {

struct FileStamp {
  bool known = false;  // the file was read or written, and this is what it held then
  uint64_t size = 0;
  int64_t mtimeNs = 0;  // modification time, in nanoseconds
  uint64_t hash = 0;    // of the bytes (HashBytes)
  bool present = true;  // false: known to be absent (a file that could not be made)
  int64_t ctimeNs = 0;  // status change time, in nanoseconds
  uint64_t device = 0, inode = 0;
};

// The stamp of a file known not to exist: one that appears later is another program's.
inline FileStamp AbsentStamp() {
  return {true, 0, 0, 0, false};
}

// A fast hash of the bytes, for telling contents apart (not for security).
uint64_t HashBytes(std::span<const uint8_t> bytes);
// The same of a text's bytes.
inline uint64_t HashBytes(std::string_view text) {
  return HashBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

// The stamp of `path` as it is now on disk, holding `bytes` (what was just read from it or
// written to it). An unknown stamp when the file cannot be looked at. A change another program
// makes between the read or write and this look is taken for the bytes given: where the file was
// read or written through ReadWholeFile or WriteFileAtomic, StampOf their identity instead.
FileStamp StampAfter(const std::string& path, std::span<const uint8_t> bytes);
// The stamp of a file that was `seen` so as it was read or written, holding `bytes`.
FileStamp StampOf(const FileIdentity& seen, std::span<const uint8_t> bytes);
inline FileStamp StampOf(const FileIdentity& seen, std::string_view bytes) {
  return StampOf(seen, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

enum class DiskState {
  Unchanged,  // as stamped (the same bytes, even when rewritten or touched)
  Changed,    // other bytes
  Missing,    // deleted or moved away
};

// The file at `path` against its stamp. Size, times and identity are looked at first; only when
// the size is the same but another of them is not are the bytes read and hashed. An unknown stamp is
// Unchanged; for an absent one, a file there now is Changed. `now` (may be null) receives the stamp of the
// file as it is.
DiskState CheckOnDisk(const std::string& path, const FileStamp& stamp, FileStamp* now = nullptr);

}  // namespace ts2
