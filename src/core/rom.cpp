// Start-up, the ROM image (open, check, save) and closing the main window.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kMsgNoBitmap[] = "Fatal Error: Could not acquire Video Pointer.";
constexpr char kMsgNoBuffers[] = "Fatal Error: Could not allocate memory!";
constexpr char kMsgOpenFailed[] = "Fatal Error: Could not open file!";
constexpr char kMsgNoRomMemory[] = "Fatal Error: Could not allocate needed memory!";
constexpr char kMsgWrongRom[] = "Error: This is not the ROM used.\nPlease load the correct ROM.";
constexpr char kMsgNoFont[] = "Fatal Error: Could allocate needed memory for 'gFONT'!";
constexpr char kMsgSaveOpenFailed[] = "Fatal Error: Could not open ROM File for saving...";
constexpr char kMsgRomSaved[] = "ROM File saved successfully!";
constexpr char kAskSaveRom[] = "ROM data modified. Do you wish to save changes?";
constexpr char kAskSaveRomCaption[] = "ROM File Modified...";
constexpr char kRomFilter[] = "SNES ROM | *.s*c; *.fig;";

// Zeroed, whether or not the system asks for it: nothing ever reads uninitialised memory, and
// pages nobody writes are never touched.
template <typename T>
Buffer<T> TryAllocate(const TmyForm& form, const std::string& what, size_t count) {
  if (form.AllocationFails(what)) return nullptr;
  return ZeroBuffer<T>(count);
}

}  // namespace

int32_t FileLength(std::FILE* file) {
  if (!file) return -1;
  const long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  const long end = std::ftell(file);
  std::fseek(file, here, SEEK_SET);
  // Files of 2 GiB or more do not fit the signed 32-bit length.
  return end < 0 || end > INT32_MAX ? -1 : static_cast<int32_t>(end);
}

void TmyForm::FormCreate() {
  Window& main = ui.window(FormId::myForm);
  if (AllocationFails("gBitmap")) {
    ui.message(kMsgNoBitmap);
    main.close();
    return;
  }
  gStartDir = CurrentDirectory();
  const Size video = ui.video().clientSize();
  gBitmap.width = video.width;
  gBitmap.height = video.height;
  gCurBlock = 0;

  const size_t pixels = static_cast<size_t>(video.width) * video.height;
  gVideo = TryAllocate<uint16_t>(*this, "gVideo", pixels * 2);  // width x height x 4 bytes
  gPages[0].pixels = TryAllocate<uint16_t>(*this, "gPages[0]", kPageBytes / 2);
  gPages[1].pixels = TryAllocate<uint16_t>(*this, "gPages[1]", kPageBytes / 2);
  gBlockOffset = TryAllocate<uint32_t>(*this, "gBlockOffset", kMaxBlocks);
  gBlockStrings = TryAllocate<uint32_t>(*this, "gBlockStrings", kMaxBlocks);
  gBlockField2 = TryAllocate<uint32_t>(*this, "gBlockField2", kMaxBlocks);
  gBlockField3 = TryAllocate<uint32_t>(*this, "gBlockField3", kMaxBlocks);
  gWRAM = TryAllocate<uint8_t>(*this, "gWRAM", kWramSize);
  gTransText = TryAllocate<uint8_t>(*this, "gTransText", kTransTextSize);
  if (!gVideo || !gPages[0].pixels || !gPages[1].pixels || !gBlockOffset || !gBlockStrings || !gBlockField2 ||
      !gBlockField3 || !gWRAM || !gTransText) {
    ui.message(kMsgNoBuffers);
    main.close();
    return;
  }
  // Every buffer comes zeroed (gVideo, gWRAM as the system sets them, the others as well).
  gTransText[0] = 0xFF;  // an empty translation until a section has been found
  gPages[0].height = gPages[1].height = kPageHeight;

  const Size client = main.clientSize();
  gDefClientW = client.width;
  gDefClientH = client.height;

  // Every entry of both tables reads colour 0x0F until it is written.
  gCharTable = CharTable(256);
  gCharTable16 = CharTable(65536);

  gBitmap.pixels.assign(pixels, 0);
  gBitmap.markWritten(0, gBitmap.height - 1);
  romBoxDrawn.valid = false;  // the buffers are new, and blank
  transTextDrawn.valid = transTextDrawn.shown = false;
  transBoxDrawn.inVideo = false;
  ui.video().drawStretched(gBitmap);
  gDataLoaded = 0;
  gMainReady = 1;
}

