// Translation text files: naming, the bytes of a new file, switching the Text Editor between
// block files and saving it.
#include "script/textfile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/fileutil.h"
#include "core/forms.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kAskSave[] = "Current data not saved. Do you wish to save it?";
constexpr char kAskSaveCaption[] = "File Modified...";

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

std::string ChangedOnDiskQuestion(const std::string& path) {
  return "\"" + ExtractFileName(path) +
         "\" was changed by another program since the editor read it.\n\n"
         "Overwrite: save the editor's version over it.\n"
         "Reload: show the file as it is now; the editor's unsaved changes are dropped.\n"
         "Cancel: leave both as they are for now.";
}

TmyForm::SaveOutcome TmyForm::SaveEditorText(bool askIfChanged) {
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  if (gTextPath.empty()) {
    ui.message(
        "Error: No text file is open yet, so the text was not saved. Select a block first; "
        "the Text Editor keeps its text.");
    return SaveOutcome::Failed;
  }
  // Another program's change is never written over unasked; a file deleted meanwhile is made again.
  // The look and the write are made under the folder's lock, so that a command changing the
  // folder's files (ts2tool import or replace) cannot write between them; it is let go while the
  // translator is asked.
  // A short wait: held longer, the save goes on and its own write waits for the folder.
  FolderLock folderLock(std::filesystem::path(gTextPath).parent_path().string(), 2000);
  const DiskState onDisk = CheckOnDisk(gTextPath, textFileStamp);
  if (onDisk == DiskState::Changed && askIfChanged) {
    folderLock.release();
    switch (ui.choose(ChangedOnDiskQuestion(gTextPath), kChangedOnDiskCaption, ChangedOnDiskButtons())) {
      case 0: break;
      case 1: ReloadTextFile(); return SaveOutcome::Declined;
      default: return SaveOutcome::Cancelled;
    }
  }
  const std::string bytes = EditorTextToFileBytes(editor.text());
  std::string error;
  FileIdentity written;
  const bool saved = WriteFileAtomic(gTextPath, bytes.data(), bytes.size(), &error, &written);
  folderLock.release();  // before any message: a box left open must not hold up other programs
  if (!saved) {
    ui.message("Error: Could not save " + Quoted(gTextPath) + " (" + error + ")." +
               (LeftAsItWas(error) ? " The file on disk was not changed; the Text Editor keeps the text."
                                   : " The Text Editor keeps the text."));
    return SaveOutcome::Failed;
  }
  textFileStamp = textFileSeen = StampOf(written, bytes);
  if (onDisk == DiskState::Missing)
    ui.message(Quoted(ExtractFileName(gTextPath)) +
               " had been deleted or moved by another program; it was written again as a new file.");
  ui.message(Quoted(ExtractFileName(gTextPath)) + " was saved successfully!");
  editor.setModified(false);
  program.autosave().Settle();
  program.ScriptForm().FileOnDiskChanged();
  return SaveOutcome::Saved;
}

bool TmyForm::LoadTextFile(const std::string& path) {
  FileIdentity seen;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path, &seen);
  if (!bytes) return false;
  ShowEditorText(
      FileBytesToEditorText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())));
  textFileStamp = textFileSeen = StampOf(seen, *bytes);
  program.autosave().Settle();
  return true;
}

void TmyForm::ShowEditorText(const std::string& text) {
  ui.richEdit(ControlId::TDMemo).setText(text);
  ++textShown;
}

void TmyForm::ReloadTextFile() {
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  if (editor.modified() && ui.question(kAskSave, kAskSaveCaption)) {
    // Saving over the file would undo the change being reloaded: the editor's text goes to a copy.
    const std::string bytes = EditorTextToFileBytes(editor.text());
    if (!KeepRecoveryCopy(gTextPath, bytes.data(), bytes.size(), "text", false)) return;
    if (lastCopyTemporary) program.autosave().Leave();
  }
  if (!LoadTextFile(gTextPath)) {
    ui.message("Error: Could not read " + Quoted(gTextPath) + ". The Text Editor keeps its text.");
    return;
  }
  pListClick(kNoSender);
  program.ScriptForm().FileOnDiskChanged();
  program.ScriptForm().BlockShown();
}

std::string TranslationFileName(const std::string& dumpDir, uint32_t blockOffset) {
  return dumpDir + kPathSep + Format("%08X.txt", blockOffset);
}

std::string TranslationSkeleton(uint32_t count) {
  std::string out;
  out.reserve(53 + count * 33);
  for (const char* line : {"// Do not erase these: ", "// .STRING #", "// .ENDS", "", ""}) {
    out += line;
    out += kCrLf;
  }
  for (uint32_t k = 0; k < count; ++k) {
    for (const std::string& line : {Format(".STRING %u", k), std::string(), std::string(),
                                    std::string(kSectionEnd), std::string(), std::string(), std::string()}) {
      out += line;
      out += kCrLf;
    }
  }
  return out;
}

