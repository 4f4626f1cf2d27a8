// The PATCH command: applies the chosen IPS and BPS patches, in order, to the ROM image in memory.
// The two are told apart by their first bytes.
//
// A BPS patch is checked whole (structure, its own CRC-32, the size and CRC-32 of the game data
// it was made for) and applied into a new buffer; the result's CRC-32 is checked before it
// replaces the image, with the copier header kept in front. It needs no temporary file.
//
// Each patch goes through the temporary file "__temp__.qqq" in the working directory, which ends
// up holding the patched file image and is read back as the new ROM image. The image is patched
// in memory first (a few large writes instead of a system call per record), so the temporary
// file is written once and read once per patch. A patch is studied whole before anything of it
// is applied: a broken one changes nothing. ts2tool, which writes the image out itself, applies
// the records straight into the image (ApplyPatchFiles with PatchRoute::InMemory) instead.
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "patch/bps.h"
#include "patch/ips.h"

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

// A patch file's bytes, in a buffer of large pages when the patch is large (as a ROM image is
// read): a patch of a megabyte is then a fault or two instead of one per 4 KiB page.
struct PatchBytes {
  Buffer<uint8_t> bytes;
  size_t length = 0;
  size_t size() const { return length; }
  operator std::span<const uint8_t>() const { return {bytes.get(), length}; }  // NOLINT: implicit
};

// The whole patch file in one read; std::nullopt when it cannot be opened or read.
std::optional<PatchBytes> ReadPatchFile(const std::string& path) {
  FilePtr f = OpenFile(path.c_str(), "rb");
  const int32_t length = f ? FileLength(f.get()) : -1;
  if (length < 0) return std::nullopt;
  PatchBytes patch{ImageBuffer(static_cast<size_t>(length)), static_cast<size_t>(length)};
  if (!patch.bytes) return std::nullopt;
  if (std::fread(patch.bytes.get(), 1, patch.length, f.get()) != patch.length) return std::nullopt;
  return patch;
}

bool IsBps(std::span<const uint8_t> patch) {
  return patch.size() >= bps::kMagicSize && std::memcmp(patch.data(), bps::kMagic, bps::kMagicSize) == 0;
}

// A BPS patch, checked whole and applied to the game data; the copier header stays in front of
// the result. On any failure the image is the old one and the message names what failed.
bool ApplyBpsPatch(TmyForm& f, const std::string& path, std::span<const uint8_t> patch, bool& changed) {
  const std::string name = ExtractFileName(path);
  const bps::Study study = bps::StudyPatch(patch);
  if (!study.ok()) {
    f.ui.message(bps::ErrorText(study.error, name, study));
    return false;
  }
  const std::span<const uint8_t> source(f.romAlloc.get() + f.gROMHeaderSize, f.gROMSize - f.gROMHeaderSize);
  std::vector<uint8_t> target;
  bps::Check found;
  const bps::Error error = bps::Apply(study, patch, source, target, &found);
  if (error != bps::Error::None) {
    f.ui.message(bps::ErrorText(error, name, study, found));
    return false;
  }
  const uint64_t newSize = f.gROMHeaderSize + target.size();
  std::unique_ptr<uint8_t[]> image;
  if (!f.AllocationFails("gROM")) image.reset(new (std::nothrow) uint8_t[newSize > 0 ? newSize : 1]);
  if (!image) {
    f.ui.message(bps::ErrorText(bps::Error::NoMemory, name, study));
    return false;
  }
  std::memcpy(image.get(), f.romAlloc.get(), f.gROMHeaderSize);
  if (!target.empty()) std::memcpy(image.get() + f.gROMHeaderSize, target.data(), target.size());
  changed = !std::equal(source.begin(), source.end(), target.begin(), target.end());
  f.romAlloc = std::move(image);
  f.gROMSize = static_cast<uint32_t>(newSize);
  f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
  return true;
}

