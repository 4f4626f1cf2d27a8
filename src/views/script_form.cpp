// The whole-script views on the program: states and progress kept current, the overview's
// block selection, and Find in Script with its replacements.
#include "views/script_form.h"

#include <algorithm>
#include <chrono>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "display/encode.h"
#include "script/textfile.h"
#include "views/original.h"

namespace ts2 {

namespace {

constexpr int kTypingPauseMs = 400;  // the other strings' states follow when typing pauses
constexpr auto kCountSlice = std::chrono::milliseconds(8);  // blocks counted between two events

ItemMark MarkOf(const StringStatus& status) {
  switch (status.state) {
    case StringState::kUntranslated: return ItemMark::kUntranslated;
    case StringState::kTranslated: return status.misspelled() ? ItemMark::kMisspelled : ItemMark::kTranslated;
    case StringState::kWithFindings:
      return status.misspelled() ? ItemMark::kFindingsMisspelled : ItemMark::kFindings;
  }
  return ItemMark::kNone;
}

bool SameBlocks(const std::vector<ScriptBlock>& a, const std::vector<ScriptBlock>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].table != b[i].table || a[i].strings != b[i].strings || a[i].file != b[i].file) return false;
  return true;
}

// Byte offset of the start of line `line` in text whose lines end with `lineEnd`; npos past its
// end.
size_t LineStart(std::string_view text, int line, std::string_view lineEnd = "\n") {
  size_t at = 0;
  for (int i = 0; i < line; ++i) {
    at = text.find(lineEnd, at);
    if (at == std::string_view::npos) return at;
    at += lineEnd.size();
  }
  return at;
}

}  // namespace

LintOptions TScriptForm::Options() const {
  const TmyForm& f = program.myForm;
  return {.variableWidth = f.Checked(MenuId::UseVWFRoutine1), .playerWidth = f.gPlayerWidth};
}

std::string TScriptForm::CurrentFile() const {
  return program.myForm.gTextPath;
}

bool TScriptForm::Shows(const std::string& file) const {
  const TmyForm& f = program.myForm;
  return f.gCurBlock >= 0 && !CurrentFile().empty() && file == CurrentFile() &&
         CurrentFile() == TranslationFileName(f.gDumpDir, f.gCurBlockOffset);
}

bool TScriptForm::InShownBlock(const Result& result) const {
  return Shows(result.file) && (!lastSearch.original || result.block == program.myForm.gCurBlock);
}

uint32_t TScriptForm::ShownFileStrings() const {
  const TmyForm& f = program.myForm;
  // The block Find reads the file for.
  for (const ScriptBlock& b : BlocksByFile(ScriptBlocks(f, f.gDumpDir)))
    if (b.file == CurrentFile()) return std::max<uint32_t>(b.strings, f.gCurStringCount);
  return f.gCurStringCount;
}

std::optional<std::string> TScriptForm::TextOf(const ScriptBlock& block) const {
  // The block the Text Editor shows is read as it stands there, saved or not.
  if (!CurrentFile().empty() && block.file == CurrentFile())
    return program.ui.richEdit(ControlId::TDMemo).text();
  return FileText(block);
}

// ---- states ----

void TScriptForm::BlockShown() {
  TmyForm& f = program.myForm;
  std::vector<ScriptBlock> now = ScriptBlocks(f, f.gDumpDir);
  if (shownFile_ != CurrentFile() && SameBlocks(now, blocks)) {
    // The block left: what it kept is the Text Editor's text, saved (then counted already) or
    // not; unsaved text that was dropped is not what its file says.
    const LintOptions options = Options();
    for (size_t b = 0; b < blocks.size() && b < fromEdits_.size(); ++b)
      if (fromEdits_[b] && blocks[b].file == shownFile_) Count(b, options);
  }
  shownFile_ = CurrentFile();
  const bool glossaryChanged = glossary.Refresh();
  if (!blocks.empty() && !SameBlocks(now, blocks) && changes_.size()) {
    changes_.Clear();  // another script: its files are not the ones those changes wrote
    ShowUndoItem();
  }
  if (!blocks.empty() && !SameBlocks(now, blocks) && (!results.empty() || !unreadable.empty())) {
    // Results name blocks by their place in a list that is gone.
    results.clear();
    unreadable.clear();
    if (onResults) onResults();
  }
  if (!SameBlocks(now, blocks) || !options_ || options_->variableWidth != Options().variableWidth ||
      options_->playerWidth != Options().playerWidth || glossaryChanged) {
    blocks = std::move(now);
    RestartCounting();
  }
  shownTerms_ = glossary.glossary().empty() ? BlockTerms{} : TermsOf(kShownBlock);
  ComputeStates();
  MarkStrings();
  // The rows follow a glossary read again here, also when the block shows no string.
  if (glossaryChanged) glossary.Follow(true);
}

