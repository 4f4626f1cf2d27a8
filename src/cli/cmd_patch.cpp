// ts2tool patch ROM PATCH... -o OUT: the editor's PATCH command on a ROM file image.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/cli.h"
#include "cli/mapped_guard.h"
#include "cli/patch_args.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "patch/image_patch.h"
#include "patch/ips.h"

namespace ts2::cli {
namespace {

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs a;
  if (auto done =
          StartCommand(self, args, {"-o", "--output"}, {}, a,
                       "Applies the IPS and BPS patches in order, as the editor's PATCH command does, and\n"
                       "writes the patched file image (copier header included) to OUT. The format is told\n"
                       "by the patch's first bytes, whatever its name.\n"
                       "\n"
                       "IPS offsets count from the file's first byte, copier header included. An IPS\n"
                       "patch's truncation size (three bytes after \"EOF\") cuts the image here; the\n"
                       "editor's PATCH command ignores it.\n"
                       "A BPS patch is checked whole before it applies: its structure and CRC-32, then\n"
                       "the size and CRC-32 of the ROM's game data (without the copier header) against\n"
                       "the source it was made for, then the CRC-32 of the result. The copier header\n"
                       "stays in front of the result.\n"
                       "\n"
                       "A PATCH of - is read from standard input (one of the patches at most), and a pipe\n"
                       "or FIFO, such as the shell's <(...), is read to its end: a patch can come straight\n"
                       "out of an archive or a download.\n"
                       "\n"
                       "A patch that fails (unreadable, broken, made for another ROM) stops the run with\n"
                       "its message and exit 1: OUT is not written.\n"))
    return *done;
  std::optional<std::string> out = a.get("-o");
  if (!out) out = a.get("--output");
  if (a.positional.size() < 2) return UsageError(self, "a ROM file and at least one patch are needed");
  if (!out || out->empty()) return UsageError(self, "no output file given (-o OUT)");
  const std::vector<std::string> patches(a.positional.begin() + 1, a.positional.end());
  if (const std::optional<std::string> twice = StandardInputTwice(patches)) return UsageError(self, *twice);

  // The image alone is patched, as the editor's PATCH command patches its ROM image in memory; no
  // program, window or bitmap is made. The first patch is read before the ROM so that the ROM is
  // read into a buffer with room for what the patch adds, and the image goes straight to OUT:
  // PATCH's temporary file in the working directory is not needed here.
  std::optional<patching::PatchBytes> first = ReadPatchArg(patches[0], true);
  // Standard input or a pipe that could not be read is not read again: what a second read found
  // would not be the patch (or a FIFO would wait for another writer).
  if (!first && ReadToItsEnd(patches[0])) return Fail(kExitBadInput, ips::ErrorText(ips::Error::CannotOpen));
  // Until the patches are applied (the mapping goes with the first): a first patch cut short by
  // another program meanwhile is reported like any unreadable file.
  std::optional<MappedFileGuard> guard;
  if (first && first->mapped)
    guard.emplace(first->span().data(), first->span().size(),
                  patches[0] + " was cut short while it was being read; " + *out + " was not written");
  const uint64_t room = first ? patching::RoomNeeded(*first) : 0;
  RomFile file;
  if (const RomReadStatus status = ReadRomFile(a.positional[0], {}, file, room); status != RomReadStatus::Ok)
    return Fail(kExitBadInput, RomReadError(status, a.positional[0], file));
  patching::FileImage image{std::move(file.bytes), file.size, file.headerSize,
                            std::max<uint64_t>(file.size, room)};
  patching::Options options;
  options.truncate = true;
  const patching::Outcome outcome =
      patching::ApplyPatchFiles(image, patches, options, std::move(first), PatchArgs());
  guard.reset();
  if (!outcome.ok) {
    std::string said = outcome.message;
    std::replace(said.begin(), said.end(), '\n', ' ');  // one line on stderr
    return Fail(kExitBadInput, said.empty() ? "patching failed" : said);
  }
  if (!WriteOutput(*out, image.bytes.get(), image.size)) return CannotWrite(kExitBadInput, *out);
  for (const std::string& name : outcome.unchanged)
    std::fprintf(stderr, "ts2tool: warning: %s\n",
                 TmyForm::PatchUnchangedMessage(name, patches.size()).c_str());
  return kExitOk;
}

const Command kCommand{"patch", "patch ROM PATCH... -o OUT", "apply IPS and BPS patches to a ROM file image",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
