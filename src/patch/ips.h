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

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ts2::ips {

inline constexpr char kMagic[] = "PATCH";
inline constexpr size_t kMagicSize = 5;
inline constexpr uint32_t kEofMarker = 0x454F46;     // the letters "EOF" read as an offset
inline constexpr char kTempFile[] = "__temp__.qqq";  // in the working directory

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
  uint64_t writtenEnd = 0;  // one past the last byte a record writes; 0 when none writes

  bool ok() const { return error == Error::None; }
  // The image's size after the patch: records that write past the end grow it (the gap reads as
  // zero bytes); a record that writes nothing grows nothing.
  uint64_t ResultSize(uint64_t imageSize) const { return writtenEnd > imageSize ? writtenEnd : imageSize; }
};

// Locates every record of `patch` without writing anything. Reads stay inside `patch`.
Study StudyPatch(std::span<const uint8_t> patch);

// Applies a clean study to `image`, which must already hold ResultSize(original size) bytes with
// the original image in front and zeros behind it. Records are applied in patch order, so a
// later record wins where two overlap. Nothing is written outside `image`: a record that would
// not fit (a study of another patch, a buffer too small) is not applied and false is returned.
bool ApplyStudy(const Study& study, std::span<const uint8_t> patch, std::span<uint8_t> image);

// Studies and applies in one step, growing `image` as needed; on an error `image` is unchanged.
Error ApplyPatch(std::span<const uint8_t> patch, std::vector<uint8_t>& image, uint32_t* errorAt = nullptr);

}  // namespace ts2::ips
