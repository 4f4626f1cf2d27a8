// The whole script at a glance, beside the system's windows: each string's state in List Data,
// each block's progress in the block list and the Script Overview window, and Find in Script.
//
// States of the current block follow the Text Editor: the edited string at once (from the
// section the display copies into Memo1 on every keystroke), the others when typing pauses.
// Block progress is counted from the files on disk, a few blocks at a time between events, so a
// large script never freezes the window; everything runs on the user-interface thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "display/lint.h"
#include "views/glossary_panel.h"
#include "views/po_exchange.h"
#include "views/script.h"
#include "views/similar_panel.h"
#include "views/states.h"
#include "views/undo_files.h"

namespace ts2 {

class Program;

class TScriptForm {
 public:
  explicit TScriptForm(Program& program) : program(program), glossary(program), similar(program) {}
  Program& program;
  GlossaryPanel glossary;  // the Glossary window's contents (views/glossary_panel.h)
  SimilarPanel similar;    // the Similar Strings window's contents (views/similar_panel.h)

  // ---- states: called by the block selection, the Text Editor and saving ----
  void BlockShown();              // a block's file is in the Text Editor (selected, reloaded)
  void TextChanged();             // the translator typed
  void FileOnDiskChanged();       // the current block's file was saved, or reloaded from disk
  void OptionsChanged();          // the fit check's options (font width, name width) changed
  void SpellingChanged();         // spelling was turned on or off, or a word became known
  void GlossaryChanged();         // the glossary file was read again with other contents
  void GlossaryMayHaveChanged();  // the user came back from another program
  // A patch may have changed the original strings: the glossary terms standing in them, and so
  // every block's glossary findings, are looked for again.
  void OriginalsMayHaveChanged();
  // Other blocks' files changed on disk since they were counted (the user came back from another
  // program: a `git pull`, ts2tool import) count again.
  void OtherFilesMayHaveChanged();
  // The shown string's state and List Data mark again, from the section shown, leaving out the
  // word being typed (TmyForm::typingEnd): on every edit, and when the caret leaves that word or
  // comes back to it. False when no string of the block's file is shown.
  bool ShowCurrentState();

  std::vector<ScriptBlock> blocks;                     // the block list, with their files
  std::vector<std::optional<BlockProgress>> progress;  // per block; none until counted
  std::vector<StringStatus> states;                    // the current block's strings
  bool counting() const { return next_ < blocks.size(); }
  BlockProgress Total() const;
  // Called whenever `progress` changed (the overview window redraws).
  std::function<void()> onProgress;

  // ---- the Script Overview ----
  void ShowOverview();
  // Selects block `block` as a click in the block list does (asking about unsaved text first).
  // False when the block did not become current.
  bool SelectBlock(int block);

  // ---- Find in Script ----
  struct Result {
    int block = 0;
    uint32_t string = 0;
    int line = 0;          // 0-based line: in the translation file, or in the original string's text
    size_t column = 0;     // byte offset in the line
    size_t length = 0;     // the match's bytes
    size_t position = 0;   // byte offset in the text searched (for the current block, the editor's)
    std::string lineText;  // Windows-1252 bytes (translations) or Shift-JIS bytes (original)
    // For a match in an original: the string's translation (its section's body lines, the
    // current block's as the Text Editor holds it), empty while it has none, so that the results
    // show how a word of the original was translated elsewhere.
    std::vector<std::string> translation;
    // The block's translation file when it was searched: a result names a block only while the
    // block list still has that file at its place.
    std::string file;
  };
  struct Search {
    std::string text;  // Windows-1252 bytes for translations, Shift-JIS bytes for the original
    FindOptions options;
    bool original = false;
  };
  void ShowFind();
  // Finds in every block's translation (the current block's text as the editor has it) or
  // every original string, and keeps the results.
  const std::vector<Result>& Find(const Search& search);
  std::vector<Result> results;
  // Translation files the last search of translations could not read ("FILE: why"): their
  // matches are not among the results, and Replace All does not run while there is one.
  std::vector<std::string> unreadable;
  Search lastSearch;
  // Called whenever `results` changed other than through the Find window's own request (a
  // search made again after an undo, results dropped with the script they came from).
  std::function<void()> onResults;
  // Selects the result's block and string, and the match: for a translation, the Text Editor's
  // selection; for an original string, the Kana Text window's (shown if it was not). A match in
  // the shown file is selected in the shown text, whichever line with that file it was found under.
  // False when the block list no longer has the result's file at its place, the block did not
  // become current, or the match is no longer there.
  bool ActivateResult(size_t index);
  // Replaces the match selected in the Text Editor (an edit the user can undo) and selects the
  // next match in the shown block, if there is one. False when the selection is no match.
  bool Replace(const std::string& with);
  // Whether the Text Editor's selection is the match ActivateResult selected to show it. That
  // selection is the program's, not the translator's: a string chosen afterwards has its section
  // searched from the top of the text, not behind it.
  bool SelectionIsShownMatch() const;
  // The first result after the Text Editor's selection, in the shown block or a later one; the
  // first of all when none lies after it (0 also when there are none).
  size_t NextResult() const;
  // Replaces every match of the last search in the translations, after asking: the current
  // block's in the Text Editor (one edit to undo), every other file rewritten whole. Says what
  // was done, naming each file that could not be written (and was left as it was).
  void ReplaceAll(const std::string& with);

