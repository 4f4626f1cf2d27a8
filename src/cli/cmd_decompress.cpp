// ts2tool decompress ROM OFFSET [--table] [--wram] [-o FILE]: the editor's block decompression,
// run on a fresh program (zeroed Working RAM) with the file's image loaded as Open ROM loads it.
#include <cstdio>
#include <limits>

#include "cli/cli.h"
#include "core/fileutil.h"
#include "core/romfile.h"
#include "headless/headless.h"

namespace ts2::cli {
namespace {

constexpr char kHelp[] =
    "Loads ROM (a copier header is skipped when bit 0x200 of the size is set; the title is not\n"
    "checked) into a fresh program whose Working RAM is zero, then:\n"
    "  without --table  decompresses the block at ROM offset OFFSET and writes the bytes it\n"
    "                   yielded (the returned count, from Working RAM offset 0)\n"
    "  --table          decompresses the glyph table at OFFSET and writes the whole glyph buffer\n"
    "                   (first pointer x 32 bytes)\n"
    "  --wram           writes the whole 0x20000-byte Working RAM after the run instead\n"
    "  -o FILE          writes to FILE instead of standard output\n"
    "OFFSET is a ROM offset (past the copier header) in C notation, e.g. 0x130000.\n";

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(self, args, {"-o"}, {"--table", "--wram"}, parsed, kHelp)) return *done;
  if (parsed.positional.size() != 2) return UsageError(self, "expected a ROM file and an OFFSET");
  const std::string& path = parsed.positional[0];
  const std::optional<uint64_t> offset = ParseNumber(parsed.positional[1]);
  if (!offset || *offset > std::numeric_limits<uint32_t>::max())
    return UsageError(self, "OFFSET '" + parsed.positional[1] + "' is not a 32-bit number");

  headless::HeadlessProgram p;
  TmyForm& form = p.form();
  RomFile rom;
  if (const RomReadStatus status = ReadRomFile(path, form.failAllocation, rom); status != RomReadStatus::Ok)
    return Fail(kExitBadInput, RomReadError(status, path, rom));
  InstallRomImage(form, std::move(rom));
  if (*offset >= form.RomData().size())
    return Fail(kExitBadInput, Format("OFFSET 0x%llX lies past the end of the ROM data (0x%zX bytes)",
                                      static_cast<unsigned long long>(*offset), form.RomData().size()));

  const std::string out = parsed.get("-o").value_or("");
  const uint32_t at = static_cast<uint32_t>(*offset);
  const uint8_t* data = form.gWRAM.get();
  size_t size = kWramSize;
  std::unique_ptr<uint8_t[]> glyphs;
  if (parsed.has("--table")) {
    uint32_t glyphBytes = 0;
    glyphs = form.DecompressBlockTable(at, &glyphBytes);
    if (!glyphs)
      return Fail(kExitBadInput, "the glyph table could not be decompressed: " + p.ui.lastMessage());
    data = glyphs.get();
    size = glyphBytes;
  } else {
    const int32_t count = form.DecompressBlock(at);
    if (count < 0) return Fail(kExitBadInput, "no ROM image to decompress from");
    size = static_cast<size_t>(count);
  }
  if (parsed.has("--wram")) {
    data = form.gWRAM.get();
    size = kWramSize;
  }
  if (!WriteOutput(out, data, size)) return CannotWrite(kExitBadInput, out);
  return kExitOk;
}

const Command kCommand{"decompress", "decompress ROM OFFSET [--table] [--wram] [-o FILE]",
                       "run the block (or glyph table) decompression and write the result (binary)",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
