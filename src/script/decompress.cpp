// Block decompression into Working RAM, glyph tables, and the two menu commands about them.
//
// Working RAM (gWRAM, 0x20000 bytes):
//   0x00000-0x0FFFF  the result of the last decompression; while a block is decoded its first bytes
//                    hold the decoder's state (below) and 0x01000-0x01FFF is the 4096-byte ring
//   0x10000-0x1FFFF  staging: output byte i is written to 0x10000 + i
// At the end of every decompression the whole staging area stands at offset 0 again, so the ring a
// block starts with is staging bytes 0x1000-0x1FFF of the blocks before (zero after start-up).
//
// Block layout at its ROM offset: type (1 byte), byte count (16-bit LE), 2 bytes not read, data.
//   type 3  LZSS stream: groups of one flag byte (LSB first; 1 = literal byte, 0 = two-byte
//           reference A B to ring position A + (B & 0xF0) * 16, (B & 0x0F) + 3 bytes)
//   type 0  stored: the count's bytes follow the same 5-byte header unchanged
//   others  nothing is decoded and 0 is returned
// Nothing is read past the end of the ROM image: a stream (or stored data) that runs off it stops
// there, and the bytes produced until then are the block's result.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "core/bytes.h"
#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

// Decoder state, kept at these Working RAM offsets while a block is decoded (little-endian).
constexpr uint32_t kStOutIndex = 0x04;   // 16 bits: bytes produced so far
constexpr uint32_t kStFlags = 0x10;      // 8 bits: current flag byte, shifted right after every item
constexpr uint32_t kStFlagBits = 0x11;   // 8 bits: flag bits left in the group
constexpr uint32_t kStRemaining = 0x12;  // 16 bits: bytes still to produce
constexpr uint32_t kStReference = 0x16;  // 16 bits: the current back-reference as read
constexpr uint32_t kStCopyCount = 0x17;  // 8 bits: its high byte, reused as bytes left to copy
constexpr uint32_t kStCopyPos = 0x18;    // 16 bits: copy position in the ring
constexpr uint32_t kStateEnd = 0x1A;     // first byte past the decoder's state

constexpr uint32_t kRingBase = 0x1000;
constexpr uint32_t kRingSize = 0x1000;
constexpr uint16_t kRingMask = 0x0FFF;
constexpr uint16_t kRingStart = 0xFEE;  // the ring's write position when a block starts
constexpr uint32_t kStaging = 0x10000;
constexpr uint32_t kStagingSize = 0x10000;

constexpr uint8_t kTypeStored = 0;
constexpr uint8_t kTypeCompressed = 3;
constexpr uint32_t kBlockHeaderSize = 5;  // type, count, 2 bytes not read
constexpr uint32_t kGlyphBytes = 32;      // one 8 x 16 glyph, two bit planes

constexpr char kMsgNoMemory[] = "Error: Could not allocate needed memory.";
constexpr char kMsgDumpOpenFailed[] = "Error: Could not open file for saving...";

uint16_t Get16(const uint8_t* w, uint32_t at) {
  return static_cast<uint16_t>(w[at] | w[at + 1] << 8);
}

// Decodes one type-3 stream with its state in Working RAM.
class StreamDecoder {
 public:
  StreamDecoder(uint8_t* wram, Bytes rom, uint64_t streamAt, uint16_t& ringPos)
      : w_(wram), rom_(rom), at_(streamAt), ringPos_(ringPos) {}

  void run(uint16_t length) {
    Write16LE(w_ + kStOutIndex, 0);
    Write16LE(w_ + kStRemaining, length);
    ringPos_ = kRingStart;
    while (remaining() > 0) {
      const std::optional<uint8_t> flags = next();
      if (!flags) return;
      w_[kStFlags] = *flags;
      w_[kStFlagBits] = 8;
      while (w_[kStFlagBits] > 0) {
        if (!item()) return;
        w_[kStFlags] >>= 1;
        --w_[kStFlagBits];
        if (remaining() == 0) return;  // the rest of the group is not read
      }
    }
  }

 private:
  uint16_t remaining() const { return Get16(w_, kStRemaining); }

  std::optional<uint8_t> next() {
    const std::optional<uint8_t> b = Read8(rom_, at_);
    if (b) ++at_;
    return b;
  }

  // One byte out: to staging and to the ring.
  void put(uint8_t c) {
    const uint16_t out = Get16(w_, kStOutIndex);
    w_[kStaging + out] = c;
    w_[kRingBase + ringPos_] = c;
    ringPos_ = (ringPos_ + 1) & kRingMask;
    Write16LE(w_ + kStOutIndex, static_cast<uint16_t>(out + 1));
    Write16LE(w_ + kStRemaining, static_cast<uint16_t>(remaining() - 1));
  }

