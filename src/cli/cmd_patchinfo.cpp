// ts2tool patchinfo PATCH... [--rom ROM] [--no-overlap]: what patches do, checked before use.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli.h"
#include "cli/patch_args.h"
#include "core/fileutil.h"
#include "core/romfile.h"
#include "patch/image_patch.h"
#include "patch/patch_info.h"
#include "patch/patch_name.h"

namespace ts2::cli {
namespace {

using patchinfo::Format;
using patchinfo::Info;
using patchinfo::Range;

constexpr char kHelp[] =
    "Prints, for each patch: its format; its records (IPS) or actions (BPS); the ranges it\n"
    "writes, merged, as hex offsets (IPS: file offsets, copier header included; BPS: offsets in\n"
    "the game data, the bytes not read from the same source offset); the size it produces; for\n"
    "BPS the three CRC-32s and the metadata. A broken patch is reported with the message the\n"
    "PATCH command would give.\n"
    "\n"
    "With --rom ROM, also whether each patch fits that ROM: a BPS patch fits when the game data\n"
    "(without the copier header) has the size and CRC-32 it was made for; an IPS patch always\n"
    "applies, and is warned about when it looks made for the other copier-header layout (it\n"
    "writes inside the copier header, or where the ROM's title and checksum lie in the other\n"
    "layout, or it makes an image whose size tells the other layout).\n"
    "\n"
    "With several patches, lists the bytes that more than one writes (the order they are applied\n"
    "in decides those), in file offsets of ROM (BPS offsets moved past its copier header; without\n"
    "--rom, as if headerless). --no-overlap makes such bytes an error.\n"
    "\n"
    "A PATCH of - is read from standard input (one of the patches at most), and a pipe or FIFO,\n"
    "such as the shell's <(...), is read to its end. The listing calls - standard input.\n"
    "\n"
    "Exit status: 0; 1 when a patch cannot be read or is broken, a BPS patch does not fit ROM,\n"
    "or with --no-overlap two patches write the same byte.\n";

constexpr size_t kRangesPerLine = 6;

void PrintRanges(const std::vector<Range>& ranges) {
  for (size_t i = 0; i < ranges.size(); ++i) {
    std::printf("%s%s", i % kRangesPerLine == 0 ? "    " : ", ", patchinfo::RangeText(ranges[i]).c_str());
    if (i % kRangesPerLine == kRangesPerLine - 1 || i + 1 == ranges.size()) std::printf("\n");
  }
}

// Metadata on one line: control bytes and backslashes as \xNN.
std::string OneLine(const std::string& text) {
  std::string out;
  for (unsigned char c : text)
    out += c < 0x20 || c == 0x7F || c == '\\' ? ts2::Format("\\x%02X", c) : std::string(1, char(c));
  return out;
}

void PrintInfo(const std::string& path, const Info& info) {
  std::printf("%s\n", path.c_str());
  if (info.format == Format::Unknown || !info.error.empty()) {
    std::printf("  format: %s\n  error: %s\n",
                info.format == Format::Bps   ? "BPS"
                : info.format == Format::Ips ? "IPS"
                                             : "unknown",
                info.error.c_str());
    return;
  }
  const std::string bytes =
      ts2::Format("%llu bytes in %zu range%s", static_cast<unsigned long long>(info.bytesWritten()),
                  info.writes.size(), info.writes.size() == 1 ? "" : "s");
  if (info.format == Format::Ips) {
    std::printf("  format: IPS\n");
    std::printf("  records: %zu (%llu run records)%s\n", info.ips.records.size(),
                static_cast<unsigned long long>(info.runRecords),
                info.ips.sawEof ? "" : ", no \"EOF\" marker");
    std::printf("  writes: %s, file offsets\n", bytes.c_str());
    PrintRanges(info.writes);
    if (info.ips.writtenEnd > 0) {
      std::printf("  size: at least %llu bytes (0x%llX), or the image's own size when larger\n",
                  static_cast<unsigned long long>(info.ips.writtenEnd),
                  static_cast<unsigned long long>(info.ips.writtenEnd));
    } else {
      std::printf("  size: the image's own\n");
    }
    if (info.truncation)
      std::printf(
          "  truncation: to %u bytes (0x%X) when larger; ts2tool patch applies it, the editor does not\n",
          *info.truncation, *info.truncation);
    return;
  }
  const bps::Study& s = info.bps;
  std::printf("  format: BPS\n");
  std::printf("  actions: %llu (SourceRead %llu, TargetRead %llu, SourceCopy %llu, TargetCopy %llu)\n",
              static_cast<unsigned long long>(s.actions()), static_cast<unsigned long long>(s.actionCount[0]),
              static_cast<unsigned long long>(s.actionCount[1]),
              static_cast<unsigned long long>(s.actionCount[2]),
              static_cast<unsigned long long>(s.actionCount[3]));
  std::printf("  writes: %s, game-data offsets\n", bytes.c_str());
  PrintRanges(info.writes);
  std::printf("  size: %llu bytes (0x%llX) of game data, the copier header kept in front\n",
              static_cast<unsigned long long>(s.targetSize), static_cast<unsigned long long>(s.targetSize));
  std::printf("  source: %llu bytes, CRC-32 0x%08X\n", static_cast<unsigned long long>(s.sourceSize),
              s.sourceCrc);
  std::printf("  target: %llu bytes, CRC-32 0x%08X\n", static_cast<unsigned long long>(s.targetSize),
              s.targetCrc);
  std::printf("  patch: CRC-32 0x%08X (matches)\n", s.patchCrc);
  std::printf("  metadata: %s\n",
              info.metadata.empty() ? "none" : ("\"" + OneLine(info.metadata) + "\"").c_str());
}

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs a;
  if (auto done = StartCommand(self, args, {"--rom"}, {"--no-overlap"}, a, kHelp)) return *done;
  if (a.positional.empty()) return UsageError(self, "expected at least one patch");
  if (const std::optional<std::string> twice = StandardInputTwice(a.positional))
    return UsageError(self, *twice);

