// The PATCH command: applies the chosen IPS and BPS patches, in order, to the ROM image in memory.
// The two are told apart by their first bytes.
//
// A BPS patch is checked whole (structure, its own CRC-32, the size and CRC-32 of the game data
// it was made for) and applied into a new buffer; the result's CRC-32 is checked before it
// replaces the image, with the copier header kept in front. It needs no temporary file
// (patch/image_patch.h).
//
// Each patch goes through the temporary file "__temp__.qqq" in the working directory, which ends
// up holding the patched file image and is read back as the new ROM image. The image is patched
// in memory first (a few large writes instead of a system call per record), so the temporary
// file is written once and read once per patch. A patch is studied whole before anything of it
// is applied: a broken one changes nothing. ts2tool, which writes the image out itself, applies
// the records straight into the image instead (patch/image_patch.h; ApplyPatchFiles with
// PatchRoute::InMemory runs the same code on the program's image).
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "patch/image_patch.h"
#include "patch/ips.h"
#include "patch/patch_name.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kMsgSaveFirst[] = "Rom has been modified. Save these changes?";
constexpr char kCaptionSaveFirst[] = " IPS Patcher...";
constexpr char kMsgComplete[] = "Patching is complete! Remember to SAVE the changes!";
constexpr char kMsgUnchanged[] = "The patch changed nothing: this ROM may already have it.";
constexpr char kCaptionFatal[] = "IPS Error";
constexpr char kPatchFilter[] =
    "Patch files (*.ips;*.bps)|*.ips;*.bps|IPS files (*.ips)|*.ips|BPS files (*.bps)|*.bps";

using PatchRoute = TmyForm::PatchRoute;

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const char* path, const char* mode) {
  return FilePtr(std::fopen(path, mode), &std::fclose);
}

// Writes `size` bytes as the whole content of the temporary file.
bool WriteTempFile(const uint8_t* data, size_t size) {
  return WriteWorkingFile(ips::kTempFile, data, size);
}

// Switches the open dialog's multiple selection off on every way out of the command.
struct MultiSelectOff {
  FileDialog& dialog;
  ~MultiSelectOff() { dialog.multiSelect = false; }
};

// The patch applied to the ROM image by itself (patching::ApplyPatch): a BPS patch on either route,
// an IPS patch on the in-memory route. Returns false when the command must end, its message shown.
bool ApplyToImage(TmyForm& f, const std::string& path, std::span<const uint8_t> patch, bool& changed) {
  patching::FileImage image{std::move(f.romAlloc), f.gROMSize, f.gROMHeaderSize, f.gROMSize};
  patching::Options options;
  options.truncate = f.ipsTruncation;
  options.allocationFails = [&f] { return f.AllocationFails("gROM"); };
  const patching::Applied applied = patching::ApplyPatch(image, ExtractFileName(path), patch, options);
  f.romAlloc = std::move(image.bytes);
  f.gROMSize = image.size;
  f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
  ++f.scriptGeneration;
  changed = applied.changed;
  switch (applied.failure) {
    case patching::Failure::None: return true;
    case patching::Failure::Refused: f.ui.message(applied.message); return false;
    case patching::Failure::NoMemory:
      f.ui.stopMessage(applied.message, kCaptionFatal);
      f.ui.window(FormId::myForm).close();
      return false;
  }
  return false;
}