StateSpelling TScriptForm::WithGlossary(StateSpelling spelling) const {
  if (glossary.glossary().empty()) return spelling;
  spelling.glossary = &glossary.glossary();
  spelling.terms = &shownTerms_;
  return spelling;
}

BlockTerms TScriptForm::TermsOf(size_t block) const {
  const TmyForm& f = program.myForm;
  const bool shown = block == kShownBlock;
  const int32_t index = shown ? f.gCurBlock : blocks[block].index;
  TermsMemo* memo = nullptr;  // one a line of the block list
  if (index >= 0 && index < kMaxBlocks) {
    if (termsKept_.size() <= static_cast<size_t>(index)) termsKept_.resize(static_cast<size_t>(index) + 1);
    memo = &termsKept_[static_cast<size_t>(index)];
  }
  return TermsOfBlock(
      glossary.glossary(), glossary.generation(), f, index, shown ? f.gCurStringCount : blocks[block].strings,
      [this](std::string_view sjis) { return program.ui.shiftJisToUtf8(sjis); }, memo);
}

void TScriptForm::GlossaryChanged() {
  if (!blocks.empty()) {
    shownTerms_ = glossary.glossary().empty() ? BlockTerms{} : TermsOf(kShownBlock);
    RestartCounting();
    ComputeStates();
    MarkStrings();
  }
  glossary.Follow(true);
}

void TScriptForm::OriginalsMayHaveChanged() {
  if (!glossary.glossary().empty()) GlossaryChanged();
}

void TScriptForm::GlossaryMayHaveChanged() {
  if (glossary.Refresh()) GlossaryChanged();
}

void TScriptForm::SpellingChanged() {
  // Words the dictionary knows now: what was spelt before is spelt again.
  for (std::unique_ptr<StatesMemo>& memo : kept_)
    if (memo && memo->checker) memo.reset();
  if (program.myForm.gTextPath.empty()) return;
  ComputeStates();
  MarkStrings();
}

void TScriptForm::OptionsChanged() {
  if (blocks.empty()) return;
  RestartCounting();
  ComputeStates();
  MarkStrings();
}

void TScriptForm::ComputeStates() {
  const TmyForm& f = program.myForm;
  states.assign(f.gCurStringCount, StringStatus{});
  if (CurrentFile().empty()) return;
  // Another dictionary (also one made where a dropped one was): what was spelt is spelt again.
  if (checker_.owner_before(f.spelling) || f.spelling.owner_before(checker_)) {
    for (std::unique_ptr<StatesMemo>& memo : kept_)
      if (memo && memo->checker) memo.reset();
    checker_ = f.spelling;
  }
  const std::string text = program.ui.richEdit(ControlId::TDMemo).text();
  const StateSpelling spelling = WithGlossary(
      {.checker = f.spelling.get(), .skipLine = f.typingEnd.line, .skipEnd = f.typingEnd.column});
  // The block's last computation (its count from disk, or the text at the last pause in typing)
  // gives every string whose section is as it was.
  for (size_t b = 0; b < blocks.size() && b < kept_.size(); ++b)
    if (blocks[b].file == CurrentFile()) {
      if (!kept_[b]) kept_[b] = std::make_unique<StatesMemo>();
      states = StatesOf(text, f.gCurStringCount, Options(), spelling, *kept_[b]);
      if (b < fromEdits_.size()) fromEdits_[b] = program.ui.richEdit(ControlId::TDMemo).modified();
      return;
    }
  states = StatesOf(text, f.gCurStringCount, Options(), spelling);
}

