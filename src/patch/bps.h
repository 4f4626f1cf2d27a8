// The BPS patch format ("BPS1"), without any window or file: a patch is studied whole (its
// structure walked with bounded reads and its own CRC-32 checked, nothing written), then applied
// into a new buffer only after the source image's size and CRC-32 matched; the result's CRC-32 is
// checked before it is handed back. A patch made for another ROM is refused, never applied.
//
// Layout: "BPS1", source size, target size, metadata size, metadata bytes, actions, then the
// CRC-32s of the source, the target and the patch (4 bytes each, little-endian). Numbers are
// variable-length, 7 bits a byte, least significant first, the high bit set on the last byte.
// Sources and targets are game data: a copier header is never part of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ts2::bps {

inline constexpr char kMagic[] = "BPS1";
inline constexpr size_t kMagicSize = 4;
inline constexpr size_t kFooterSize = 12;  // three CRC-32s
inline constexpr uint64_t kMaxImageSize =
    64u << 20;  // larger than any SNES ROM; bounds what a patch can make us allocate
inline constexpr int kMaxNumberBytes = 8;  // 56 bits: every size and offset we accept fits in fewer

enum class Action : uint8_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

enum class Error {
  None,
  NotAPatch,    // the first four bytes are not "BPS1"
  CutShort,     // the patch ends inside its header, its metadata or a number, or has no room for its footer
  LongNumber,   // a number longer than any size or offset can be
  TooLarge,     // a source or target size larger than kMaxImageSize
  BadAction,    // an action reads outside the source, the patch or the output written, or writes past the
                // target
  WrongLength,  // the actions do not fill exactly the target size, ending at the footer
  PatchCrc,     // the patch's own CRC-32 does not match its bytes: the file is damaged
  SourceSize,   // the image is not the size the patch was made for
  SourceCrc,    // the image's CRC-32 is not the one the patch was made for: another ROM
  TargetCrc,    // the result's CRC-32 is not the one the patch promises
  NoMemory,     // the result could not be allocated
};

// A range of target offsets [begin, end).
struct Range {
  uint64_t begin = 0, end = 0;
};

struct Study {
  Error error = Error::None;
  uint64_t errorAt = 0;  // patch offset where the broken part starts
  uint64_t sourceSize = 0, targetSize = 0;
  uint64_t metadataAt = 0, metadataSize = 0;            // patch offset and length of the metadata
  uint64_t actionsAt = 0;                               // patch offset of the first action
  uint32_t sourceCrc = 0, targetCrc = 0, patchCrc = 0;  // as the footer gives them
  uint32_t computedPatchCrc = 0;                        // of every byte before the last four
  uint64_t actionCount[4] = {};                         // by Action
  // Target ranges made by anything but a read of the same source offset: what the patch
  // changes or adds (merged, in order).
  std::vector<Range> writes;

  bool ok() const { return error == Error::None; }
  uint64_t actions() const { return actionCount[0] + actionCount[1] + actionCount[2] + actionCount[3]; }
  std::string_view metadata(std::span<const uint8_t> patch) const;
};

// Walks the whole patch without a source: header, every action against the sizes, footer, and
// the patch's own CRC-32. Reads stay inside `patch`.
Study StudyPatch(std::span<const uint8_t> patch);

// What an image or a result turned out to be, for the messages of a failed check.
struct Check {
  uint64_t size = 0;
  uint32_t crc = 0;
};

// Applies a clean study of `patch` to `source` (game data, no copier header): checks the source's
// size and CRC-32, builds the target in `target` (replaced) and checks its CRC-32. On any error
// `target` is left empty; `found` (when given) receives the size and CRC-32 of the source, or of
// the result when its check failed.
Error Apply(const Study& study, std::span<const uint8_t> patch, std::span<const uint8_t> source,
            std::vector<uint8_t>& target, Check* found = nullptr);

// The user-facing text of an error, naming the patch file. `study` gives the offsets and CRC-32s
// it quotes, `found` what the image or the result turned out to be.
std::string ErrorText(Error error, std::string_view patchName, const Study& study, const Check& found = {});

// Creates a patch that turns `source` into `target`, both game data without a copier header:
// long matches are taken from anywhere in the source and in the target already written, new
// bytes are carried as they are. `metadata` goes into the patch unchanged.
std::vector<uint8_t> CreatePatch(std::span<const uint8_t> source, std::span<const uint8_t> target,
                                 std::string_view metadata = {});

// Variable-length numbers, as the format writes them.
void PutNumber(std::vector<uint8_t>& out, uint64_t n);
size_t NumberSize(uint64_t n);

}  // namespace ts2::bps
