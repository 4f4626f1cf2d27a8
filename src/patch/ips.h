// The IPS patch format, without any window or file: a patch is studied whole (every record
// located with bounded reads, nothing written) and only a patch that studied clean is applied.
// The editor's PATCH command, ts2tool, the tests and the benchmarks share this code.
//
// Format (numbers big-endian): "PATCH", then records, then the marker "EOF" in place of a
// record's offset. Record: 3-byte offset, 2-byte size, then `size` data bytes; a size of 0 makes
// a run record: 2-byte run length and one fill byte. Offsets count from the first byte of the
// file image, copier header included. Nothing after the marker is read; a patch without the
// marker ends with its last record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"

namespace ts2::ips {

inline constexpr char kMagic[] = "PATCH";
inline constexpr size_t kMagicSize = 5;
inline constexpr uint32_t kEofMarker = 0x454F46;     // the letters "EOF" read as an offset
inline constexpr char kTempFile[] = "__temp__.qqq";  // in the working directory
inline constexpr uint32_t kMaxOffset = 0xFFFFFF;     // a record's offset has 3 bytes
inline constexpr uint32_t kMaxRecordSize = 0xFFFF;   // and its size or run length 2
inline constexpr size_t kTruncationSize = 3;         // the optional size after "EOF"

enum class Error {
  None,        // the patch is well formed
  CannotOpen,  // the patch file or the temporary file could not be opened or created
  NotAPatch,   // the first five bytes are not "PATCH"
  CutShort,    // the patch ends inside a record (offset, size, run or data bytes)
  NoMemory,    // the patched image could not be allocated
};

// The user-facing text of an error (one table in ips.cpp). CutShort names the patch file and the
// patch offset where the broken record starts.
std::string ErrorText(Error error, std::string_view patchName = {}, uint32_t at = 0);

struct Record {
  uint32_t at = 0;      // patch offset where the record starts
  uint32_t offset = 0;  // image offset it writes to
  uint16_t size = 0;    // data bytes; 0 for a run record
  uint16_t runLength = 0;
  uint8_t runByte = 0;
  uint32_t dataAt = 0;  // patch offset of the data bytes (plain records)

  bool isRun() const { return size == 0; }
  uint32_t length() const { return isRun() ? runLength : size; }  // bytes written
};

struct Study {
  Error error = Error::None;
  uint32_t errorAt = 0;  // CutShort: patch offset of the record that breaks
  std::vector<Record> records;
  bool sawEof = false;
  uint64_t eofAt = 0;       // patch offset of the "EOF" marker when sawEof
  uint64_t writtenEnd = 0;  // one past the last byte a record writes; 0 when none writes

  bool ok() const { return error == Error::None; }
  // The image's size after the patch: records that write past the end grow it (the gap reads as
  // zero bytes); a record that writes nothing grows nothing.
  uint64_t ResultSize(uint64_t imageSize) const { return writtenEnd > imageSize ? writtenEnd : imageSize; }
};

// Reads the records of `patch` in order, handing each to `onRecord` as it is read, and returns
// the study without its record list. Reads stay inside `patch`. A broken patch ends the walk at
// the broken record (records before it have been handed over); the study then says so.
template <typename OnRecord>
Study WalkPatch(std::span<const uint8_t> patch, OnRecord&& onRecord) {
  Study study;
  if (patch.size() < kMagicSize || !std::equal(patch.begin(), patch.begin() + kMagicSize, kMagic)) {
    study.error = Error::NotAPatch;
    return study;
  }
  auto cutShort = [&](uint64_t recordAt) {
    study.error = Error::CutShort;
    study.errorAt = static_cast<uint32_t>(recordAt);
    study.writtenEnd = 0;
    return study;
  };
  uint64_t pos = kMagicSize;
  while (pos < patch.size()) {
    const uint64_t at = pos;
    const std::optional<uint32_t> offset = Read24BE(patch, pos);
    if (!offset) return cutShort(at);
    if (*offset == kEofMarker) {
      study.sawEof = true;
      study.eofAt = at;
      break;
    }
    const std::optional<uint16_t> size = Read16BE(patch, pos + 3);
    if (!size) return cutShort(at);
    Record r;
    r.at = static_cast<uint32_t>(at);
    r.offset = *offset;
    r.size = *size;
    if (r.isRun()) {
      const std::optional<uint16_t> runLength = Read16BE(patch, pos + 5);
      const std::optional<uint8_t> runByte = Read8(patch, pos + 7);
      if (!runLength || !runByte) return cutShort(at);
      r.runLength = *runLength;
      r.runByte = *runByte;
      pos += 8;
    } else {
      if (pos + 5 + r.size > patch.size()) return cutShort(at);
      r.dataAt = static_cast<uint32_t>(pos + 5);
      pos += 5 + r.size;
    }
    if (r.length() > 0)
      study.writtenEnd = std::max<uint64_t>(study.writtenEnd, uint64_t{r.offset} + r.length());
    onRecord(r);
  }
  return study;
}

// Locates every record of `patch` without writing anything. Reads stay inside `patch`.
Study StudyPatch(std::span<const uint8_t> patch);

// Applies a clean study to `image`, which must already hold ResultSize(original size) bytes with
// the original image in front and zeros behind it. Records are applied in patch order, so a
// later record wins where two overlap. Nothing is written outside `image`: a record that would
// not fit (a study of another patch, a buffer too small) is not applied and false is returned.
bool ApplyStudy(const Study& study, std::span<const uint8_t> patch, std::span<uint8_t> image);

// The size after "EOF" (the truncation extension) when the patch carries one; the editor's PATCH
// command does not read it, ts2tool patch cuts the image to it when it is smaller.
std::optional<uint32_t> TruncationSize(const Study& study, std::span<const uint8_t> patch);

// Studies and applies in one step, growing `image` as needed; on an error `image` is unchanged.
Error ApplyPatch(std::span<const uint8_t> patch, std::vector<uint8_t>& image, uint32_t* errorAt = nullptr);

// Creates the smallest patch this writer can find that turns `original` into `modified`, valid for
// every IPS reader: records of at most kMaxRecordSize bytes, run records where they are shorter,
// no record starting at kEofMarker, growth as records past the old end, and the truncation size
// only when `modified` is shorter. std::nullopt when a byte to write lies where no record can
// reach it (a record would have to start past kMaxOffset, or the shorter size needs more than 3
// bytes); `unreachable` then receives that offset.
std::optional<std::vector<uint8_t>> CreatePatch(std::span<const uint8_t> original,
                                                std::span<const uint8_t> modified,
                                                uint64_t* unreachable = nullptr);

}  // namespace ts2::ips
