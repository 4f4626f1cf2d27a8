// Putting back what a script-wide command wrote into files, while they still hold it.
#include "views/undo_files.h"

#include <cstdio>
#include <span>

#include "core/filestamp.h"
#include "core/fileutil.h"

namespace ts2 {

EditorPart MadeInEditor(const std::string& file, std::string before, std::string_view after, unsigned shown) {
  return {file, std::move(before), HashBytes(std::string_view(EditorTextToFileBytes(after))), shown};
}

size_t FilesChange::bytes() const {
  size_t total = what.size() + editor.file.size() + editor.before.size();
  for (const FileBefore& f : files) total += f.file.size() + (f.before ? f.before->size() : 0);
  return total;
}

std::vector<std::string> FilesChange::paths() const {
  std::vector<std::string> out;
  for (const FileBefore& f : files) out.push_back(f.file);
  return out;
}

std::string UndoCaption(const std::string& what) {
  return "Undo " + what + " in Other Files";
}

std::string UndoHint(const FilesChange& change) {
  if (change.files.empty()) return {};
  return " Edit > " + UndoCaption(change.what) + " puts the other files back.";
}

std::vector<FileUndone> UndoFilesChange(const FilesChange& change) {
  std::vector<FileUndone> out;
  for (const FileBefore& f : change.files) {
    FileUndone done{f.file, FileUndone::How::Restored, {}};
    const std::optional<std::vector<uint8_t>> now = ReadWholeFile(f.file);
    if (!now || HashBytes(*now) != f.after) {
      done.how = FileUndone::How::ChangedSince;  // or removed since: nothing of the change is left
    } else if (!f.before) {
      done.how = FileUndone::How::Removed;
      if (std::remove(f.file.c_str()) != 0) {
        done.how = FileUndone::How::Failed;
        done.error = "could not be removed";
      }
    } else if (!WriteFileAtomic(f.file, f.before->data(), f.before->size(), &done.error)) {
      done.how = FileUndone::How::Failed;
      if (done.error.empty()) done.error = "not written";
    }
    out.push_back(std::move(done));
  }
  return out;
}

void FilesChanges::Push(FilesChange change) {
  if (change.files.empty()) return;
  changes_.push_back(std::move(change));
  size_t total = 0;
  for (const FilesChange& c : changes_) total += c.bytes();
  while (changes_.size() > 1 && (changes_.size() > kMaxChanges || total > maxBytes_)) {
    total -= changes_.front().bytes();
    changes_.pop_front();
  }
}

std::optional<FilesChange> FilesChanges::Pop() {
  if (changes_.empty()) return std::nullopt;
  FilesChange latest = std::move(changes_.back());
  changes_.pop_back();
  return latest;
}

}  // namespace ts2