// Whether the records, applied in order, leave any byte of `image` other than it is: the last
// record to write a byte decides it. Bytes past the image's end are not looked at (the caller
// tells a change of size itself). Found without writing, records last to first, each on the bytes
// no later record writes (most patches tell at their last record).
bool ChangesImage(const ips::Study& study, std::span<const uint8_t> patch, std::span<const uint8_t> image) {
  std::map<uint64_t, uint64_t> written;  // start -> end of the ranges later records write
  for (auto r = study.records.rbegin(); r != study.records.rend(); ++r) {
    const uint64_t from = r->offset, to = from + r->length();
    auto differs = [&](uint64_t a, uint64_t b) {
      for (uint64_t at = a; at < std::min<uint64_t>(b, image.size()); ++at) {
        const uint8_t value = r->isRun() ? r->runByte : patch[r->dataAt + (at - from)];
        if (image[at] != value) return true;
      }
      return false;
    };
    auto it = written.upper_bound(from);
    if (it != written.begin() && std::prev(it)->second > from) --it;
    uint64_t start = from, end = to;
    for (uint64_t at = from; at < to;) {
      if (it == written.end() || it->first >= to) {
        if (differs(at, to)) return true;
        break;
      }
      if (it->first > at && differs(at, it->first)) return true;
      at = std::max(at, it->second);
      start = std::min(start, it->first);
      end = std::max(end, it->second);
      it = written.erase(it);
    }
    if (from < to) written[start] = end;
  }
  return false;
}

// Without the temporary file: the records go straight into the image. When they write past its
// end it is copied into a larger buffer first (its new bytes zero); a truncation size then cuts
// the result to `newSize`.
bool ApplyInPlace(TmyForm& f, const ips::Study& study, std::span<const uint8_t> patch, uint64_t grownSize,
                  uint64_t newSize, bool& changed) {
  changed = newSize != f.gROMSize ||
            ChangesImage(study, patch, std::span<const uint8_t>(f.romAlloc.get(), f.gROMSize));
  if (grownSize > f.gROMSize) {
    // A new buffer of large pages: copying the image costs less than faulting in the growth a
    // small page at a time.
    Buffer<uint8_t> grown;
    if (!f.AllocationFails("gROM")) grown = ImageBuffer(grownSize);
    if (!grown) {
      f.ui.stopMessage(ips::ErrorText(ips::Error::NoMemory), kCaptionFatal);
      f.ui.window(FormId::myForm).close();
      return false;
    }
    std::memcpy(grown.get(), f.romAlloc.get(), f.gROMSize);
    std::memset(grown.get() + f.gROMSize, 0, grownSize - f.gROMSize);
    f.romAlloc = std::move(grown);
  }
  ips::ApplyStudy(study, patch, std::span<uint8_t>(f.romAlloc.get(), grownSize));
  f.gROMSize = static_cast<uint32_t>(newSize);
  f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
  return true;
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

  const std::optional<PatchBytes> patch = ReadPatchFile(path);
  if (!patch) return cannotOpen();
  f.gIPS.patchLength = static_cast<int32_t>(patch->size());
  if (IsBps(*patch)) return ApplyBpsPatch(f, path, *patch, changed);

  const ips::Study study = ips::StudyPatch(*patch);
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
  if (const std::optional<uint32_t> cut = ips::TruncationSize(study, *patch); f.ipsTruncation && cut)
    newSize = std::max<uint64_t>(std::min<uint64_t>(*cut, newSize), f.gROMHeaderSize);
  if (route == PatchRoute::InMemory) return ApplyInPlace(f, study, *patch, grownSize, newSize, changed);

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
  ips::ApplyStudy(study, *patch, std::span<uint8_t>(image.get(), grownSize));

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
  if (!ApplyPatchFiles(files, PatchRoute::TempFile, &unchanged)) return;
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
  return patches == 1 ? std::string(kMsgUnchanged) : "\"" + name + "\": " + kMsgUnchanged;
}

// Patches dropped on the main window: the PATCH command without its dialog.
void TmyForm::PatchRom(const std::vector<std::string>& files) {
  if (!gROM || !gWRAM || files.empty()) return;
  if (gROMModified && ui.question(kMsgSaveFirst, kCaptionSaveFirst)) SaveRomFile1Click(kNoSender);
  gIPS = IpsState{};
  RunPatches(files);
}

}  // namespace ts2
