// Typed text kept while it is unsaved. When typing pauses (and at least every half minute of
// steady typing), the Text Editor's text is written whole to the user's autosave folder, so that
// a crash, a killed session or a power cut loses at most the last seconds of work. The copy goes
// as soon as the editor holds no unsaved edits of its file (saved, kept in a recovery copy, or
// dropped on the user's word); a copy left behind by a run that ended otherwise is offered back
// when its file is shown again.
//
// A copy is two files in the folder: "NAME-HASH.txt", the bytes a save would have written, and
// "NAME-HASH.info", which names the translation file they belong to. NAME is the translation
// file's name and HASH a hash of its whole path, so that files of one name in two projects keep
// apart, and the copy can be opened as it is by any text editor. While its editor runs, a copy
// also has a lock file, "NAME-HASH.lock" (script/copy_lock.h): a copy whose lock no running
// program holds was left by a run that ended. Editors running side by side with unsaved text of
// one file each keep their own copy, the second one in "NAME-HASH-2.txt" and so on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/copy_lock.h"

namespace ts2 {

class Program;

// What the information file says of a copy.
struct AutosaveInfo {
  std::string file;        // the translation file's whole path
  bool baseKnown = false;  // the hash of the file's bytes the edits started from is known
  uint64_t baseHash = 0;   // HashBytes of those bytes; 0 when the file did not exist (never made)
  int64_t time = 0;        // when the copy was written, in seconds since 1970 (UTC)
  // The edits began in an editor that could not make the file: there was none to start from.
  bool baseAbsent() const { return baseKnown && baseHash == 0; }
};
std::string AutosaveInfoText(const AutosaveInfo& info);
// A copy's time as "2026-12-07 16:40" in the user's time zone; empty when it is not known.
std::string LocalTime(int64_t seconds);
// std::nullopt for a file that is not such a text (another program's, damaged, cut short).
std::optional<AutosaveInfo> ParseAutosaveInfo(std::string_view text);

// The whole path `file` names (made absolute against the working directory, "." and ".."
// resolved as written, its folder named as the system names it, without symbolic links), the
// one key of its copy.
std::string AutosaveKey(const std::string& file);
// How many editors at once keep a copy of one file: slot 0 is "NAME-HASH", slot k "NAME-HASH-k+1".
constexpr int kAutosaveSlots = 8;
struct AutosavePaths {
  std::string text, info, lock;
};
AutosavePaths AutosavePathsOf(const std::string& folder, const std::string& file, int slot = 0);

// A copy found in the folder for a translation file.
struct KeptText {
  std::string bytes;                 // as a save writes them (CR LF line ends)
  std::optional<AutosaveInfo> info;  // none when the information file is missing or damaged
  int slot = 0;
};
// The copy in `slot` for `file`, if any, whether or not its editor still runs. A copy whose
// information file names another file (two paths with one hash) is not its copy.
std::optional<KeptText> FindKeptText(const std::string& folder, const std::string& file, int slot = 0);
// The copies of `file` that no running editor keeps: left by runs that ended without saving or
// dropping their text. In slot order.
std::vector<KeptText> LeftKeptTexts(const std::string& folder, const std::string& file);
// The process ids of the running editors (this process included) that keep a copy of `file`, 0
// for one whose id is not known.
std::vector<long> EditorsKeeping(const std::string& folder, const std::string& file);
// Removes the copy of `file` in `slot` (both files). False when one is still there.
bool RemoveKeptText(const std::string& folder, const std::string& file, int slot = 0);
// Writes the copy of `file` whole (each of its two files replaced atomically), making the folder
// when it is missing. False, with `error` saying why, when it could not be written.
bool WriteKeptText(const std::string& folder, const std::string& file, std::string_view bytes,
                   const AutosaveInfo& info, std::string* error, int slot = 0);
// The translation files of `files` that have a left copy in the folder, in their order.
std::vector<std::string> FilesWithKeptText(const std::string& folder, const std::vector<std::string>& files);

// The user's autosave folder: $XDG_STATE_HOME/ts2edit/autosave, or ~/.local/state/ts2edit/autosave
// when that is not set to a whole path, as the XDG base directory rules say; empty without either.
std::string UserAutosaveFolder();

// The strings (0 to `strings` - 1) whose sections read otherwise in two editor texts (lines
// separated by '\n'), in order.
std::vector<uint32_t> StringsThatDiffer(std::string_view before, std::string_view after, uint32_t strings);
// "string 3", "strings 0, 3 and 7".
std::string StringsNamed(const std::vector<uint32_t>& strings);
// "process 4711", "processes 4711, 4712" (an id of 0 as "unknown").
std::string ProcessesNamed(const std::vector<long>& ids);

// The editor's side: follows the Text Editor and writes, removes and offers copies.
class Autosave {
 public:
  explicit Autosave(Program& program) : program(program) {}
  Program& program;