std::string_view RomFileFilter() {
  return kRomFilter;
}

// Unlike the classic flow, which dropped a patched image unasked, the question comes first, as
// at closing, with a Cancel that leaves everything as it is.
bool TmyForm::ConfirmReplaceRom() {
  if (!gROM || !gROMModified) return true;
  switch (ui.choose(kAskSaveRom, kAskSaveRomCaption, {"&Yes", "&No", "Cancel"})) {
    case 0:
      SaveRomFile1Click(kNoSender);
      return !gROMModified;  // the save said why it failed; the image stays
    case 1: return true;
    default: return false;
  }
}

void TmyForm::OpenBinaryTextData1Click(TObject Sender) {
  if (!ConfirmReplaceRom()) return;
  Open1.title = "Open ROM File";
  Open1.filter = kRomFilter;
  Open1.initialDir = gStartDir;
  if (!ui.runOpenDialog(Open1) || Open1.files.empty()) return;
  OpenRomChosen(Open1.files.front(), Sender, "");
}

bool TmyForm::DecompressFont() {
  uint32_t fontSize = 0;
  gFONT = DecompressBlockTable(kFontTableOffset, &fontSize);
  gFONTSize = gFONT ? fontSize : 0;
  if (gFONT) return true;
  ui.message(kMsgNoFont);
  ui.window(FormId::myForm).close();
  return false;
}

bool TmyForm::OpenRomFile(const std::string& path, const std::string& dataFile) {
  OpenRomChosen(path, kNoSender, dataFile);
  return gROM != nullptr;
}

bool TmyForm::OpenRomChosen(const std::string& path, TObject Sender, const std::string& dataFile) {
  // A file that cannot be read, or that is not the game, leaves everything as it was: the image
  // loaded before (patched and unsaved, perhaps), its path, its modified flag and the Dumps
  // folder. The new file is read and checked beside the old image before it replaces it.
  RomFile file;
  switch (const RomReadStatus status = ReadRomFile(path, failAllocation, file)) {
    case RomReadStatus::Ok: break;
    case RomReadStatus::CannotOpen: ui.message(kMsgOpenFailed); return false;
    case RomReadStatus::ShortRead:
      ui.message("Error: Could not read the whole ROM file (" + RomReadError(status, path, file) +
                 "). Nothing was loaded.");
      return false;
    case RomReadStatus::NoMemory:
      // The program ends; an image loaded before stays until the close has asked about it.
      ui.message(kMsgNoRomMemory);
      ui.window(FormId::myForm).close();
      return false;
  }
  // A file too short to hold the title is rejected like one with a wrong title.
  if (!HasGameTitle(file.gameData())) {
    ui.message(kMsgWrongRom);
    return false;
  }

  const std::string dir = CurrentDirectory();
  if (dir.empty()) {
    ui.message("Error: The working folder cannot be told (" + std::string(std::strerror(errno)) +
               "), so there is no place for the Dumps folder. Nothing was loaded.");
    return false;
  }
  gDumpDir = dir + kPathSep + "Dumps";
  MakeDirectory(gDumpDir);
  const FileIdentity seen = file.seen;
  InstallRomImage(*this, std::move(file));
  program.ScriptForm().similar.ScriptLoaded();
  // The path is taken only once the file has been read, so a failed open never redirects a later
  // Save ROM; it is kept whole, never cut to a buffer's length, so Save writes to this file only.
  gROMPath = path;
  romFileStamp = romFileSeen = StampOf(seen, {romAlloc.get(), gROMSize});

  ui.menuItem(MenuId::LoadDataFile).setEnabled(true);
  if (!DecompressFont()) return true;

  if (dataFile.empty()) {
    LoadDataFileClick(Sender);
  } else {
    LoadDataFile(dataFile);
  }
  if (closed) return true;

  ListBox& bList = ui.list(ControlId::bList);
  if (bList.count() == 0) return true;
  bList.setItemIndex(0);
  if (ui.window(FormId::cmForm).visible()) bList.setFocus();
  bListClick(kNoSender);
  gDataLoaded = 1;
  return true;
}

