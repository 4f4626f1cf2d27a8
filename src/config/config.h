// The configuration files: the text block data file (directives, block lines, the colour and
// character table sections) and the table file. The loaders themselves are TmyForm handlers
// (LoadDataFileClick, LoadDataFile, LoadTableFile1Click, ReadTableFile, ClearTableFile); this
// header holds the number readers they share and the texts they show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ts2 {

// Line buffers of the two formats (the C library's fgets sizes: 255 and 254 bytes a read).
inline constexpr size_t kDataFileLineBuffer = 256;
inline constexpr size_t kTableFileLineBuffer = 255;

// Messages.
inline constexpr char kMsgDataFileOpenFailed[] = "Fatal Error: Could not open FONT file!";
inline constexpr char kMsgTableDataNoMemory[] = "Error: Program outof memory. 'TABLE DATA Load'. ";
inline constexpr char kMsgTableFileOpenFailed[] = "Could not load the table file...";
inline constexpr char kMsgTableFileNoMemory[] = "Error Allocating Memory for the Table File...";

// Names given to the allocation test hook (Ts2Main::failAllocation) before a text is stored.
inline constexpr char kAllocCharText[] = "gCharText";  // a character table entry's text
inline constexpr char kAllocTblText[] = "gTblText";    // a table file slot's text

// The data file's number reader. The first matching rule decides:
//   "X", "x" or "$" first        hexadecimal from the second character
//   "'" first                    the code of the second character (0-255)
//   "0x" / "0X" first            hexadecimal from the third character
//   "0" first otherwise          decimal ("0F" is 0, "010" is 10)
//   "\x" / "\X" first            hexadecimal from the third character
//   "\" first otherwise          decimal from the backslash, which is 0
//   any letter A-F/a-f anywhere  hexadecimal ("1F" is 31)
//   otherwise                    decimal ("100" is 100)
// Conversions are strtoul's on a 32-bit unsigned long: leading blanks and one sign are accepted,
// digits run to the first character that is not one of the base, an overflow gives 0xFFFFFFFF.
// A word ends at its first zero byte.
int32_t ParseValue(std::string_view word);

// An SNES address from the data file as a ROM offset: bits 22 and 23 cleared (0 stays 0).
uint32_t SnesToFileOffset(uint32_t value);

}  // namespace ts2