  // Typing stops for this long before a copy is written; steady typing is copied this often.
  static constexpr int kPauseMs = 1000;
  static constexpr std::chrono::seconds kLongest{30};

  // The Text Editor's text changed (a key, a paste, an undo, a command's edit).
  void TextChanged();
  // Writes the copy now when the editor holds unsaved edits of its file, removes it when it does
  // not. Also what the pause runs. `closing`: for the window's close, which goes on whatever
  // comes of it, so nothing is said (no box, whose event loop would run the program's handlers).
  void Update(bool closing = false);
  // After a save, a load or a recovery copy: the copy this run wrote goes when the editor no
  // longer holds unsaved edits of its file.
  void Settle();
  // The editor's unsaved text was dropped on the user's word, or kept elsewhere (saved, a
  // recovery copy): its copy goes even though the editor still marks it modified.
  void Discard();
  // Whether this run's copy holds the Text Editor's text as it is now, for the next run to offer.
  bool KeepsCurrentText() const;
  // The Text Editor shows the current block's file: a copy an earlier run left for it is offered
  // (restore it, keep it as a recovery copy beside the file, or discard it). OfferLater asks once
  // the command under way has ended (Open ROM shows the first block twice). Only a file as it was
  // loaded is offered its copy: once typing has begun, the copy waits for the next showing.
  void Offer();
  void OfferLater();
  // The data file was loaded: names the blocks, other than the shown one, that have a copy
  // (once the command under way has ended).
  void ScriptLoaded();
  // The editor's unsaved text was kept only where it may not last (the temporary folder): this
  // run's copy is brought up to date (not once the window has closed) and let go of as Abandon
  // does, for the next showing of its file, or the next run, to offer.
  void Leave();
  // Lets go of the copy as a run that ends without closing (a crash) does: it stays on disk, no
  // longer this run's, and the next run offers it.
  void Abandon();

 private:
  std::string Folder() const;
  void Wait(int milliseconds);
  // Takes a slot for this run's copy of `file`; false when every slot is another editor's.
  bool Claim(const std::string& file);
  // Offers one left copy of the shown file; false when no other is to be offered now.
  bool OfferOne(const KeptText& left);
  // Tells, once a run for each file, that another running editor keeps unsaved text of `file`.
  void WarnOfOtherEditors(const std::string& file);
  bool waiting_ = false;
  bool pending_ = false;  // edits not copied yet
  unsigned keys_ = 0;
  std::chrono::steady_clock::time_point firstKey_, lastKey_;
  std::string written_;  // the file whose copy this run keeps, in slot_, under lock_
  int slot_ = 0;
  std::optional<CopyLock> lock_;
  uint64_t writtenHash_ = 0;
  std::vector<std::string> warned_;
  bool failureShown_ = false;
  bool unlockedShown_ = false;  // said once a run: the folder's locks hold nothing
  bool offerWaiting_ = false;
  void NameKeptBlocks();  // a failed write is reported once a run, not on every pause
};

}  // namespace ts2
