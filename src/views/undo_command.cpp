// Edit > Undo ... in Other Files: the files a script-wide command wrote, put back.
#include <algorithm>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kUndoCaption[] = "Undo Changes to Other Files";
constexpr size_t kFilesNamed = 10;

}  // namespace

void TScriptForm::Remember(FilesChange change) {
  changes_.Push(std::move(change));
  ShowUndoItem();
}

void TScriptForm::ShowUndoItem() {
  MenuItem& item = program.ui.menuItem(MenuId::UndoOtherFiles1);
  const FilesChange* latest = changes_.Latest();
  item.setCaption("&" + (latest ? UndoCaption(latest->what) : std::string(kUndoCaption)));
  item.setEnabled(latest != nullptr);
}

std::optional<std::string> TScriptForm::ShownOrOnDisk(const std::string& file) const {
  const RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  if (file == CurrentFile() && editor.modified()) return editor.text();
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(file);
  if (!bytes) return std::nullopt;
  return FileBytesToEditorText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void TScriptForm::UndoOtherFiles() {
  Toolkit& ui = program.ui;
  const FilesChange* latest = changes_.Latest();
  if (!latest) return;
  // The command's part in the Text Editor is Ctrl+Z's while the editor still shows its file as
  // it did then. Once another file was shown or this one read again, that undo is gone: the file
  // is put back like the others, unless it holds the text from before already (the part was
  // never saved).
  const EditorPart& part = latest->editor;
  const bool byCtrlZ =
      !part.file.empty() && part.file == CurrentFile() && part.shown == program.myForm.textShown;
  std::vector<FileBefore> putBack;
  if (!part.file.empty() && !byCtrlZ && ShownOrOnDisk(part.file) != part.before)
    putBack.push_back({part.file, EditorTextToFileBytes(part.before), part.after});
  putBack.insert(putBack.end(), latest->files.begin(), latest->files.end());

  std::string files;
  for (size_t i = 0; i < putBack.size() && i < kFilesNamed; ++i)
    files += "\n" + ExtractFileName(putBack[i].file) + (putBack[i].before ? "" : " (made by it)");
  if (putBack.size() > kFilesNamed)
    files += "\n... and " + Plural(putBack.size() - kFilesNamed, "more", "more");
  const std::string editorPart = byCtrlZ ? "\n\nIts changes to \"" + ExtractFileName(part.file) +
                                               "\" were made in the Text Editor: undo them there with Ctrl+Z."
                                         : std::string();
  if (!ui.question("Put back the " + Plural(putBack.size(), "file", "files") + " that " + latest->what +
                       " wrote, as they were before it?" + files +
                       "\n\nA file changed since is left as it is." + editorPart,
                   kUndoCaption))
    return;
  const FilesChange change{changes_.Pop()->what, {}, std::move(putBack)};
  ShowUndoItem();

  // A file the Text Editor shows now is put back there, as one edit to undo: its text on disk
  // is the editor's to save.
  FilesChange onDisk{change.what, {}, {}};
  std::vector<FileUndone> done;
  for (const FileBefore& f : change.files) {
    if (CurrentFile().empty() || f.file != CurrentFile()) {
      onDisk.files.push_back(f);
      continue;
    }
    RichEdit& editor = ui.richEdit(ControlId::TDMemo);
    const std::string text = editor.text();
    FileUndone shown{f.file, FileUndone::How::ChangedSince, {}};
    // The editor holds what the change wrote: the file as it read it (its line ends are the
    // editor's own), or typed back to those bytes.
    const std::optional<std::vector<uint8_t>> disk = ReadWholeFile(f.file);
    const bool holds = editor.modified() ? HashBytes(std::string_view(EditorTextToFileBytes(text))) == f.after
                                         : disk && HashBytes(*disk) == f.after;
    if (f.before && holds) {
      editor.replaceRanges({{0, static_cast<int>(text.size())}}, FileBytesToEditorText(*f.before));
      shown.how = FileUndone::How::Restored;
    } else if (holds) {
      shown.how = FileUndone::How::MadeAndShown;  // removing it would leave the editor without a file
    }
    done.push_back(std::move(shown));
  }
  for (FileUndone& d : UndoFilesChange(onDisk)) done.push_back(std::move(d));

  size_t back = 0;
  std::string left;
  for (const FileUndone& d : done) {
    switch (d.how) {
      case FileUndone::How::Restored:
      case FileUndone::How::Removed: ++back; break;
      case FileUndone::How::ChangedSince:
        left += "\n\"" + ExtractFileName(d.file) + "\" changed since; it was left as it is.";
        break;
      case FileUndone::How::MadeAndShown:
        left += "\n\"" + ExtractFileName(d.file) + "\" was made by " + change.what +
                " and is shown in the Text Editor; it was left as it is.";
        break;
      case FileUndone::How::Failed:
        left += "\n\"" + d.file + "\" could not be put back (" + d.error + "); it was left as it is.";
        break;
    }
  }
  std::string report =
      "Put back " +
      (back == done.size() ? Plural(back, "file", "files") : Format("%zu of %zu files", back, done.size())) +
      " as they were before " + change.what + ".";
  if (std::any_of(done.begin(), done.end(), [&](const FileUndone& d) {
        return d.how == FileUndone::How::Restored && d.file == CurrentFile();
      }))
    report += " \"" + ExtractFileName(CurrentFile()) +
              "\" was put back in the Text Editor: save it to keep that, or undo it there with Ctrl+Z.";
  // A file that could not be put back keeps its earlier bytes here, to be tried again (a full
  // disk, a folder read-only for a while): dropped with the change, they would be gone.
  FilesChange again{change.what, {}, {}};
  for (const FileUndone& d : done)
    if (d.how == FileUndone::How::Failed)
      for (const FileBefore& f : change.files)
        if (f.file == d.file) again.files.push_back(f);
  if (!again.files.empty()) {
    left += "\nEdit > " + UndoCaption(change.what) + " tries " +
            (again.files.size() == 1 ? std::string("it") : std::string("them")) + " again.";
    Remember(std::move(again));
  }
  ui.message(report + left);

  FilesWritten(change.paths());
  if (!lastSearch.text.empty()) {
    Find(lastSearch);
    if (onResults) onResults();  // the Find window's rows are the old results' places
  }
}

}  // namespace ts2
