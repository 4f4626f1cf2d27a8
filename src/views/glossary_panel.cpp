// The Glossary window's contents, kept from the shown string and the glossary file.
#include "views/glossary_panel.h"

#include <utility>

#include "core/cp1252.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "display/encode.h"
#include "views/original.h"
#include "views/script_form.h"

namespace ts2 {

std::string GlossaryPanel::Path() const {
  const std::string& dir = program.myForm.gDumpDir;
  return dir.empty() ? std::string() : GlossaryPath(dir);
}

bool GlossaryPanel::Refresh() {
  return Load();
}

bool GlossaryPanel::Load() {
  const std::string path = Path();
  if (loaded_ && path == loadedPath_) {
    if (exists_ && CheckOnDisk(path, stamp_) == DiskState::Unchanged) return false;
    if (!exists_ && (path.empty() || !FileExists(path))) return false;
  }
  FileIdentity seen;
  const std::optional<std::vector<uint8_t>> bytes = path.empty() ? std::nullopt : ReadWholeFile(path, &seen);
  exists_ = bytes.has_value();
  glossary_ = exists_
                  ? Glossary(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()))
                  : Glossary();
  stamp_ = exists_ ? StampOf(seen, *bytes) : FileStamp{};
  loadedPath_ = path;
  loaded_ = true;
  ++generation_;
  return true;
}

void GlossaryPanel::Follow(bool termsAgain) {
  if (!shown) return;
  const TmyForm& f = program.myForm;
  std::vector<Row> now;
  std::string text;
  const std::string path = Path();
  const bool string = f.gROM && f.gCurString >= 0 && f.gCurString < f.gCurStringCount;
  if (path.empty()) {
    text = "No translations folder yet: open a ROM and its data file.";
  } else if (!exists_) {
    text = "No glossary yet: terms added here are kept in " + path + ".";
  } else if (!string) {
    text = Plural(glossary_.terms().size(), "term", "terms") + " in " + kGlossaryFile + ".";
  }
  if (string) {
    const Shown shownNow{f.gCurBlock, f.gCurString, generation_};
    if (termsAgain || !(shownNow == termsOf_)) {
      terms_ = glossary_.termsIn(
          program.ui.shiftJisToUtf8(OriginalTextOf(f, f.gCurBlock, static_cast<uint32_t>(f.gCurString))));
      termsOf_ = shownNow;
    }
    const std::vector<std::string> section =
        f.gSectionLine == -1 ? std::vector<std::string>()
                             : SplitEditorLines(program.ui.richEdit(ControlId::Memo1).text());
    const bool translated = !GlossaryBody(section).empty();
    size_t missing = 0;
    for (size_t t : terms_) {
      const GlossaryTerm& term = glossary_.terms()[t];
      Row row{t, term.source, {}, term.note, Presence::kNotTranslated};
      for (const std::string& target : term.targets)
        row.translations += (row.translations.empty() ? "" : " / ") + Cp1252ToUtf8(target);
      if (translated)
        row.presence = glossary_.translated(t, section) ? Presence::kPresent : Presence::kMissing;
      if (row.presence == Presence::kMissing) ++missing;
      now.push_back(std::move(row));
    }
    if (exists_) {
      text = "String " + std::to_string(f.gCurString) + ": ";
      if (terms_.empty())
        text += "no glossary terms";
      else
        text += Plural(terms_.size(), "term", "terms") +
                (translated ? ", " + std::to_string(missing) + " missing" : " (not translated yet)");
      text += ".";
    }
  }
  if (!glossary_.errors().empty()) {
    const GlossaryError& e = glossary_.errors().front();
    text += "\n" + std::string(kGlossaryFile) + " line " + std::to_string(e.line) + ": " + e.message;
    if (glossary_.errors().size() > 1)
      text += " (" + Plural(glossary_.errors().size(), "row", "rows") + " with mistakes left out)";
  }
  rowsOf_ = generation_;
  const bool same = now.size() == rows.size() && text == summary &&
                    std::equal(now.begin(), now.end(), rows.begin(), [](const Row& a, const Row& b) {
                      return a.term == b.term && a.presence == b.presence && a.source == b.source &&
                             a.translations == b.translations && a.note == b.note;
                    });
  if (same) return;
  rows = std::move(now);
  summary = std::move(text);
  if (onChange) onChange();
}

void GlossaryPanel::Show() {
  Toolkit& ui = program.ui;
  suggestedTerm = ui.window(FormId::KanaForm).visible() ? ui.memo(ControlId::kanaEdit).selectedText() : "";
  suggestedTranslation.clear();
  const RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  if (editor.selLength() > 0 && !program.myForm.gTextPath.empty()) {
    const std::string text = editor.text();
    const auto start = static_cast<size_t>(editor.selStart());
    const std::string selected =
        start < text.size() ? text.substr(start, static_cast<size_t>(editor.selLength())) : "";
    if (selected.find_first_of("\r\n") == std::string::npos) suggestedTranslation = Cp1252ToUtf8(selected);
  }
  ui.showToolWindow(ToolWindow::Glossary, program.ScriptForm());
  if (onSuggest) onSuggest();
  program.ScriptForm().GlossaryMayHaveChanged();
  Follow(true);
}

void GlossaryPanel::StringShown() {
  if (!shown) return;
  const TmyForm& f = program.myForm;
  // The file is looked at when another string is shown, not on every key.
  if (!(Shown{f.gCurBlock, f.gCurString, generation_} == termsOf_))
    program.ScriptForm().GlossaryMayHaveChanged();
  Follow(false);
}

void GlossaryPanel::FileMayHaveChanged() {
  if (!shown) return;
  program.ScriptForm().GlossaryMayHaveChanged();
  Follow(false);
}

bool GlossaryPanel::AddTerm(const std::string& source, const std::string& target, const std::string& note,
                            std::string& error) {
  const std::string path = Path();
  if (path.empty()) {
    error = "There is no translations folder yet: open a ROM and its data file first.";
    return false;
  }
  std::string bytes;
  if (FileExists(path)) {
    const std::optional<std::vector<uint8_t>> read = ReadWholeFile(path);
    if (!read) {
      error = "Cannot read " + path + ".";
      return false;
    }
    bytes.assign(read->begin(), read->end());
  }
  const std::optional<std::string> out = AppendGlossaryRow(bytes, source, target, note, error);
  if (!out) return false;
  MakeDirectory(program.myForm.gDumpDir);
  std::string why;
  if (!WriteFileAtomic(path, out->data(), out->size(), &why)) {
    error = "Cannot write " + path + ": " + why;
    return false;
  }
  Load();
  program.ScriptForm().GlossaryChanged();
  return true;
}

bool GlossaryPanel::InsertTranslation(size_t row, size_t alternative) {
  if (row >= rows.size() || rowsOf_ != generation_ || program.myForm.gSectionLine == -1) return false;
  const std::vector<std::string>& targets = glossary_.terms()[rows[row].term].targets;
  if (alternative >= targets.size()) return false;
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  editor.replaceRanges({{editor.selStart(), editor.selLength()}}, targets[alternative]);
  // Back to typing.
  if (program.ui.window(FormId::TxtForm).visible()) {
    program.ui.window(FormId::TxtForm).show();
    editor.setFocus();
  }
  return true;
}

}  // namespace ts2
