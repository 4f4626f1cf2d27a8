// The Similar Strings window's contents: for the shown string, the strings of the script already
// translated whose original text is like its own (views/similar.h), best first, with their
// translations; one is put into the Text Editor as the shown string's translation.
//
// While the window is hidden nothing is done. While it is shown, the originals are decoded when
// the script may have changed (the window asked for, a ROM or data file loaded, a patch applied),
// the other blocks' files are read again when they changed on disk (looked at whenever another
// string is shown and when the user comes back from another program), and the shown block's
// translations are taken from the Text Editor whenever another string is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/filestamp.h"
#include "views/similar.h"

namespace ts2 {

class Program;

class SimilarPanel {
 public:
  explicit SimilarPanel(Program& program) : program(program) {}
  Program& program;

  static constexpr int kDefaultLikeness = 70;  // percent
  static constexpr size_t kShownMatches = 20;

  std::vector<SimilarMatch> matches;  // for the shown string, best first
  std::vector<std::string> places;    // per match: "Block CA0000 string 4" (UTF-8)
  // Per match: the parts of its original that differ from the shown string's (byte ranges).
  std::vector<std::vector<std::pair<size_t, size_t>>> differing;
  // Per match: its original is the shown string's, translated otherwise than the shown string
  // is (as `ts2tool check --consistency` would name it).
  std::vector<bool> otherwise;
  std::string summary;             // the line above them
  int atLeast = kDefaultLikeness;  // the least likeness shown, percent

  bool shown = false;              // the window is on screen (its toolkit keeps this current)
  std::function<void()> onChange;  // matches or summary changed

  void Show();                  // View > Similar Strings: everything read again, the window shown
  void StringShown();           // another string is shown, or the shown one again (every key)
  void ScriptLoaded();          // another ROM or data file: all read again for the next string
  void ScriptMayHaveChanged();  // the image was patched: all read again now
  void FilesMayHaveChanged();   // the user came back from another program: changed files read
  void SetLeast(int percent);   // the window's threshold changed
  // Edit > Use Similar Translation: the best match's translation made the shown string's, the
  // window shown or not; asks first when the string has a translation of its own, and says so
  // when there is no match.
  void UseBest();
  // Puts the translation of match `row` into the Text Editor as the shown string's section body,
  // in place of what it holds (one step to undo), and brings the Text Editor back to the front.
  // False without a shown string's section.
  bool UseTranslation(size_t row);

 private:
  void Refresh();                                  // what changed read again, then Follow
  std::string Place(const SimilarMatch& m) const;  // "Block CA0000 string 4" (UTF-8)
  void Follow();                                   // the matches of the shown string
  TranslationMemory memory_;
  bool stale_ = true;
  struct Shown {
    int32_t block = -1, string = -1;
    bool operator==(const Shown&) const = default;
  } last_;
  struct Read {
    std::string file;
    FileStamp stamp;
  };
  std::vector<Read> read_;  // per block line: what its translations were read from
};

}  // namespace ts2
