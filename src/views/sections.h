// A whole translation text read at once: its lines and where each string's section lies, for the
// passes that look at every string of a block (string states, find and replace).
//
// Lines end with CR LF, a lone LF or a lone CR, as the editor loads a file, so the same index
// serves a file's bytes and the Text Editor's text. A string's section is the first line holding
// its header (".STRING n" as SectionHeadersOn reads it, which is how `ts2tool check` finds it);
// the section runs to the first later line that reads ".ENDS" once trimmed, as the display reads
// it. Its body, for find and replace, is the lines after the header up to that closing line or
// up to the next line holding a header, whichever comes first: header lines are never changed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ts2 {

struct TextLine {
  size_t start = 0, end = 0;  // [start, end): the line without its line end
};

class SectionIndex {
 public:
  // Indexes `text` (which must outlive the index) for the strings 0 to `strings` - 1.
  SectionIndex(std::string_view text, uint32_t strings);

  std::string_view text() const { return text_; }
  const std::vector<TextLine>& lines() const { return lines_; }
  std::string_view line(int index) const;
  uint32_t strings() const { return static_cast<uint32_t>(header_.size()); }

  // Line of string n's header, or -1 when the text has none.
  int header(uint32_t n) const { return header_[n]; }
  // String n's section as the display and the lint read it: its header line, its text lines and
  // its closing line (when one follows).
  std::vector<std::string> sectionLines(uint32_t n) const;
  // The same into `out`, whose strings keep their storage from one section to the next.
  void sectionLines(uint32_t n, std::vector<std::string>& out) const;
  // The last line of string n's section (its closing line when one follows), or -1 without one.
  int lastLine(uint32_t n) const {
    return header_[n] < 0 ? -1 : std::min(close_[n], static_cast<int>(lines_.size()) - 1);
  }
  // The lines [first, end) of string n's body: after its header, up to its closing line or the
  // next line holding a header (strings whose headers share a line share it). {0, 0} without a
  // section.
  std::pair<int, int> body(uint32_t n) const;
  // The lines of string n's body when it is translated: more than blanks and control characters
  // in it, as List Data counts a string translated; empty otherwise.
  std::vector<std::string> translation(uint32_t n) const;
  // The string whose body holds line `index`, or -1.
  int32_t bodyOf(int index) const { return bodyOf_[static_cast<size_t>(index)]; }
  // The line holding byte `position` of the text (a line end belongs to the line it ends).
  int lineAt(size_t position) const;

 private:
  std::string_view text_;
  std::vector<TextLine> lines_;
  std::vector<int> header_, close_;  // per string; close_ is the closing line or the line count
  std::vector<int32_t> bodyOf_;      // per line
};

// Per string, the line where the editor's search for its header lands, or -1 where it finds none:
// the search takes the first ".STRING " (in any case) followed by digits that begin with the
// string's own, so ".STRING 10" before ".STRING 1" is what string 1 shows, and what typing there
// changes. One pass over the text.
std::vector<int> ShownHeaderLines(const SectionIndex& index);

// Whether `line` reads ".ENDS" once spaces and control characters are trimmed from both ends.
bool IsSectionEnd(std::string_view line);

}  // namespace ts2