void TScriptForm::Count(size_t block, const LintOptions& options) {
  const bool terms = !glossary.glossary().empty() && FileExists(blocks[block].file);
  const BlockTerms blockTerms = terms ? TermsOf(block) : BlockTerms{};
  StatesOnDisk counted = CountOnDisk(
      blocks[block].file, blocks[block].strings, options,
      terms ? StateSpelling{.glossary = &glossary.glossary(), .terms = &blockTerms} : StateSpelling{});
  progress[block] = counted.progress;
  kept_[block] = counted.progress.exists ? std::make_unique<StatesMemo>(std::move(counted.memo)) : nullptr;
  if (block < stamps_.size()) stamps_[block] = counted.stamp;
  if (block < fromEdits_.size()) fromEdits_[block] = false;
  MarkBlock(block);
}

void TScriptForm::MarkStrings() {
  ListBox& pList = program.ui.list(ControlId::pList);
  std::vector<ItemMark> marks(std::min(static_cast<size_t>(std::max(0, pList.count())), states.size()));
  for (size_t i = 0; i < marks.size(); ++i) marks[i] = MarkOf(states[i]);
  pList.setItemMarks(marks, [this](int i) { return StateText(states[static_cast<size_t>(i)]); });
}

void TScriptForm::TextChanged() {
  if (!ShowCurrentState()) return;
  // The others (an edit may add or break a section of another string) once typing pauses.
  ++typing_;
  lastKey_ = std::chrono::steady_clock::now();
  if (!pauseWaiting_) WaitForPause(kTypingPauseMs);
}

bool TScriptForm::ShowCurrentState() {
  const TmyForm& f = program.myForm;
  const auto current = static_cast<size_t>(f.gCurString);
  if (f.gCurString < 0 || current >= states.size() || CurrentFile().empty()) return false;
  // The edited string at once, from the section the display has just copied; the word being
  // typed is not spelt yet, as in the fit panel.
  StateSpelling spelling{.checker = f.spelling.get(),
                         .skipLine = f.typingEnd.line - f.gSectionLine,
                         .skipEnd = f.typingEnd.column};
  if (!glossary.glossary().empty()) {
    spelling.glossary = &glossary.glossary();
    spelling.sectionTerms = shownTerms_.of(static_cast<uint32_t>(current));
  }
  // While the display shows another string's section for it, typing changes that one, not the
  // string's own: the pause counts both.
  if (!states[current].shownElsewhere) {
    states[current] = f.gSectionLine == -1
                          ? StringStatus{}
                          : StateOfSection(SplitEditorLines(program.ui.richEdit(ControlId::Memo1).text()),
                                           Options(), spelling);
    if (f.gSectionLine != -1) states[current].headerLine = f.gSectionLine;
    program.ui.list(ControlId::pList)
        .setItemMark(f.gCurString, MarkOf(states[current]), StateText(states[current]));
  }
  return true;
}

void TScriptForm::WaitForPause(int milliseconds) {
  pauseWaiting_ = true;
  const unsigned typing = typing_;
  program.ui.runLater(milliseconds, [this, typing] {
    pauseWaiting_ = false;
    if (typing != typing_) {  // keys came while it waited: the pause is counted from the last
      const auto since =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lastKey_);
      WaitForPause(static_cast<int>(std::clamp<int64_t>(kTypingPauseMs - since.count(), 0, kTypingPauseMs)));
      return;
    }
    ComputeStates();
    MarkStrings();
  });
}

void TScriptForm::FileOnDiskChanged() {
  const LintOptions options = Options();
  for (size_t b = 0; b < blocks.size() && b < progress.size(); ++b) {
    if (blocks[b].file == CurrentFile()) Count(b, options);
  }
  if (onProgress) onProgress();
}

void TScriptForm::OtherFilesMayHaveChanged() {
  const LintOptions options = Options();
  bool counted = false;
  for (size_t b = 0; b < blocks.size() && b < progress.size() && b < stamps_.size(); ++b)
    if (progress[b] && blocks[b].file != CurrentFile() &&
        CheckOnDisk(blocks[b].file, stamps_[b]) != DiskState::Unchanged) {
      Count(b, options);
      counted = true;
    }
  if (counted && onProgress) onProgress();
}