void TmyForm::SaveRomFile1Click(TObject /*Sender*/) {
  SaveRomImage(true);
}

bool TmyForm::SaveRomImage(bool askIfChanged) {
  if (!gROM || !gWRAM) return false;
  // Another program's change is never written over unasked; a file deleted meanwhile is made again.
  const DiskState onDisk = CheckOnDisk(gROMPath, romFileStamp);
  if (onDisk == DiskState::Changed && askIfChanged) {
    switch (ui.choose(ChangedOnDiskQuestion(gROMPath), kChangedOnDiskCaption, ChangedOnDiskButtons())) {
      case 0: break;
      case 1: ReloadRomFile(); return false;
      default: return false;
    }
  }
  // The image replaces the file through a temporary copy; a file nobody may write to is refused
  // as the plain open for writing would refuse it, instead of being replaced behind its back.
  std::string error;
  FileIdentity written;
  if (IsWriteProtected(gROMPath) || !WriteFileAtomic(gROMPath, romAlloc.get(), gROMSize, &error, &written)) {
    if (error.empty() || error.rfind("cannot create", 0) == 0) {
      ui.message(kMsgSaveOpenFailed);
    } else {
      ui.message("Error: Could not write the ROM file (" + error + ")." +
                 (LeftAsItWas(error) ? " The file on disk was not changed; the ROM image is kept."
                                     : " The ROM image is kept."));
    }
    return false;  // gROMModified stays as it was
  }
  romFileStamp = romFileSeen = StampOf(written, {romAlloc.get(), gROMSize});
  if (onDisk == DiskState::Missing)
    ui.message("\"" + ExtractFileName(gROMPath) +
               "\" had been deleted or moved by another program; it was written again as a new file.");
  ui.message(kMsgRomSaved);
  gROMModified = 0;
  return true;
}

void TmyForm::ReloadRomFile() {
  if (gROMModified && ui.question(kAskSaveRom, kAskSaveRomCaption)) {
    // Saving over the file would undo the change being reloaded: the image goes to a copy.
    if (!KeepRecoveryCopy(gROMPath, romAlloc.get(), gROMSize, "ROM image", false)) return;
  }
  RomFile file;
  if (const RomReadStatus status = ReadRomFile(gROMPath, failAllocation, file); status != RomReadStatus::Ok) {
    ui.message("Error: Could not read the ROM file again (" + RomReadError(status, gROMPath, file) +
               "). The ROM image is kept.");
    return;
  }
  if (!HasGameTitle(file.gameData())) {
    ui.message(kMsgWrongRom);
    return;
  }
  const FileIdentity seen = file.seen;
  InstallRomImage(*this, std::move(file));
  program.ScriptForm().similar.ScriptLoaded();  // the originals may read otherwise now
  romFileStamp = romFileSeen = StampOf(seen, {romAlloc.get(), gROMSize});
  if (!DecompressFont()) return;
  pListClick(kNoSender);
}

