// The project dictionary: the translation team's own words (the game's places, characters and
// items), a plain UTF-8 word list kept in the translations folder as "words.txt", one word a
// line, so that the team shares it through its repository. The spelling check knows its words
// (display/spelling.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/filestamp.h"

namespace ts2 {

inline constexpr char kProjectWordsFile[] = "words.txt";

// "<dumpDir>/words.txt".
std::string ProjectWordsPath(const std::string& dumpDir);

// The words of a list: its lines (CR LF, LF or CR line ends, a UTF-8 byte-order mark at the start of
// any line skipped), each trimmed of blanks and control characters, empty ones dropped; sorted, each once.
// A line that is not UTF-8 is kept as it is, so that writing the list back loses nothing.
std::vector<std::string> ParseWordList(std::string_view bytes);
// The bytes of a list: its words sorted, each once, one a line ended by LF.
std::string FormatWordList(std::vector<std::string> words);

class ProjectDictionary {
 public:
  explicit ProjectDictionary(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  const std::vector<std::string>& words() const { return words_; }

  // Reads the file again when another program changed it since it was last read or written (a
  // missing or unreadable file holds no words). True when that changed the words.
  bool refresh();
  // Adds a word (UTF-8, trimmed): the file is read again first, so that words others added
  // meanwhile are kept, then written whole, sorted and atomically. A word already there writes
  // nothing. False, with `error` saying why, for an empty word or one with a line break, when the
  // file is there but cannot be read (writing would replace the words it holds with this one), or
  // when it cannot be written: the list is then as it was.
  bool add(std::string_view word, std::string* error = nullptr);

 private:
  bool reread();
  std::string path_;
  std::vector<std::string> words_;
  FileStamp stamp_;        // unknown while no file was read
  std::string readError_;  // why the file that is there could not be read at the last try
};

}  // namespace ts2