void TScriptForm::FilesWritten(const std::vector<std::string>& files) {
  const LintOptions options = Options();
  for (size_t b = 0; b < blocks.size() && b < progress.size(); ++b)
    if (blocks[b].file != CurrentFile() &&
        std::find(files.begin(), files.end(), blocks[b].file) != files.end())
      Count(b, options);
  if (onProgress) onProgress();
  similar.FilesMayHaveChanged();
}

void TScriptForm::RestartCounting() {
  options_ = Options();
  progress.assign(blocks.size(), std::nullopt);
  kept_.clear();
  kept_.resize(blocks.size());
  stamps_.assign(blocks.size(), FileStamp{});
  fromEdits_.assign(blocks.size(), false);
  next_ = 0;
  const unsigned generation = ++generation_;
  program.ui.runLater(0, [this, generation] {
    if (generation == generation_) CountNext();
  });
  if (onProgress) onProgress();
}

void TScriptForm::CountNext() {
  if (!counting()) return;
  const auto deadline = std::chrono::steady_clock::now() + kCountSlice;
  const LintOptions options = *options_;
  do {
    Count(next_++, options);
  } while (counting() && std::chrono::steady_clock::now() < deadline);
  if (counting()) {
    const unsigned generation = generation_;
    program.ui.runLater(0, [this, generation] {
      if (generation == generation_) CountNext();
    });
  }
  if (onProgress) onProgress();
}

void TScriptForm::MarkBlock(size_t block) {
  if (!progress[block]) return;
  const BlockProgress& p = *progress[block];
  const ItemMark mark = p.withFindings > 0          ? ItemMark::kFindings
                        : p.translated == p.strings ? ItemMark::kTranslated
                                                    : ItemMark::kUntranslated;
  program.ui.list(ControlId::bList)
      .setItemMark(static_cast<int>(block), mark, ProgressText(p) + (p.exists ? "" : " (no file yet)"));
}

BlockProgress TScriptForm::Total() const {
  // Each file's strings once: blocks that share a file are counted by the one BlocksByFile reads.
  BlockProgress total;
  for (const ScriptBlock& b : BlocksByFile(blocks))
    if (const auto p = static_cast<size_t>(b.index); p < progress.size() && progress[p])
      total += *progress[p];
  return total;
}

// ---- the Script Overview ----

void TScriptForm::ShowOverview() {
  program.ui.showToolWindow(ToolWindow::ScriptOverview, *this);
}

bool TScriptForm::SelectBlock(int block) {
  const TmyForm& f = program.myForm;
  ListBox& bList = program.ui.list(ControlId::bList);
  if (block < 0 || block >= bList.count() || !f.gROM) return false;
  bList.setItemIndex(block);
  program.listClick(ControlId::bList);
  return f.gCurBlock == block && Shows(CurrentFile());
}

// ---- Find in Script ----

void TScriptForm::ShowFind() {
  program.ui.showToolWindow(ToolWindow::FindInScript, *this);
}

const std::vector<TScriptForm::Result>& TScriptForm::Find(const Search& search) {
  lastSearch = search;
  results.clear();
  unreadable.clear();
  const TmyForm& f = program.myForm;
  if (!f.gROM || search.text.empty()) return results;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (!search.original) unreadable = UnreadableFiles(all, CurrentFile());
  if (search.original) {
    const TextFinder finder(search.text, search.options, TextEncoding::kShiftJis);
    std::optional<std::string> text;  // of the block of the last match
    std::optional<SectionIndex> index;
    int indexed = -1;
    for (OriginalMatch& m : FindInOriginal(f, all, finder)) {
      if (m.block != indexed) {
        indexed = m.block;
        index.reset();
        text = TextOf(all[static_cast<size_t>(m.block)]);
        index.emplace(text ? std::string_view(*text) : std::string_view(),
                      all[static_cast<size_t>(m.block)].strings);
      }
      results.push_back(
          {m.block, m.string, m.line, m.column, search.text.size(), 0, std::move(m.lineText),
           m.string < index->strings() ? index->translation(m.string) : std::vector<std::string>(),
           all[static_cast<size_t>(m.block)].file});
    }
  } else {
    const TextFinder finder(search.text, search.options);
    for (ScriptMatch& m : FindInTranslations(all, finder, [this](const ScriptBlock& b) { return TextOf(b); }))
      results.push_back({m.block,
                         m.at.string,
                         m.at.line,
                         m.at.column,
                         search.text.size(),
                         m.at.position,
                         std::move(m.lineText),
                         {},
                         all[static_cast<size_t>(m.block)].file});
  }
  return results;
}