void TmyForm::CheckFilesOnDisk() {
  if (checkingFiles || closed) return;  // the questions below are windows of their own
  checkingFiles = true;
  // Each change is asked about once: Cancel leaves it until the next save, which asks again.
  auto changed = [](const std::string& path, const FileStamp& read, FileStamp& seen) {
    FileStamp now;
    if (path.empty() || CheckOnDisk(path, read, &now) != DiskState::Changed) return false;
    if (CheckOnDisk(path, seen) == DiskState::Unchanged) return false;
    seen = now;
    return true;
  };
  // With nothing unsaved there is nothing of the editor's to keep: the file is shown as it is now,
  // unasked (Overwrite, the box's first answer, could only write the old bytes over the change).
  if (changed(gTextPath, textFileStamp, textFileSeen)) {
    if (!ui.richEdit(ControlId::TDMemo).modified()) {
      ReloadTextFile();
    } else {
      switch (ui.choose(ChangedOnDiskQuestion(gTextPath), kChangedOnDiskCaption, ChangedOnDiskButtons())) {
        case 0: SaveEditorText(false); break;
        case 1: ReloadTextFile(); break;
        default: break;
      }
    }
  }
  if (gROM && changed(gROMPath, romFileStamp, romFileSeen)) {
    if (!gROMModified) {
      ReloadRomFile();
    } else {
      switch (ui.choose(ChangedOnDiskQuestion(gROMPath), kChangedOnDiskCaption, ChangedOnDiskButtons())) {
        case 0: SaveRomImage(false); break;
        case 1: ReloadRomFile(); break;
        default: break;
      }
    }
  }
  checkingFiles = false;
}

bool TmyForm::KeepRecoveryCopy(const std::string& path, const void* data, size_t size,
                               const std::string& what, bool failedSave) {
  const std::string why = failedSave ? " could not be saved, so it" : "";
  lastCopyTemporary = false;
  if (const std::optional<std::string> copy = WriteRecoveryCopy(path, data, size, &lastCopyTemporary)) {
    ui.message("The " + what + why + " was kept in \"" + *copy + "\"." +
               (lastCopyTemporary ? " That is the system's temporary folder, which may be emptied when the "
                                    "computer starts again: move the copy somewhere safe."
                                  : ""));
    return true;
  }
  ui.message("Error: The " + what + (failedSave ? " could not be saved, and no" : " was not saved: no") +
             " copy of it could be written either.");
  return false;
}

void TmyForm::Exit1Click(TObject /*Sender*/) {
  ui.window(FormId::myForm).close();
}

bool TmyForm::FormClose() {
  if (closed) return true;
  program.ScriptForm().FinishProof();
  closed = true;
  SaveSession();
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  // What the user asked to keep and could not be saved (no block chosen yet, a failed write)
  // goes to a recovery copy instead of being dropped. When not even a copy can be written (a full
  // disk), the window stays open rather than drop it: the close cannot be cancelled otherwise.
  const auto stayOpen = [this](const std::string& what) {
    closed = false;
    ui.message("The editor stays open, so that the " + what +
               " is not lost. Make room on the disk and save it, then close again; or close again and answer "
               "No to close without it.");
    return false;
  };
  if (editor.modified()) {
    // Dropped on the user's word, or kept elsewhere: the autosaved copy goes. When neither the
    // save nor a recovery copy could be written, an autosaved copy of this very text stays, to be
    // offered by the next run.
    if (!ui.question("TEXT data not saved. Do you wish to save it?", "TEXT File Modified...")) {
      program.autosave().Discard();
    } else if (SaveTextOrKeepCopy(false) == KeepOutcome::Kept) {
      lastCopyTemporary ? program.autosave().Leave() : program.autosave().Discard();
    } else {
      // The autosave copy brought up to date now, where it can be (the last keys may be newer).
      program.autosave().Update(true);
      if (!program.autosave().KeepsCurrentText()) return stayOpen("unsaved text");
    }
  } else {
    program.autosave().Settle();
  }
  if (gROMModified && ui.question(kAskSaveRom, kAskSaveRomCaption)) {
    SaveRomFile1Click(kNoSender);
    if (gROMModified && gROM && !KeepRecoveryCopy(gROMPath, romAlloc.get(), gROMSize, "ROM image"))
      return stayOpen("changed ROM image");
  }
  ReleaseRomImage(*this);
  gWRAM.reset();
  gTransText.reset();
  gVideo.reset();
  gFONT.reset();
  gFONTSize = 0;
  gPages[0].pixels.reset();
  gPages[1].pixels.reset();
  gBlockOffset.reset();
  gBlockStrings.reset();
  gBlockField2.reset();
  gBlockField3.reset();
  gCharTable16.releaseTexts();
  gMainReady = 0;
  gBitmap.pixels.clear();
  gBitmap.pixels.shrink_to_fit();
  return true;
}

}  // namespace ts2
