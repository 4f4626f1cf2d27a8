// Open ROM on a ROM file built around the input: the title check, the copier header rule and the
// decompression of the glyph table into gFONT, through the real handler on a headless program.
//
// Input: one flag byte, then the bytes from ROM offset 0x130000 on (the glyph table's bank: its
// pointers and compressed blocks). The image is zero below 0x130000 and ends with the input, so
// pointers and streams that run past the end of the image are exercised.
//   flag bit 0: a 512-byte copier header in front (the file is padded so its size says so)
//   flag bit 1: the title is left out (the check must reject the file)
//   flag bit 2: the file is only the input (a short file with no room for the title)
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/state.h"
#include "harness.h"

namespace {
constexpr size_t kHeaderSize = 0x200;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t flags = in.u8();
  const std::span<const uint8_t> body = in.rest();

  std::vector<uint8_t> file;
  if (flags & 4) {
    file.assign(body.begin(), body.end());
  } else {
    const size_t header = (flags & 1) ? kHeaderSize : 0;
    file.assign(header + ts2::kFontTableOffset, 0);
    if (header) std::fill_n(file.begin(), header, 0xAA);
    if (!(flags & 2)) std::memcpy(file.data() + header + ts2::kTitleOffset, ts2::kGameTitle, 15);
    file.insert(file.end(), body.begin(), body.end());
    // Only bit 0x200 of the size decides whether there is a header: make it agree.
    if ((file.size() & kHeaderSize) != header) file.resize(file.size() + kHeaderSize, 0);
  }
  const std::string path = ts2::fuzz::WriteScratchFile("rom.sfc", file);

  ts2::fuzz::InScratchFolder cwd;
  // What Open ROM reads besides the file: Working RAM (the ring of the decompressor), zero in a
  // new program. The data file it asks for does not exist, so no list is ever filled.
  ts2::TmyForm& form = ts2::fuzz::ReusedProgram().form();
  std::memset(form.gWRAM.get(), 0, ts2::kWramSize);
  const uint8_t* before = form.gROM;
  const uint32_t sizeBefore = form.gROMSize;
  form.OpenRomFile(path, "no-such-data-file.txt");
  if (form.gROM != before) {
    // A ROM that passed the title check has its font, sized by the table's first pointer.
    ts2::fuzz::Check(form.gFONT != nullptr);
    ts2::fuzz::Check(form.gROMSize == file.size());
  } else {
    // One that did not leaves the image loaded before as it was.
    ts2::fuzz::Check(form.gROMSize == sizeBefore);
  }
  return 0;
}