bool TScriptForm::ActivateResult(size_t index) {
  if (index >= results.size()) return false;
  const Result r = results[index];
  TmyForm& f = program.myForm;
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const ScriptBlock* file = nullptr;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (static_cast<size_t>(r.block) < all.size()) file = &all[static_cast<size_t>(r.block)];
  if (!file || file->file != r.file) return false;
  if (!InShownBlock(r) && !SelectBlock(r.block)) return false;
  ListBox& pList = program.ui.list(ControlId::pList);
  if (static_cast<int>(r.string) < pList.count()) {
    // The string's section is searched from the start of the text, not behind a selection.
    editor.setSelection(editor.selStart(), 0);
    pList.setItemIndex(static_cast<int>(r.string));
    program.listClick(ControlId::pList);
  }
  if (lastSearch.original) return SelectOriginal(r);
  const std::string text = editor.text();
  const size_t start = LineStart(text, r.line);
  if (start == std::string::npos || start + r.column + r.length > text.size()) return false;
  const size_t at = start + r.column;
  const TextFinder finder(lastSearch.text, {.matchCase = lastSearch.options.matchCase});
  if (finder.findAll(std::string_view(text).substr(at, r.length)) != std::vector<size_t>{0}) return false;
  editor.setSelection(static_cast<int>(at), static_cast<int>(r.length));
  shownMatch_ = {static_cast<int>(at), static_cast<int>(r.length)};
  return true;
}

bool TScriptForm::SelectionIsShownMatch() const {
  const RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  return shownMatch_ && editor.selLength() != 0 &&
         *shownMatch_ == std::pair(editor.selStart(), editor.selLength());
}

bool TScriptForm::SelectOriginal(const Result& r) {
  const TmyForm& f = program.myForm;
  if (f.gCurBlock != r.block || f.gCurString != static_cast<int>(r.string)) return false;
  // The Kana Text window shows the string's original text: the match is there, as it was found.
  const std::string text = OriginalTextOf(f, r.block, r.string);
  const size_t start = LineStart(text, r.line, "\r\n");
  if (start == std::string::npos || start + r.column + r.length > text.size()) return false;
  const TextFinder finder(lastSearch.text, {.matchCase = lastSearch.options.matchCase},
                          TextEncoding::kShiftJis);
  if (finder.findAll(std::string_view(text).substr(start + r.column, r.length)) != std::vector<size_t>{0})
    return false;
  program.ui.window(FormId::KanaForm).show();
  program.ui.memo(ControlId::kanaEdit)
      .selectText(r.line, static_cast<int>(r.column), static_cast<int>(r.length));
  return true;
}

bool TScriptForm::Replace(const std::string& with) {
  if (lastSearch.original || lastSearch.text.empty() || CurrentFile().empty()) return false;
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const auto start = static_cast<size_t>(editor.selStart());
  if (static_cast<size_t>(editor.selLength()) != lastSearch.text.size()) return false;
  // The selection must be one of the matches in the shown file's sections, as Find lists them.
  const TextFinder finder(lastSearch.text, lastSearch.options);
  bool isMatch = false;
  for (const TextMatch& m : FindInTranslation(editor.text(), ShownFileStrings(), finder))
    isMatch = isMatch || m.position == start;
  if (!isMatch) return false;
  editor.replaceRanges({{static_cast<int>(start), static_cast<int>(lastSearch.text.size())}}, with);
  // On to the next match in this block. One in another block waits for the next Replace: going
  // there asks about the unsaved text, and a No the user did not expect would drop this very
  // replacement.
  Find(lastSearch);
  const size_t next = NextResult();
  if (next < results.size() && InShownBlock(results[next]) &&
      results[next].position >= static_cast<size_t>(editor.selStart()))
    ActivateResult(next);
  return true;
}

