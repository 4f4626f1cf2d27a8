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

// Editor text split into lines as the editor counts them: '\n' separates lines, and a final
// '\n' opens no further line.
std::vector<std::string> SplitEditorLines(std::string_view text);
// The inverse: lines joined so that SplitEditorLines gives them back (a last empty line keeps
// a final '\n').
std::string JoinEditorLines(const std::vector<std::string>& lines);

// The section whose header is line `first` of the editor text: its lines up to and including the
// first one that, trimmed of blanks and control characters, reads exactly ".ENDS", or up to the
// end of the text.
std::vector<std::string> SectionAt(std::string_view text, int first);

}  // namespace ts2
