// The PATCH command: applies the chosen IPS patches, in order, to the ROM image in memory.
//
// Each patch goes through the temporary file "__temp__.qqq" in the working directory, which ends
// up holding the patched file image and is read back as the new ROM image. The image is patched
// in memory first (a few large writes instead of a system call per record), so the temporary
// file is written once and read once per patch. A patch is studied whole before anything of it
// is applied: a broken one changes nothing.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/fileutil.h"
#include "core/forms.h"
#include "patch/ips.h"

namespace ts2 {

namespace {

constexpr char kMsgSaveFirst[] = "Rom has been modified. Save these changes?";
constexpr char kCaptionSaveFirst[] = " IPS Patcher...";
constexpr char kMsgComplete[] = "Patching is complete! Remember to SAVE the changes!";
constexpr char kCaptionFatal[] = "IPS Error";
constexpr size_t kPatchPathField = 524;  // characters the patch path field holds

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const char* path, const char* mode) {
  return FilePtr(std::fopen(path, mode), &std::fclose);
}

// Writes `size` bytes as the whole content of the temporary file.
bool WriteTempFile(const uint8_t* data, size_t size) {
  FilePtr f = OpenFile(ips::kTempFile, "wb");
  if (!f) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, f.get()) == size;
  return std::fclose(f.release()) == 0 && written;
}

// Switches the open dialog's multiple selection off on every way out of the command.
struct MultiSelectOff {
  FileDialog& dialog;
  ~MultiSelectOff() { dialog.multiSelect = false; }
};

}  // namespace

// One patch file, applied to the ROM image in memory. Returns false when the command must end;
// the messages have been shown then.
static bool ApplyPatchFile(TmyForm& f, const std::string& path) {
  f.gIPS.patchPath = path.substr(0, kPatchPathField);

  const std::optional<std::vector<uint8_t>> patch = ReadWholeFile(path);
  if (!patch) {
    f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
    return false;
  }
  f.gIPS.patchLength = static_cast<int32_t>(std::min<size_t>(patch->size(), INT32_MAX));

  const ips::Study study = ips::StudyPatch(*patch);
  if (!study.ok()) {
    // The temporary file is left holding the unpatched image, as a rejected patch leaves it.
    if (!WriteTempFile(f.romAlloc.get(), f.gROMSize)) {
      f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
      return false;
    }
    f.ui.message(ips::ErrorText(study.error, ExtractFileName(path), study.errorAt));
    return false;
  }
  if (!study.records.empty()) {
    const ips::Record& last = study.records.back();
    f.gIPS.recordOffset = last.offset;
    f.gIPS.recordSize = last.isRun() ? last.runLength : last.size;
    f.gIPS.runByte = last.runByte;
  }

  // The patched file image, built in memory: the old image, zeros up to any growth, the records.
  const uint64_t newSize = study.ResultSize(f.gROMSize);
  if (newSize > UINT32_MAX) {
    f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
    return false;
  }
  {
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[newSize > 0 ? newSize : 1]);
    if (!work) {
      f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
      return false;
    }
    std::memcpy(work.get(), f.romAlloc.get(), f.gROMSize);
    std::memset(work.get() + f.gROMSize, 0, newSize - f.gROMSize);
    ips::ApplyStudy(study, *patch, std::span<uint8_t>(work.get(), newSize));
    if (!WriteTempFile(work.get(), newSize)) {
      std::remove(ips::kTempFile);
      f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
      return false;
    }
  }

  // Read the temporary file back as the new ROM image.
  FilePtr temp = OpenFile(ips::kTempFile, "rb");
  const int32_t length = temp ? FileLength(temp.get()) : -1;
  if (length < 0) {
    temp.reset();
    std::remove(ips::kTempFile);
    f.ui.message(ips::ErrorText(ips::Error::CannotOpen));
    return false;
  }
  f.romAlloc.reset();
  f.gROM = nullptr;
  f.gROMSize = static_cast<uint32_t>(length);
  std::unique_ptr<uint8_t[]> image;
  if (!f.AllocationFails("gROM")) image.reset(new (std::nothrow) uint8_t[length > 0 ? length : 1]);
  if (!image) {
    temp.reset();
    std::remove(ips::kTempFile);
    f.gROMSize = 0;
    f.ui.stopMessage(ips::ErrorText(ips::Error::NoMemory), kCaptionFatal);
    f.ui.window(FormId::myForm).close();
    return false;
  }
  const size_t got = std::fread(image.get(), 1, f.gROMSize, temp.get());
  // A file that shrank under us leaves zeros, never stale memory.
  if (got < f.gROMSize) std::memset(image.get() + got, 0, f.gROMSize - got);
  temp.reset();
  std::remove(ips::kTempFile);
  f.romAlloc = std::move(image);
  f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
  return true;
}

void TmyForm::PATCHRomFile1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  if (gROMModified && ui.question(kMsgSaveFirst, kCaptionSaveFirst)) SaveRomFile1Click(kNoSender);
  gIPS = IpsState{};

  Open1.title = "Select PATCH file(s)...";
  Open1.initialDir = gStartDir;
  Open1.fileName.clear();
  Open1.filter = "IPS files (*.ips)|*.ips";
  Open1.multiSelect = true;
  MultiSelectOff off{Open1};
  if (!ui.runOpenDialog(Open1)) return;

  const std::vector<std::string> files = Open1.files;
  for (const std::string& path : files) {
    if (!ApplyPatchFile(*this, path)) return;
  }
  ui.message(kMsgComplete);
  gROMModified = 1;
}

}  // namespace ts2