  std::optional<RomFile> rom;
  if (const std::optional<std::string> romPath = a.get("--rom")) {
    rom.emplace();
    if (const RomReadStatus status = ReadRomFile(*romPath, {}, *rom); status != RomReadStatus::Ok)
      return Fail(kExitBadInput, RomReadError(status, *romPath, *rom));
  }
  const std::span<const uint8_t> romFile =
      rom ? std::span<const uint8_t>(rom->bytes.get(), rom->size) : std::span<const uint8_t>();

  std::vector<std::string> problems;  // one stderr line sums them up
  std::vector<std::vector<Range>> fileWrites;
  for (const std::string& path : a.positional) {
    const std::string name = PatchName(path), shown = patching::PlainName(name);
    Info info;
    if (IsStandardInput(path)) {
      if (const std::optional<patching::PatchBytes> bytes = patching::ReadPatchStream(STDIN_FILENO)) {
        info = patchinfo::Describe(bytes->span(), name);
      } else {
        info.error = std::string("cannot read standard input: ") + std::strerror(errno);
      }
    } else if (const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path)) {
      info = patchinfo::Describe(*bytes, name);
    } else {
      info.error = std::string("cannot read the file: ") + std::strerror(errno);
    }
    PrintInfo(IsStandardInput(path) ? shown : path, info);
    if (!info.ok()) {
      problems.push_back(shown + " cannot be used");
      fileWrites.emplace_back();
      continue;
    }
    if (rom) {
      const patchinfo::Fit fit = patchinfo::CheckFit(info, romFile);
      std::printf("  rom: %s\n", fit.verdict.c_str());
      for (const std::string& w : fit.warnings) std::printf("  warning: %s\n", w.c_str());
      if (!fit.fits) problems.push_back(shown + " does not fit " + ExtractFileName(*a.get("--rom")));
    }
    std::vector<Range> writes = info.writes;
    if (info.format == Format::Bps && rom)
      for (Range& r : writes) r = {r.begin + rom->headerSize, r.end + rom->headerSize};
    fileWrites.push_back(std::move(writes));
  }

  if (a.positional.size() > 1) {
    const std::vector<patchinfo::Overlap> overlaps = patchinfo::Overlaps(fileWrites);
    uint64_t total = 0;
    for (const auto& o : overlaps) total += o.range.end - o.range.begin;
    std::printf("overlaps: %s\n", overlaps.empty()
                                      ? "none"
                                      : ts2::Format("%llu bytes written by more than one patch, file offsets",
                                                    static_cast<unsigned long long>(total))
                                            .c_str());
    for (const auto& o : overlaps) {
      std::string names;
      for (size_t p : o.patches) {
        const std::string& path = a.positional[p];  // as each patch's own heading names it
        names += (names.empty() ? "" : ", ") +
                 (IsStandardInput(path) ? patching::PlainName(PatchName(path)) : path);
      }
      std::printf("    %s: %s\n", patchinfo::RangeText(o.range).c_str(), names.c_str());
    }
    if (!overlaps.empty() && a.has("--no-overlap"))
      problems.push_back(ts2::Format("%llu bytes are written by more than one patch",
                                     static_cast<unsigned long long>(total)));
  }
  if (std::fflush(stdout) != 0) return CannotWrite(kExitBadInput, "-");
  if (problems.empty()) return kExitOk;
  std::string line;
  for (const std::string& p : problems) line += (line.empty() ? "" : "; ") + p;
  return Fail(kExitBadInput, line);
}

const Command kCommand{"patchinfo", "patchinfo PATCH... [--rom ROM] [--no-overlap]",
                       "tell what IPS and BPS patches write and whether they fit a ROM",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
