// Translation text files: naming, the bytes of a new file, switching the Text Editor between
// block files and saving it.
#include "script/textfile.h"

#include <algorithm>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kAskSave[] = "Current data not saved. Do you wish to save it?";
constexpr char kAskSaveCaption[] = "File Modified...";

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// Writes the Text Editor's text to gTextPath; reports either outcome. False when nothing was saved.
bool SaveEditorText(TmyForm& form) {
  RichEdit& editor = form.ui.richEdit(ControlId::TDMemo);
  if (form.gTextPath.empty()) {
    form.ui.message(
        "Error: No text file is open yet, so the text was not saved. Select a block first; "
        "the Text Editor keeps its text.");
    return false;
  }
  const std::string bytes = EditorTextToFileBytes(editor.text());
  std::string error;
  if (!WriteFileAtomic(form.gTextPath, bytes.data(), bytes.size(), &error)) {
    form.ui.message("Error: Could not save " + Quoted(form.gTextPath) + " (" + error +
                    "). The file on disk was not changed; the Text Editor keeps the text.");
    return false;
  }
  form.ui.message(Quoted(ExtractFileName(form.gTextPath)) + " was saved successfully!");
  editor.setModified(false);
  return true;
}

}  // namespace

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
    if (!SaveTextOrKeepCopy()) {
      // Loading the new file now would drop the only copy of these edits.
      ui.message("The Text Editor still holds the unsaved text" +
                 (gTextPath.empty() ? std::string() : " of " + Quoted(ExtractFileName(gTextPath))) +
                 ", which stays the current text.");
      return false;
    }
  }

  gTextPath = path;
  if (FileExists(path)) {
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes) {
      // No file is current, so nothing typed now can overwrite the file that could not be shown.
      gTextPath.clear();
      editor.clear();
      ui.message("Error: Could not read " + Quoted(path) + ". The Text Editor has been cleared.");
      return true;
    }
    editor.setText(
        FileBytesToEditorText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())));
    return true;
  }

  const std::string skeleton = TranslationSkeleton(gCurStringCount);
  std::string error;
  if (!WriteFileAtomic(path, skeleton.data(), skeleton.size(), &error)) {
    // An empty editor: the previous block's text must not be saved under this block's name.
    editor.clear();
    ui.message("Error: Could not create " + Quoted(path) + " (" + error +
               "). The Text Editor has been cleared.");
    return true;
  }
  editor.setText(FileBytesToEditorText(skeleton));
  return true;
}

void TmyForm::SaveTextFile1Click(TObject /*Sender*/) {
  SaveEditorText(*this);
}

bool TmyForm::SaveTextOrKeepCopy() {
  if (SaveEditorText(*this)) return true;
  // With no file chosen yet, the copy is named after the file the text would have become.
  const std::string folder = gDumpDir.empty() ? CurrentDirectory() : gDumpDir;
  const std::string path = gTextPath.empty() ? folder + kPathSep + "untitled.txt" : gTextPath;
  const std::string bytes = EditorTextToFileBytes(ui.richEdit(ControlId::TDMemo).text());
  return KeepRecoveryCopy(path, bytes.data(), bytes.size(), "text");
}

}  // namespace ts2
