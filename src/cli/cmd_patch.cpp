// ts2tool patch ROM PATCH... -o OUT: the editor's PATCH command on a ROM file image.
#include <algorithm>
#include <cstdio>

#include "cli/cli.h"
#include "core/fileutil.h"
#include "core/romfile.h"
#include "headless/headless.h"
#include "patch/ips.h"

namespace ts2::cli {
namespace {

// Puts the file image in the program as Open ROM reads it, without the title check, the font and
// the data file: a patch applies to any image, and nothing is created in the working directory.
// Returns why the file could not be read, or an empty text.
std::string LoadImage(TmyForm& form, const std::string& path) {
  RomFile file;
  if (const RomReadStatus status = ReadRomFile(path, {}, file); status != RomReadStatus::Ok)
    return RomReadError(status, path, file);
  InstallRomImage(form, std::move(file));
  form.gROMPath = path;
  return {};
}

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
                       "A patch that fails (unreadable, broken, made for another ROM) stops the run with\n"
                       "its message and exit 1: OUT is not written.\n"))
    return *done;
  std::optional<std::string> out = a.get("-o");
  if (!out) out = a.get("--output");
  if (a.positional.size() < 2) return UsageError(self, "a ROM file and at least one patch are needed");
  if (!out || out->empty()) return UsageError(self, "no output file given (-o OUT)");

  headless::HeadlessProgram p;
  TmyForm& form = p.form();
  form.ipsTruncation = true;
  if (const std::string error = LoadImage(form, a.positional[0]); !error.empty())
    return Fail(kExitBadInput, error);
  // The patches go into the image in memory as PATCH applies them, and the image goes straight to
  // OUT: PATCH's temporary file in the working directory is not needed here.
  const std::vector<std::string> patches(a.positional.begin() + 1, a.positional.end());
  std::vector<std::string> unchanged;
  if (!form.ApplyPatchFiles(patches, TmyForm::PatchRoute::InMemory, &unchanged) || !form.gROM) {
    std::string said = p.ui.lastMessage();
    std::replace(said.begin(), said.end(), '\n', ' ');  // one line on stderr
    return Fail(kExitBadInput, said.empty() ? "patching failed" : said);
  }
  if (!WriteOutput(*out, form.romAlloc.get(), form.gROMSize))
    return Fail(kExitBadInput, "cannot write " + *out);
  for (const std::string& name : unchanged)
    std::fprintf(stderr, "ts2tool: warning: %s\n",
                 TmyForm::PatchUnchangedMessage(name, patches.size()).c_str());
  return kExitOk;
}

const Command kCommand{"patch", "patch ROM PATCH... -o OUT", "apply IPS and BPS patches to a ROM file image",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
Registrar registrar{kCommand};

}  // namespace
}  // namespace ts2::cli
