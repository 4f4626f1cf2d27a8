// Translation text files: one per block in the Dumps folder, named after the block's pointer
// table, holding one section per string:
//
//   .STRING 0
//   first line of string 0's translation
//   second line
//   .ENDS
//
// Lines outside sections (the comment header, blank lines) carry no meaning. Files are bytes
// with CR LF line ends; the editor holds them with '\n' line ends (FileBytesToEditorText).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2 {

inline constexpr char kSectionHeaderFormat[] = ".STRING %d";
inline constexpr char kSectionEnd[] = ".ENDS";

// "<dumpDir>/<8 upper-case hex digits of the block's pointer table offset>.txt".
std::string TranslationFileName(const std::string& dumpDir, uint32_t blockOffset);

// The exact bytes of a new translation file for a block of `count` strings: a three-line comment
// header and two empty lines, then for each string its header, two empty lines, the closing line
// and three empty lines, every line ended by CR LF.
std::string TranslationSkeleton(uint32_t count);

// Where section n lies in editor text (lines separated by '\n').
struct SectionLines {
  int match = 0;       // byte position of the header text's occurrence
  int headerLine = 0;  // the line holding it
  int endLine = 0;     // the closing line; the line count when no closing line follows
  bool closed = false;
};

// Finds section n as the display reads it: the first occurrence of ".STRING n" at or after byte
// `from`, compared without regard to case or to what surrounds it on its line (so ".STRING 1"
// also matches ".STRING 10"); the section ends at the first later line that reads ".ENDS" once
// spaces and control characters are trimmed from both ends. std::nullopt when no header is found.
std::optional<SectionLines> FindSection(std::string_view text, int32_t n, int from = 0);

// A section header written on a line: ".STRING n" in any letter case, with n in decimal as
// ".STRING %d" writes it (no leading zero) and not followed by a further digit, so that
// ".STRING 1" is not read out of ".STRING 10".
struct HeaderOnLine {
  long number;
  int column;  // 1-based column of its '.'
};
// Every header on `line`, left to right.
std::vector<HeaderOnLine> SectionHeadersOn(std::string_view line);

}  // namespace ts2
