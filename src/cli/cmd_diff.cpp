// ts2tool diff ORIGINAL MODIFIED -o OUT.ips|OUT.bps: the patch a translator ships.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "core/fileutil.h"
#include "core/romfile.h"
#include "patch/bps.h"
#include "patch/ips.h"

namespace ts2::cli {
namespace {

constexpr char kHelp[] =
    "Creates a patch that turns ORIGINAL into MODIFIED and writes it to OUT. The format follows\n"
    "OUT's extension (.ips or .bps); --format ips|bps overrides it.\n"
    "\n"
    "IPS compares the file images as they are, copier headers included, as the editor's PATCH\n"
    "command applies them: offsets count from the file's first byte. With --headerless a\n"
    "512-byte copier header is dropped from each file first, so that the patch fits headerless\n"
    "copies of the game (what most players have); stderr says what was dropped. Records are valid\n"
    "for every IPS reader: at most 65535 bytes, never one at offset 0x454F46, run records where\n"
    "they are shorter, growth as records past the old end, the truncation size only when MODIFIED\n"
    "is shorter. A byte to write past 16 MiB is an error (exit 1): use BPS.\n"
    "\n"
    "BPS always compares the game data, without copier headers, and carries the CRC-32s of\n"
    "ORIGINAL, MODIFIED and the patch, so that it refuses to apply to any other ROM.\n"
    "\n"
    "On any error nothing is written.\n";

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), AsciiLower);
  return s;
}

// The image, or the message that says why it cannot be read.
std::optional<std::string> ReadImage(const std::string& path, RomFile& file) {
  const RomReadStatus status = ReadRomFile(path, {}, file);
  if (status == RomReadStatus::Ok) return std::nullopt;
  return RomReadError(status, path, file);
}

std::span<const uint8_t> Whole(const RomFile& f) {
  return {f.bytes.get(), f.size};
}

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs a;
  if (auto done = StartCommand(self, args, {"-o", "--output", "--format"}, {"--headerless"}, a, kHelp))
    return *done;
  std::optional<std::string> out = a.get("-o");
  if (!out) out = a.get("--output");
  if (a.positional.size() != 2) return UsageError(self, "expected ORIGINAL and MODIFIED");
  if (!out || out->empty()) return UsageError(self, "no output file given (-o OUT)");
  std::string format = Lower(a.get("--format").value_or(""));
  if (format.empty()) {
    const std::string name = Lower(*out);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ips") == 0) format = "ips";
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bps") == 0) format = "bps";
    if (format.empty())
      return UsageError(self, "cannot tell the format from " + *out + ": give --format ips|bps");
  }
  if (format != "ips" && format != "bps") return UsageError(self, "--format must be ips or bps");

  const std::string& originalPath = a.positional[0];
  const std::string& modifiedPath = a.positional[1];
  RomFile original, modified;
  if (auto error = ReadImage(originalPath, original)) return Fail(kExitBadInput, *error);
  if (auto error = ReadImage(modifiedPath, modified)) return Fail(kExitBadInput, *error);

  if (original.headerSize != modified.headerSize && (format == "bps" || !a.has("--headerless")))
    Fail(kExitOk,
         Format("warning: %s has %u bytes of copier header and %s has %u; %s", originalPath.c_str(),
                original.headerSize, modifiedPath.c_str(), modified.headerSize,
                format == "bps" ? "each is compared without its own" : "the files are compared as they are"));

  std::vector<uint8_t> patch;
  if (format == "bps") {
    // Beyond the size a patch may claim, applying it would refuse it as damaged.
    for (const auto& [path, image] : {std::pair{&originalPath, &original}, {&modifiedPath, &modified}})
      if (image->gameData().size() > bps::kMaxImageSize)
        return Fail(kExitBadInput, Format("%s has %zu bytes of game data, more than a BPS patch may claim "
                                          "(%llu MiB); nothing written",
                                          path->c_str(), image->gameData().size(),
                                          static_cast<unsigned long long>(bps::kMaxImageSize >> 20)));
    patch = bps::CreatePatch(original.gameData(), modified.gameData());
  } else {
    std::span<const uint8_t> from = Whole(original), to = Whole(modified);
    if (!a.has("--headerless") && original.headerSize > 0 && modified.headerSize > 0)
      Fail(kExitOk,
           "note: both files have a copier header, so the patch fits only copies with one; "
           "--headerless makes it for copies without, as most players have");
    if (a.has("--headerless")) {
      from = original.gameData();
      to = modified.gameData();
      if (original.headerSize == 0 && modified.headerSize == 0) {
        Fail(kExitOk, "--headerless: neither file has a copier header; the patch fits headerless ROMs");
      } else {
        Fail(kExitOk,
             Format("--headerless: copier header dropped from %s (%u bytes) and from %s (%u bytes); "
                    "the patch fits headerless ROMs",
                    originalPath.c_str(), original.headerSize, modifiedPath.c_str(), modified.headerSize));
      }
    }
    uint64_t unreachable = 0;
    std::optional<std::vector<uint8_t>> made = ips::CreatePatch(from, to, &unreachable);
    if (!made)
      return Fail(
          kExitBadInput,
          Format("IPS cannot reach offset 0x%llX (its offsets end at 16 MiB); nothing written: use BPS",
                 static_cast<unsigned long long>(unreachable)));
    patch = std::move(*made);
  }
  if (!WriteOutput(*out, patch.data(), patch.size())) return CannotWrite(kExitBadInput, *out);
  return kExitOk;
}

const Command kCommand{"diff", "diff ORIGINAL MODIFIED -o OUT.ips|OUT.bps [--format ips|bps] [--headerless]",
                       "create an IPS or BPS patch from an original and a modified ROM",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
