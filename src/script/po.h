// gettext PO files, the exchange format of translation tools (Poedit, Weblate, OmegaT, Lokalize,
// Transifex and the gettext utilities): the script goes out as one entry a string and comes back
// with the translations filled in.
//
// An entry is written as
//
//   # translator's comment
//   #. comment from the program (the block, the string, lint findings)
//   #: 000A0000.txt:27
//   #, fuzzy
//   msgctxt "context"
//   msgid "original text"
//   msgstr ""
//   "translated first line\n"
//   "second line"
//
// Texts are UTF-8. A text holding line breaks is written a line a string, after an empty first
// string, as the gettext utilities write it; a line break, tab, carriage return, backslash and
// quote are escaped, other control characters written as octal escapes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2::po {

struct Entry {
  std::vector<std::string> comments;    // "# " lines, without the "# "
  std::vector<std::string> extracted;   // "#." lines
  std::vector<std::string> references;  // "#:" lines
  std::vector<std::string> flags;       // from "#," lines, each flag alone ("fuzzy", "c-format")
  std::optional<std::string> context;   // msgctxt
  std::string id, str;                  // msgid, msgstr
  int line = 0;                         // 1-based line of its msgid in the file read

  bool fuzzy() const;
  // The header entry: the empty msgid without a context.
  bool header() const { return id.empty() && !context; }
};

// `text` as a PO string, quotes included: "a\tb".
std::string Quote(std::string_view text);
// One entry, ended by a line break (no empty line after it).
std::string Write(const Entry& entry);

// A PO file's entries, in file order, the header among them. Obsolete entries ("#~") and previous
// strings ("#|") are left out. std::nullopt with `error` ("LINE: what is wrong") for anything the
// gettext utilities would not read: text that is not UTF-8, or a header naming another charset,
// an unknown keyword or escape, a string not closed, a msgstr with no msgid, an entry with a
// keyword twice; plural entries (msgid_plural) have no place in a script and are refused too.
std::optional<std::vector<Entry>> Parse(std::string_view text, std::string& error);

}  // namespace ts2::po