std::optional<SectionLines> FindSection(std::string_view text, int32_t n, int from) {
  const int size = static_cast<int>(text.size());
  from = std::clamp(from, 0, size);
  const int match = textops::FindNoCase(text, Format(kSectionHeaderFormat, n), from, size - from);
  if (match < 0) return std::nullopt;

  SectionLines section;
  section.match = match;
  section.headerLine = textops::LineFromChar(text, match);
  int line = section.headerLine;
  size_t nl = text.find('\n', static_cast<size_t>(match));
  while (nl != std::string_view::npos && nl + 1 < text.size()) {
    const size_t start = nl + 1;
    ++line;
    nl = text.find('\n', start);
    const size_t end = nl == std::string_view::npos ? text.size() : nl;
    if (Trim(text.substr(start, end - start)) == kSectionEnd) {
      section.endLine = line;
      section.closed = true;
      return section;
    }
  }
  section.endLine = textops::LineCount(text);
  return section;
}

bool TmyForm::SwitchTextFile() {
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  const std::string path = TranslationFileName(gDumpDir, gCurBlockOffset);

  // Modified text is asked about whether or not its file still exists (it may have been renamed
  // or deleted meanwhile, or never been created): dropping it unasked would lose it.
  if (editor.modified() && ui.question(kAskSave, kAskSaveCaption)) {
    const KeepOutcome kept = SaveTextOrKeepCopy(true);
    // Left as they are, the text and the file another program changed: the block stays shown.
    if (kept == KeepOutcome::Cancelled) return false;
    if (kept == KeepOutcome::Lost) {
      // Loading the new file now would drop the only copy of these edits.
      ui.message("The Text Editor still holds the unsaved text" +
                 (gTextPath.empty() ? std::string() : " of " + Quoted(ExtractFileName(gTextPath))) +
                 ", which stays the current text.");
      return false;
    }
    if (lastCopyTemporary) program.autosave().Leave();
  }

  gTextPath = path;
  textFileStamp = textFileSeen = FileStamp{};
  if (FileExists(path)) {
    if (!LoadTextFile(path)) {
      // No file is current, so nothing typed now can overwrite the file that could not be shown.
      gTextPath.clear();
      ShowEditorText({});
      ui.message("Error: Could not read " + Quoted(path) + ". The Text Editor has been cleared.");
    }
    return true;
  }

  const std::string skeleton = TranslationSkeleton(gCurStringCount);
  std::string error;
  FileIdentity written;
  if (!WriteFileAtomic(path, skeleton.data(), skeleton.size(), &error, &written)) {
    // An empty editor: the previous block's text must not be saved under this block's name.
    ShowEditorText({});
    textFileStamp = textFileSeen = AbsentStamp();  // a file that turns up later is not the editor's
    ui.message("Error: Could not create " + Quoted(path) + " (" + error +
               "). The Text Editor has been cleared.");
    return true;
  }
  ShowEditorText(FileBytesToEditorText(skeleton));
  textFileStamp = textFileSeen = StampOf(written, skeleton);
  return true;
}

void TmyForm::SaveTextFile1Click(TObject /*Sender*/) {
  SaveEditorText(true);
}

TmyForm::KeepOutcome TmyForm::SaveTextOrKeepCopy(bool mayCancel) {
  lastCopyTemporary = false;
  const SaveOutcome saved = SaveEditorText(true);
  if (saved == SaveOutcome::Saved || !ui.richEdit(ControlId::TDMemo).modified()) return KeepOutcome::Kept;
  if (saved == SaveOutcome::Cancelled && mayCancel) return KeepOutcome::Cancelled;
  // Not written over another program's change (a close goes on), or not reloaded after all: what
  // is still unsaved goes to a copy.
  // With no file chosen yet, the copy is named after the file the text would have become.
  const std::string folder = gDumpDir.empty() ? CurrentDirectory() : gDumpDir;
  const std::string path = gTextPath.empty() ? folder + kPathSep + "untitled.txt" : gTextPath;
  const std::string bytes = EditorTextToFileBytes(ui.richEdit(ControlId::TDMemo).text());
  return KeepRecoveryCopy(path, bytes.data(), bytes.size(), "text", saved == SaveOutcome::Failed)
             ? KeepOutcome::Kept
             : KeepOutcome::Lost;
}

std::vector<HeaderOnLine> SectionHeadersOn(std::string_view line) {
  static constexpr std::string_view kHeader = ".string ";
  constexpr long kNumberMax = 100000000;  // more digits than any block has strings
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  std::vector<HeaderOnLine> headers;
  // A header starts with its dot: only the dots of the line are looked at.
  for (size_t at = line.find('.'); at != std::string_view::npos && at + kHeader.size() <= line.size();
       at = line.find('.', at + 1)) {
    if (!std::equal(kHeader.begin(), kHeader.end(), line.begin() + static_cast<std::ptrdiff_t>(at),
                    [](char h, char c) { return h == AsciiLower(c); }))
      continue;
    size_t end = at + kHeader.size();
    const size_t first = end;
    long n = 0;
    while (end < line.size() && digit(line[end]) && n < kNumberMax) n = n * 10 + (line[end++] - '0');
    const size_t digits = end - first;
    if (digits == 0 || (digits > 1 && line[first] == '0')) continue;  // "%d" writes no leading zero
    if (end < line.size() && digit(line[end])) continue;
    headers.push_back({n, static_cast<int>(at) + 1});
  }
  return headers;
}

}  // namespace ts2
