// What a script-wide command (Replace All, Import Translations from PO, Fill Repeated Strings)
// wrote into the files other than the one the Text Editor shows, where the editor's undo cannot
// reach: each file's bytes before, so that Edit > Undo ... in Other Files puts them back; and the
// shown file's text before, put back the same way once the editor's undo no longer reaches it. A
// file is put back only while it still holds what the command wrote: a later change of it (typed
// and saved, another command, another program) is never undone unseen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2 {

struct FileBefore {
  std::string file;                   // as the script names it
  std::optional<std::string> before;  // its bytes before; none when the command made the file
  uint64_t after = 0;                 // HashBytes of the bytes the command wrote
};

// A command's part in the file the Text Editor showed, made there as one edit to undo. Ctrl+Z
// reaches it only while the editor still shows that file as it did then: once another file was
// shown, or this one read again, the file is put back like the others (it holds the part once
// saved).
struct EditorPart {
  std::string file;    // empty: the command changed nothing in the Text Editor
  std::string before;  // the editor's text before the command
  uint64_t after = 0;  // HashBytes of the file's bytes that its text after the command saves as
  unsigned shown = 0;  // the editor's showing of the file it was made in (TmyForm::textShown)
};
// The part of a command that changed the text the Text Editor shows for `file` from `before` to
// `after`, made while the editor's showing of it was `shown`.
EditorPart MadeInEditor(const std::string& file, std::string before, std::string_view after, unsigned shown);

struct FilesChange {
  std::string what;   // the command, as the menu names it: "Replace All"
  EditorPart editor;  // its part in the Text Editor
  std::vector<FileBefore> files;
  size_t bytes() const;  // what keeping it costs
  std::vector<std::string> paths() const;
};

// The undo item's caption for the change `what` made ("Undo Replace All in Other Files").
std::string UndoCaption(const std::string& what);
// What a command's report adds when it wrote other files: where they are put back.
std::string UndoHint(const FilesChange& change);

// What undoing did to one file.
struct FileUndone {
  enum class How { Restored, Removed, ChangedSince, Failed, MadeAndShown };
  std::string file;
  How how = How::Restored;
  std::string error;  // for Failed
};
// Puts back each file of `change` that still holds what the change wrote: its bytes before,
// written whole, or no file where the change made one. Files changed since, and files that cannot
// be written, are left exactly as they are.
std::vector<FileUndone> UndoFilesChange(const FilesChange& change);

// The changes a run can still undo, the latest last. Only the latest is undone: an earlier one may
// have written the same files before it.
class FilesChanges {
 public:
  // Kept while they fit: the oldest go first.
  static constexpr size_t kMaxChanges = 16;
  static constexpr size_t kMaxBytes = size_t{256} << 20;
  explicit FilesChanges(size_t maxBytes = kMaxBytes) : maxBytes_(maxBytes) {}

  // A change that wrote no file is not kept.
  void Push(FilesChange change);
  std::optional<FilesChange> Pop();
  const FilesChange* Latest() const { return changes_.empty() ? nullptr : &changes_.back(); }
  size_t size() const { return changes_.size(); }
  void Clear() { changes_.clear(); }

 private:
  size_t maxBytes_;
  std::deque<FilesChange> changes_;
};

}  // namespace ts2
