// String decoding and drawing with any block values: the block's pointer table offset, its text
// bank, the string number, the pointer and string bytes in the ROM, the glyph cell and line width
// of the data file, the view options and the size of the font. The input is the ROM image.
//
// Input: 3 bytes table offset, 3 bytes text field, 2 bytes string number, 1 byte cell rows,
// 1 byte cell columns, 2 bytes line width, 1 byte view options, 1 byte font glyphs, 2 bytes
// page scroll, then the ROM image. Offsets are taken modulo the image size plus 64, so they
// mostly land inside it and sometimes just past its end.
#include <cstring>
#include <memory>

#include "display/decode.h"
#include "harness.h"

namespace {

// Everything the string display reads is set here for each input, so one program serves all.
void Show(ts2::TmyForm& form, ts2::fuzz::InputReader& in) {
  const uint32_t tableRaw = in.u24(), fieldRaw = in.u24();
  const uint16_t index = in.u16();
  const uint8_t rows = in.u8(), cols = in.u8();
  const uint16_t lineWidth = in.u16();
  const uint8_t options = in.u8(), fontGlyphs = in.u8();
  const uint16_t scroll = in.u16();
  const std::span<const uint8_t> rom = in.rest();

  const uint32_t span = static_cast<uint32_t>(rom.size()) + 64;
  // The special block rule applies to one table offset; let the input reach it.
  const uint32_t table = (options & 0x80) ? ts2::kSpecialEntryBlock : tableRaw % span;
  const uint32_t field = (fieldRaw & 0xFF0000) | (fieldRaw % span & 0xFFFF);

  form.romAlloc = std::make_unique<uint8_t[]>(rom.size() + 1);
  if (!rom.empty()) std::memcpy(form.romAlloc.get(), rom.data(), rom.size());
  form.gROMSize = static_cast<uint32_t>(rom.size());
  form.gROMHeaderSize = 0;
  form.gROM = form.romAlloc.get();

  form.gFONTSize = fontGlyphs * 32u;
  form.gFONT = std::make_unique<uint8_t[]>(form.gFONTSize + 1);
  for (uint32_t i = 0; i < form.gFONTSize; ++i) form.gFONT[i] = static_cast<uint8_t>(i * 37);

  form.gCurBlock = 0;
  form.gBlockOffset[0] = table;
  form.gBlockField2[0] = field;
  form.gBlockStrings[0] = index + 1u;
  form.gCurString = index;
  form.gGlyphH = rows;
  form.gGlyphW = cols;
  form.gLineWidth = lineWidth;
  form.gDataLoaded = 1;
  form.gPages[0].scroll = scroll;
  form.SetChecked(ts2::MenuId::DTT, false);
  form.SetChecked(ts2::MenuId::UseVWFRoutine1, options & 1);
  form.SetChecked(ts2::MenuId::HideCodes, options & 2);
  form.SetChecked((options & 4) ? ts2::MenuId::Solid1 : ts2::MenuId::Gradient1, true);
  form.SetChecked((options & 8)    ? ts2::MenuId::Red1
                  : (options & 16) ? ts2::MenuId::Green1
                                   : ts2::MenuId::Blue1,
                  true);

  const ts2::DecodedString decoded = ts2::DecodeRomString(form.RomData(), table, field, index);
  ts2::fuzz::Check(decoded.glyphs.size() <= 32);
  form.RenderString(form.gGlyphH, form.gGlyphW);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InScratchFolder cwd;
  ts2::fuzz::InputReader in(data, size);
  Show(ts2::fuzz::ReusedProgram().form(), in);
  return 0;
}