size_t TScriptForm::NextResult() const {
  const TmyForm& f = program.myForm;
  const RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const auto caret = static_cast<size_t>(editor.selStart() + editor.selLength());
  for (size_t i = 0; i < results.size(); ++i) {
    const Result& r = results[i];
    if (InShownBlock(r) ? r.position >= caret : r.block > f.gCurBlock) return i;
  }
  return 0;
}

void TScriptForm::ReplaceAll(const std::string& with) {
  if (lastSearch.original || lastSearch.text.empty()) return;
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  Find(lastSearch);
  if (!unreadable.empty()) {
    ui.message(UnreadableMessage(unreadable, "Nothing was replaced."));
    return;
  }
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  std::vector<RichEdit::Range> inEditor;
  std::vector<std::string> files;
  for (const Result& r : results) {
    const std::string& file = all[static_cast<size_t>(r.block)].file;
    if (file == CurrentFile()) inEditor.push_back({static_cast<int>(r.position), static_cast<int>(r.length)});
    if (files.empty() || files.back() != file) files.push_back(file);
  }
  if (results.empty()) {
    ui.message("\"" + Cp1252ToUtf8(lastSearch.text) +
               "\" was not found in the translations: nothing to replace.");
    return;
  }
  if (const std::optional<SectionBreak> broken =
          ReplacingBreaksSections(all, TextFinder(lastSearch.text, lastSearch.options), with, CurrentFile(),
                                  program.ui.richEdit(ControlId::TDMemo).text())) {
    ui.message(Format(broken->endsString
                          ? "Replacing would make line %d of \"%s\" begin with .ENDS, where the string's "
                            "bytes would end. Nothing was replaced."
                          : "Replacing would make line %d of \"%s\" read as a section header or .ENDS, which "
                            "would give strings' translations to other strings. Nothing was replaced.",
                      broken->line, ExtractFileName(broken->file).c_str()));
    return;
  }
  if (!ui.question(Format("Replace %s of \"%s\" with \"%s\" in %s?",
                          Plural(results.size(), "occurrence", "occurrences").c_str(),
                          Cp1252ToUtf8(lastSearch.text).c_str(), Cp1252ToUtf8(with).c_str(),
                          Plural(files.size(), "file", "files").c_str()),
                   "Replace All"))
    return;

  // The current block in the Text Editor, as one edit to undo; every other file on disk.
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  FilesChange change{"Replace All", {}, {}};
  if (!inEditor.empty()) {
    std::string shownBefore = editor.text();
    editor.replaceRanges(inEditor, with);
    change.editor = MadeInEditor(CurrentFile(), std::move(shownBefore), editor.text(), f.textShown);
  }
  std::vector<ScriptBlock> others;
  for (const ScriptBlock& b : all)
    if (b.file != CurrentFile()) others.push_back(b);
  const std::vector<FileReplaced> done =
      ReplaceInFiles(others, TextFinder(lastSearch.text, lastSearch.options), with);

  size_t replaced = inEditor.size(), written = inEditor.empty() ? 0 : 1;
  std::string failures;
  for (const FileReplaced& d : done) {
    if (d.error.empty()) {
      replaced += static_cast<size_t>(d.replacements);
      ++written;
      change.files.push_back({d.file, d.before, d.after});
    } else {
      failures += "\n\"" + d.file + "\" could not be written (" + d.error + ")" +
                  (LeftAsItWas(d.error) ? "; it was left as it was." : ".");
    }
  }
  std::string report = Format("Replaced %s in %s.", Plural(replaced, "occurrence", "occurrences").c_str(),
                              Plural(written, "file", "files").c_str());
  if (!inEditor.empty())
    report += " The changes to \"" + ExtractFileName(CurrentFile()) +
              "\" are in the Text Editor: save it to keep them, or undo them there with Ctrl+Z.";
  ui.message(report + UndoHint(change) + failures);

  FilesWritten(change.paths());
  Remember(std::move(change));
  Find(lastSearch);
}

}  // namespace ts2