  // One literal or back-reference; false when the stream ran off the end of the ROM image.
  bool item() {
    if (w_[kStFlags] & 1) {
      const std::optional<uint8_t> c = next();
      if (!c) return false;
      put(*c);
      return true;
    }
    const std::optional<uint8_t> a = next();
    const std::optional<uint8_t> b = next();
    if (!a || !b) return false;
    w_[kStReference] = *a;
    w_[kStReference + 1] = *b;
    Write16LE(w_ + kStCopyPos, static_cast<uint16_t>(*a + ((*b & 0xF0) << 4)));
    w_[kStCopyCount] = static_cast<uint8_t>((*b & 0x0F) + 3);
    while (w_[kStCopyCount] > 0) {
      // The ring is read before it is written, so an overlapping reference repeats fresh bytes.
      const uint16_t from = Get16(w_, kStCopyPos);
      put(w_[kRingBase + from]);
      Write16LE(w_ + kStCopyPos, static_cast<uint16_t>((from + 1) & kRingMask));
      --w_[kStCopyCount];
      if (remaining() == 0) break;  // the rest of the reference is dropped
    }
    return true;
  }

  uint8_t* w_;
  Bytes rom_;
  uint64_t at_;
  uint16_t& ringPos_;
};

}  // namespace

int32_t TmyForm::DecompressBlock(uint32_t romOffset) {
  if (!gROM || !gWRAM) return -1;
  const Bytes rom = RomData();
  uint8_t* w = gWRAM.get();
  const uint64_t p = romOffset;
  const std::optional<uint8_t> type = Read8(rom, p);
  const std::optional<uint16_t> length = Read16LE(rom, p + 1);

  uint16_t produced = 0;  // types other than 0 and 3, and a block cut off in its header, yield nothing
  if (type == kTypeCompressed && length) {
    StreamDecoder(w, rom, p + kBlockHeaderSize, gRingPos).run(*length);
    produced = Get16(w, kStOutIndex);
  } else if (type == kTypeStored && length) {
    const uint64_t from = p + kBlockHeaderSize;
    const uint64_t available = from < rom.size() ? rom.size() - from : 0;
    produced = static_cast<uint16_t>(std::min<uint64_t>(*length, available));
    if (produced > 0) std::memcpy(w + kStaging, rom.data() + from, produced);
    Write16LE(w + kStOutIndex, produced);
  }

  // The whole staging area now stands at offset 0. Every decompression ends with this copy and
  // nothing else in the editor writes Working RAM, so offsets 0-0xFFFF already equal staging
  // except where this call wrote: the decoder's state, the ring and the staging bytes it
  // produced. Copying just those leaves Working RAM exactly as copying all 64 KiB would.
  std::memcpy(w, w + kStaging, std::max<uint32_t>(produced, kStateEnd));
  std::memcpy(w + kRingBase, w + kStaging + kRingBase, kRingSize);
  static_assert(kStaging + kStagingSize == kWramSize);

  gDumpSize = produced;
  return produced;
}

std::unique_ptr<uint8_t[]> TmyForm::DecompressBlockTable(uint32_t tableOffset, uint32_t* size) {
  *size = 0;
  if (!gROM || !gWRAM) return nullptr;  // no ROM image: no block can be decompressed
  const Bytes rom = RomData();
  const uint32_t bank = tableOffset & 0xFF0000;
  // A ROM too short to hold the table's first pointer has no glyphs: the result is an empty
  // buffer (every glyph reads as blank), not a failure that would stop the program.
  const uint16_t first = Read16LE(rom, tableOffset).value_or(0);
  const uint32_t end = bank + first;
  const uint32_t bufferSize = first * kGlyphBytes;  // from the first pointer's value, not the entry count

  std::unique_ptr<uint8_t[]> buffer;
  if (!AllocationFails("gFONT")) buffer.reset(new (std::nothrow) uint8_t[bufferSize > 0 ? bufferSize : 1]());
  if (!buffer) {
    ui.message(kMsgNoMemory);
    ui.window(FormId::myForm).close();
    return nullptr;
  }

  for (uint64_t i = 0; tableOffset + 2 * i < end; ++i) {
    const std::optional<uint16_t> pointer = Read16LE(rom, tableOffset + 2 * i);
    if (!pointer) break;  // the table runs off the end of the ROM image
    const int32_t n = DecompressBlock(bank + *pointer);
    if (n < 0) return nullptr;
    // A block that yields more than 32 bytes runs into the following slots; nothing goes past
    // the end of the buffer.
    const uint64_t at = kGlyphBytes * i;
    if (at < bufferSize) std::memcpy(buffer.get() + at, gWRAM.get(), std::min<uint64_t>(n, bufferSize - at));
  }
  *size = bufferSize;
  return buffer;
}

// Writes the result of the last decompression (gDumpSize bytes from Working RAM offset 0). The
// menu item stays disabled; the handler works when called.
void TmyForm::DumpMemory1Click(TObject /*Sender*/) {
  if (!gWRAM) return;
  FSave.initialDir = gStartDir;
  FSave.title = "Dump Working RAM to file...";
  FSave.fileName.clear();
  if (!ui.runSaveDialog(FSave) || FSave.files.empty()) return;
  const uint32_t count = std::min<uint32_t>(gDumpSize, kStagingSize);
  std::string error;
  if (!WriteFileAtomic(FSave.files.front(), gWRAM.get(), count, &error)) {
    if (CouldNotOpenForWriting(FSave.files.front(), error)) {
      ui.message(kMsgDumpOpenFailed);
    } else {
      ui.message("Error: Could not write the dump file (" + error + "). Nothing was saved.");
    }
  }
}

void TmyForm::DecompresstoFiles1Click(TObject /*Sender*/) {
  ui.window(FormId::cmForm).show();
}

}  // namespace ts2
