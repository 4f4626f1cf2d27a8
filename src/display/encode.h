// Turning a translation section into the game's bytes, and the editor-text helpers around it.
//
// A section is its header line, its text lines and its closing line ".ENDS". Each text line
// becomes its characters' byte values, with these bracketed forms:
//   "[PLAYER]" -> 0xFD and "[NEWLINE]" -> 0xFE, in any letter case;
//   "[$4142]"  -> the bytes 0x41 0x42 (hexadecimal digits read in pairs up to the "]").
// Lines are separated by 0xFE and the last one is ended by 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/state.h"

namespace ts2 {

inline constexpr uint8_t kCodePlayer = 0xFD;
inline constexpr uint8_t kCodeNewLine = 0xFE;
inline constexpr uint8_t kCodeEnd = 0xFF;
inline constexpr size_t kLineBufferChars = 255;  // a line buffer of 256 bytes, zero included
inline constexpr char kClosingLine[] = ".ENDS";

// Encodes the section held in `lines` (line 0 is the header). The result never exceeds
// `capacity` bytes and always ends with 0xFF:
//  - text lines longer than 255 characters are cut to their first 255;
//  - a text line followed by a line that begins with ".ENDS" in any letter case ends the
//    string; so does the last text line when no such line follows (no closing line, or one
//    with leading blanks);
//  - a section without text lines gives a lone 0xFF;
//  - output that would not fit is cut so that its last byte is 0xFF.
std::vector<uint8_t> EncodeSectionLines(const std::vector<std::string>& lines,
                                        size_t capacity = kTransTextSize);

// Where a byte of an encoded section comes from.
enum class ByteSource : uint8_t {
  kText,     // a character, written as its own value
  kStray,    // a "[" that opened neither a tag nor a "[$" run, written as its own value
  kTag,      // "[PLAYER]" or "[NEWLINE]"
  kHexPair,  // one pair of a "[$" run
  kLineEnd,  // the 0xFE between two text lines
};
struct TracedByte {
  uint8_t value;
  ByteSource source;
  int line;    // index in the section's lines (the line a line end closes)
  int column;  // 1-based column of its first character (a line end: the line's length + 1)
  int start;   // 1-based column of the "[" that opened its tag or run; `column` for the others
};
struct SectionTrace {
  std::vector<TracedByte> bytes;  // what EncodeSectionLines makes, without the final 0xFF or a cut
  int endLine = 1;                // lines 1 to endLine - 1 are the text lines encoded
};
// The encoding of a section with the origin of every byte, for checking a translation; at most
// `limit` bytes are kept.
SectionTrace TraceSectionLines(const std::vector<std::string>& lines, size_t limit = kTransTextSize);

// Where the encoder reads a tag ("[PLAYER]", "[NEWLINE]") or a "[$" run in a text line: the
// 0-based column ranges [first, last) from its "[" to its "]" (or the line's end), in order.
std::vector<std::pair<int, int>> CodeSpans(std::string_view line);

// Editor text split into lines as the editor counts them: '\n' separates lines, and a final
// '\n' opens no further line.
std::vector<std::string> SplitEditorLines(std::string_view text);
// The inverse: lines joined so that SplitEditorLines gives them back (a last empty line keeps
// a final '\n').
std::string JoinEditorLines(const std::vector<std::string>& lines);

// True for a section's closing line: ".ENDS" once blanks and control characters are trimmed.
bool IsClosingLine(std::string_view line);

// The section whose header is line `first` of the editor text: its lines up to and including the
// first one that, trimmed of blanks and control characters, reads exactly ".ENDS", or up to the
// end of the text.
std::vector<std::string> SectionAt(std::string_view text, int first);
// The same from the text's lines (as SplitEditorLines gives them), without reading the lines before.
std::vector<std::string> SectionAt(const std::vector<std::string>& lines, int first);

}  // namespace ts2