  // Export Script as PO: every block's strings and translations (the current block's as the Text
  // Editor holds it) in a PO file for translation tools, as `ts2tool export` writes it.
  void ExportPo();
  // Export Proof Sheet: the strings of the shown block, or of every block, after asking (the shown
  // block's translation as the Text Editor holds it), drawn as the editor draws them, with their
  // texts and findings, in one HTML page (views/proof.h), as `ts2tool proof` writes it.
  void ExportProof();
  // How long the sheet is drawn before events are let through again (at least one string is).
  std::chrono::milliseconds proofSlice{30};
  // Draws the rest of a sheet being made and writes it: closing the editor does not drop a sheet
  // the user chose a file for.
  void FinishProof();
  // Import Translations from PO: the translations of such a file, after asking, into the current
  // block in the Text Editor (one edit to undo) and into every other file on disk, each written
  // whole; a file with a wrong entry changes nothing.
  void ImportPo();
  // Fill Repeated Strings: every string not translated yet whose original is that of translated
  // strings that read alike gets their translation, after asking, as an import does (the current
  // block in the Text Editor, every other file on disk); originals translated otherwise are named.
  void FillRepeats();

  // Undo ... in Other Files: puts back, after asking, the files other than the shown one that the
  // latest Replace All, import or fill wrote, each only while it still holds what was written
  // (views/undo_files.h); its part in the Text Editor is undone there with Ctrl+Z while the editor
  // still shows that file as it did then, else put back like the others. Says what was put back
  // and names the files left as they are.
  void UndoOtherFiles();
  // The changes still to undo, the latest last.
  const FilesChanges& changes() const { return changes_; }

  // Next Untranslated String, Next String with Findings: selects the next string in `wanted`'s
  // state after the shown one: later in its block (as the Text Editor holds it), then in the
  // blocks after it (as their files are), then around from the first block; says so when there
  // is none. Changing blocks asks about unsaved text first, as a click in List Data does; another
  // line of the block list with the shown file is the shown text.
  void SelectNext(StringState wanted);

  // Go to String: asks for a place (views/place.h) and shows it: its block (asking about unsaved
  // text first, as a click in List Data does), its string, and for a translation file's line the
  // caret on that line; a place in the shown file is shown in the shown text. Says why when the
  // place is not understood or not in this script.
  void GoTo();

 private:
  std::optional<std::pair<int, int>> shownMatch_;  // start and length of the match selected
  LintOptions Options() const;
  void CountNext();  // counts a few blocks from disk, then lets events through
  void RestartCounting();
  void Count(size_t block, const LintOptions& options);  // progress and kept states from disk
  void MarkStrings();                                    // shows `states` in pList
  void MarkBlock(size_t block);
  void ComputeStates();  // every string of the current block from the editor's text
  std::optional<std::string> TextOf(const ScriptBlock& block) const;
  std::string CurrentFile() const;
  // Whether the Text Editor shows `file` as the current block's: a place in it is a place in the
  // shown text, whichever line of the block list it was found under (lines sharing a pointer
  // table share a file), and going there selects no other block, so asks nothing.
  bool Shows(const std::string& file) const;
  // Whether a result lies in the shown block: a translation's in the shown text, an original's in
  // the shown line's own strings.
  bool InShownBlock(const Result& result) const;
  // The strings the shown file has sections for: a block sharing it may have more than the shown.
  uint32_t ShownFileStrings() const;
  bool SelectOriginal(const Result& result);  // in the Kana Text window
  // Writes a planned import: the current block's file into the Text Editor (one edit to undo),
  // every other file on disk; counts them again. What was done, for the report after `done`
  // ("Imported 3 translations"): files, the Text Editor's part, files that could not be written.
  std::string WriteImport(const PoImport& plan, const char* what, const char* one, const char* many,
                          const char* done);
  // What `file` holds now as the Text Editor would show it: the editor's text while it shows the
  // file with unsaved changes, else the file's bytes; none when it cannot be read.
  std::optional<std::string> ShownOrOnDisk(const std::string& file) const;
  // Keeps what a command wrote into other files, and names it in the Edit menu's undo item.
  void Remember(FilesChange change);
  // Files other than the shown one were written: their blocks count again, the similar strings
  // are looked for again.
  void FilesWritten(const std::vector<std::string>& files);
  void ShowUndoItem();
  FilesChanges changes_;

  std::string lastPlace_;  // what Go to String was last given, offered again
  // The proof sheet being made, a slice of strings between events; none while none is.
  struct ProofJob;
  std::shared_ptr<ProofJob> proof_;
  void ProofSlice();
  size_t next_ = 0;          // the next block to count
  unsigned generation_ = 0;  // counting restarted: older steps stop
  unsigned typing_ = 0;      // keystrokes: a pause refreshes the states once
  // The wait for that pause: one at a time, its end moved by the keys typed while it runs.
  void WaitForPause(int milliseconds);
  bool pauseWaiting_ = false;
  std::chrono::steady_clock::time_point lastKey_;
  std::optional<LintOptions> options_;
  // Per block, the last computation of its states: its count from disk, or what the Text Editor
  // held when it was the current block. None for a block neither counted nor shown yet.
  std::vector<std::unique_ptr<StatesMemo>> kept_;
  // Per block: its file as counted (what another program may change), and whether its kept states
  // are of unsaved text in the Text Editor (counted from its file again once it is left).
  std::vector<FileStamp> stamps_;
  std::vector<bool> fromEdits_;
  std::string shownFile_;                // the file BlockShown last saw in the Text Editor
  std::weak_ptr<SpellChecker> checker_;  // the dictionary of the memos that spelt
  // The glossary part of the states: the glossary (none while it has no terms) and the terms of
  // the shown block's strings, found when the block is shown.
  StateSpelling WithGlossary(StateSpelling spelling) const;
  static constexpr size_t kShownBlock = static_cast<size_t>(-1);
  BlockTerms TermsOf(size_t block) const;  // of block `block`'s strings, or of the shown block's
  BlockTerms shownTerms_;
  mutable std::vector<TermsMemo> termsKept_;  // per block: its terms, found again only where needed
};

}  // namespace ts2
