// DecodeString: the current string of the current block, read from the ROM image.
#include "display/decode.h"

#include "core/forms.h"

namespace ts2 {

namespace {

constexpr uint8_t kCountMask = 0x1F;  // header bits 0-4: characters minus one
constexpr int kKindShift = 5;         // header bits 5-7: the kind K
constexpr int kWideKind = 7;
constexpr uint8_t kEntryIndexMask = 0x1F;  // ordinary entry: index of its character
constexpr uint8_t kEntryHighMask = 0xE0;   // ordinary entry: bits 8-10 of the code, shifted down by 3
constexpr uint16_t kSpecialHighBit = 0x100;
constexpr uint16_t kGlyphBytes = 32;

uint16_t GlyphOffset(uint32_t code) {
  return static_cast<uint16_t>(code * kGlyphBytes);  // 16-bit: codes from 0x800 up lose high bits
}

}  // namespace

DecodedString DecodeRomString(Bytes rom, uint32_t tableOffset, uint32_t textField, uint32_t index) {
  DecodedString out;
  out.pointer = Read16LE(rom, uint64_t{tableOffset} + 2 * uint64_t{index});
  if (!out.pointer) return out;
  const uint32_t a = (textField & kBankBits) + *out.pointer;
  out.address = a;
  const std::optional<uint8_t> header = Read8(rom, a);
  if (!header) return out;

  const int count = (*header & kCountMask) + 1;
  const int kind = *header >> kKindShift;
  const uint64_t entries = uint64_t{a} + 1;
  const uint64_t chars = entries + (kind == kWideKind ? 0 : kind);
  if (chars < rom.size()) out.firstChar = static_cast<uint32_t>(chars);

  if (kind == 0 || kind == kWideKind) {
    const int width = kind == 0 ? 1 : 2;
    for (int i = 0; i < count; ++i) {
      const uint64_t at = chars + uint64_t(i) * width;
      const std::optional<uint16_t> code =
          width == 1 ? std::optional<uint16_t>(Read8(rom, at)) : Read16LE(rom, at);
      if (!code) break;  // the rest of the string lies past the end of the image
      out.codes.push_back(*code);
      out.glyphs.push_back(GlyphOffset(*code));
    }
    return out;
  }

  const bool special = tableOffset == kSpecialEntryBlock;
  int nextEntry = 0;
  for (int i = 0; i < count; ++i) {
    const std::optional<uint8_t> b = Read8(rom, chars + i);
    if (!b) break;
    uint32_t code = *b;
    if (nextEntry < kind) {
      // The entries lie before the characters, so a character that was read has its entries too.
      const uint8_t e = *Read8(rom, entries + nextEntry);
      if (special && e == i) {
        code = *b | kSpecialHighBit;
        ++nextEntry;
      } else if (!special && (e & kEntryIndexMask) == i) {
        code = static_cast<uint32_t>(e & kEntryHighMask) << 3 | *b;
        ++nextEntry;
      }
    }
    out.codes.push_back(static_cast<uint16_t>(code));
    out.glyphs.push_back(GlyphOffset(code));
  }
  return out;
}

std::vector<uint16_t> TmyForm::DecodeString() {
  if (!gROM || !gBlockOffset || !gBlockField2 || gCurBlock < 0 || gCurBlock >= kMaxBlocks) {
    gStringPtr = 0;
    gTextSrc = nullptr;
    return {};
  }
  const auto block = static_cast<size_t>(gCurBlock);
  const Bytes rom = RomData();
  DecodedString s =
      DecodeRomString(rom, gBlockOffset[block], gBlockField2[block], static_cast<uint32_t>(gCurString));
  // A pointer outside the image reads as 0, and its string as empty.
  gStringPtr = s.pointer.value_or(0);
  gTextSrc = s.firstChar ? gROM + *s.firstChar : nullptr;
  return std::move(s.glyphs);
}

}  // namespace ts2