// One patch file, applied to the ROM image in memory. Returns false when the command must end;
// the messages have been shown then. Whatever fails, the ROM image is either the old one or the
// fully patched one. `changed` says whether the patched image differs from the old one.
bool ApplyPatchFile(TmyForm& f, const std::string& path, PatchRoute route, bool& changed) {
  f.gIPS.patchPath = path;
  auto cannotOpen = [&] {
    f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
    return false;
  };

  const std::optional<patching::PatchBytes> read = patching::ReadPatchFile(path);
  if (!read) return cannotOpen();
  const std::span<const uint8_t> patch = read->span();
  f.gIPS.patchLength = static_cast<int32_t>(patch.size());
  if (patching::IsBps(patch) || route == PatchRoute::InMemory) return ApplyToImage(f, path, patch, changed);

  const ips::Study study = ips::StudyPatch(patch);
  if (!study.ok()) {
    // The temporary file is left holding the unpatched image, as a rejected patch leaves it.
    if (route == PatchRoute::TempFile && !WriteTempFile(f.romAlloc.get(), f.gROMSize)) return cannotOpen();
    f.ui.message(ips::ErrorText(study.error, ExtractFileName(path), study.errorAt));
    return false;
  }
  if (!study.records.empty()) {
    const ips::Record& last = study.records.back();
    f.gIPS.recordOffset = last.offset;
    f.gIPS.recordSize = static_cast<uint16_t>(last.length());
    f.gIPS.runByte = last.runByte;
  }

  const uint64_t grownSize = study.ResultSize(f.gROMSize);  // at most 16 MiB past the old end
  uint64_t newSize = grownSize;
  if (const std::optional<uint32_t> cut = ips::TruncationSize(study, patch); f.ipsTruncation && cut)
    newSize = std::max<uint64_t>(std::min<uint64_t>(*cut, newSize), f.gROMHeaderSize);

  // The new ROM image, built in memory: the old image, zeros up to any growth, the records. It
  // is then written to the temporary file and read back into the same buffer, the file's
  // content becoming the image.
  std::unique_ptr<uint8_t[]> image;
  if (!f.AllocationFails("gROM")) image.reset(new (std::nothrow) uint8_t[grownSize > 0 ? grownSize : 1]);
  if (!image) {
    std::remove(ips::kTempFile);
    // The program ends, but the image it holds (with any patches applied before this one) stays
    // until the close has asked whether to save it.
    f.ui.stopMessage(ips::ErrorText(ips::Error::NoMemory), kCaptionFatal);
    f.ui.window(FormId::myForm).close();
    return false;
  }
  std::memcpy(image.get(), f.romAlloc.get(), f.gROMSize);
  std::memset(image.get() + f.gROMSize, 0, grownSize - f.gROMSize);
  ips::ApplyStudy(study, patch, std::span<uint8_t>(image.get(), grownSize));

  bool readBack = WriteTempFile(image.get(), newSize);
  if (readBack) {
    FilePtr temp = OpenFile(ips::kTempFile, "rb");
    readBack = temp && FileLength(temp.get()) == static_cast<int64_t>(newSize) &&
               std::fread(image.get(), 1, newSize, temp.get()) == newSize;
  }
  std::remove(ips::kTempFile);
  if (!readBack) return cannotOpen();  // the old image stays

  changed = newSize != f.gROMSize || std::memcmp(image.get(), f.romAlloc.get(), newSize) != 0;
  f.romAlloc = std::move(image);
  f.gROMSize = static_cast<uint32_t>(newSize);
  f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
  ++f.scriptGeneration;
  return true;
}

}  // namespace

std::string_view PatchFileFilter() {
  return kPatchFilter;
}

void TmyForm::PATCHRomFile1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  if (gROMModified && ui.question(kMsgSaveFirst, kCaptionSaveFirst)) SaveRomFile1Click(kNoSender);
  gIPS = IpsState{};

  Open1.title = "Select PATCH file(s)...";
  Open1.initialDir = gStartDir;
  Open1.fileName.clear();
  Open1.filter = kPatchFilter;
  Open1.multiSelect = true;
  MultiSelectOff off{Open1};
  if (!ui.runOpenDialog(Open1)) return;
  RunPatches(Open1.files);
}

// Each patch in order, then the completion message, and a warning for each patch that changed
// nothing.
void TmyForm::RunPatches(const std::vector<std::string>& files) {
  std::vector<std::string> unchanged;  // patches that left every byte as it was
  const bool applied = ApplyPatchFiles(files, PatchRoute::TempFile, &unchanged);
  // Patches that applied, even before one failed, may have changed the original strings.
  program.ScriptForm().similar.ScriptMayHaveChanged();
  program.ScriptForm().OriginalsMayHaveChanged();
  if (!applied) return;
  ui.message(kMsgComplete);
  gROMModified = 1;
  // The usual sign of a patch applied twice, or to another ROM than it was made for.
  for (const std::string& name : unchanged) ui.message(PatchUnchangedMessage(name, files.size()));
}

bool TmyForm::ApplyPatchFiles(const std::vector<std::string>& files, PatchRoute route,
                              std::vector<std::string>* unchanged) {
  for (const std::string& path : files) {
    bool changed = false;
    if (!ApplyPatchFile(*this, path, route, changed)) return false;
    // Marked at once: when a later patch of the selection fails, the image still holds this one,
    // and closing must ask about it.
    gROMModified = 1;
    if (!changed && unchanged) unchanged->push_back(ExtractFileName(path));
  }
  return true;
}

std::string TmyForm::PatchUnchangedMessage(const std::string& name, size_t patches) {
  return patches == 1 ? std::string(kMsgUnchanged) : patching::QuotedName(name) + ": " + kMsgUnchanged;
}

// Patches dropped on the main window: the PATCH command without its dialog.
void TmyForm::PatchRom(const std::vector<std::string>& files) {
  if (!gROM || !gWRAM || files.empty()) return;
  if (gROMModified && ui.question(kMsgSaveFirst, kCaptionSaveFirst)) SaveRomFile1Click(kNoSender);
  gIPS = IpsState{};
  RunPatches(files);
}

}  // namespace ts2
