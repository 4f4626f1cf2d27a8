// Program state: the unit Ts2_main. Every variable the editor keeps between events lives in one
// Ts2Main object owned by the main form; nothing is a mutable global, so every test gets a fresh
// program. Names follow the system's own (gROM, gWRAM, gFONT, ...).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/filestamp.h"
#include "core/toolkit.h"

namespace ts2 {

class SpellChecker;  // display/spelling.h

// Sizes fixed by the system.
inline constexpr uint32_t kWramSize = 0x20000;       // Working RAM
inline constexpr uint32_t kTransTextSize = 0x20000;  // translated byte string buffer
inline constexpr uint32_t kPageBytes = 0xE4000;      // one text page's pixel buffer
inline constexpr uint16_t kPageHeight = 0x300;       // 768 rows
inline constexpr int kMaxBlocks = 4096;              // entries of each block table
inline constexpr uint32_t kTitleOffset = 0xFFC0;     // the game's internal title (high-ROM header)
inline constexpr uint32_t kFontTableOffset = 0x130000;
inline constexpr char kGameTitle[] = "TORMEL SARAGON2";  // compared over 15 bytes
// How many characters of the widest glyph the player's name is measured as, unless the
// translator sets another width (View > Player Name Width, ts2tool check --player-width).
inline constexpr int kDefaultPlayerWidth = 8;
inline constexpr int kMaxPlayerWidth = 64;

// One text page: a tall off-screen strip of 16-bit pixels.
struct TextPage {
  std::unique_ptr<uint16_t[]> pixels;  // kPageBytes bytes
  uint16_t scroll = 0;                 // first page row shown in the box
  uint16_t top = 0;                    // bitmap row where the page window is copied
  uint16_t width = 0;                  // 280 for the ROM text, 232 for the translation
  uint16_t height = 0;                 // 768
};

// A text box's tile map.
struct BoxMap {
  std::array<uint8_t, 128 * 128> tiles{};
  uint16_t rows = 0, cols = 0, curRow = 0, curCol = 0;
};

// One character of the colour and character tables.
struct CharEntry {
  uint16_t length = 0;
  uint8_t colour = 0;
  uint8_t nullFlag = 0;
  std::optional<std::string> text;  // the bytes (may hold zero bytes); none at start
};

// The IPS patcher's record of the patch being applied.
struct IpsState {
  int32_t patchLength = 0;
  uint32_t recordOffset = 0;
  uint16_t recordSize = 0;
  uint8_t runByte = 0;
  std::string patchPath;  // the whole path: a path is never cut short
};

struct Ts2Main {
  // --- ROM image ---
  std::unique_ptr<uint8_t[]> romAlloc;  // the whole file as read, copier header included
  uint8_t* gROM = nullptr;              // romAlloc + gROMHeaderSize; null while no ROM is loaded
  uint32_t gROMSize = 0;                // file size, header included
  uint32_t gROMHeaderSize = 0;          // gROMSize AND 0x200
  std::string gROMPath;
  // The game data past the copier header (empty while no ROM is loaded).
  std::span<const uint8_t> RomData() const {
    return gROM ? std::span<const uint8_t>(gROM, gROMSize - gROMHeaderSize) : std::span<const uint8_t>();
  }

  // --- paths ---
  std::string gStartDir;
  std::string gDumpDir;
  std::string gTextPath;
  std::string gTablePath;
  std::string dataFilePath;  // the text block data file last read (the editor remembers settings by it)

  // --- what was last read from or written to gTextPath and gROMPath (a change made by another
  // program is asked about before it is written over), and what the window's activation last
  // asked about, so it does not ask twice about the same change ---
  FileStamp textFileStamp, romFileStamp;
  FileStamp textFileSeen, romFileSeen;

  // --- flags ---
  uint8_t gMainReady = 0;
  uint8_t gDataLoaded = 0;
  uint8_t gROMModified = 0;

  // --- work buffers, made once by FormCreate ---
  Bitmap gBitmap;
  std::unique_ptr<uint16_t[]> gVideo;  // width x height x 4 bytes
  std::array<TextPage, 2> gPages;      // 0: ROM text, 1: translation
  std::unique_ptr<uint32_t[]> gBlockOffset, gBlockStrings, gBlockField2, gBlockField3;
  std::unique_ptr<uint8_t[]> gWRAM;
  std::unique_ptr<uint8_t[]> gTransText;
  std::unique_ptr<CharEntry[]> gCharTable;    // 256 entries
  std::unique_ptr<CharEntry[]> gCharTable16;  // 65536 entries
  int32_t gDefClientW = 0, gDefClientH = 0;

  // --- font ---
  std::unique_ptr<uint8_t[]> gFONT;  // 32 bytes a glyph
  uint32_t gFONTSize = 0;            // bytes in gFONT

  // --- decompression ---
  uint16_t gRingPos = 0;
  uint32_t gDumpSize = 0;

  // --- blocks and strings ---
  int32_t gCurBlock = 0;
  uint32_t gCurBlockOffset = 0;
  uint16_t gCurStringCount = 0;
  int32_t gCurString = 0;
  uint16_t gStringPtr = 0;

  // --- data file ---
  uint16_t gLineWidth = 0;
  uint8_t gGlyphH = 0, gGlyphW = 0, gWidthScale = 0;
  std::array<uint8_t, 5> gFormatReserved{};
  uint32_t gFontAddress = 0;

  // --- table file ---
  std::array<std::optional<std::string>, 256> gTblChar, gTblString, gTblWide;

  // --- string display ---
  std::string gFindText;  // the search text of the find dialog Find1
  // The fit panel's width of the player's name in characters (View > Player Name Width; the
  // editor remembers it between runs). Not a data-file setting.
  int32_t gPlayerWidth = kDefaultPlayerWidth;
  int32_t gSectionLine = -1;
  int32_t gFindFrom = 0, gFindLen = 0, gFindPos = -1;
  int32_t gTopLine = 0;

  // --- renderer ---
  const uint8_t* gTextSrc = nullptr;
  int gPage = 0;  // index into gPages of the page being drawn
  BoxMap gBoxMap;
  std::array<uint8_t, 256> gGlyphCell{};
  uint16_t gPenX = 0, gPenY = 0, gGlyph = 0;
  uint8_t gTextColour = 15;

  // --- spelling: the dictionary the front end set for the translator's language, with the
  // project's words; null while spelling is off. The fit panel counts the shown string's
  // unknown words with it. ---
  std::shared_ptr<SpellChecker> spelling;
  // The word being typed (the Text Editor's line and the byte column its end is at, where the last
  // edit ended and the caret still is; line -1: none): like the underlines, the fit panel does not
  // count it yet, so the count does not change with every letter of a word.
  struct TypingEnd {
    int line = -1, column = 0;
  } typingEnd;

  // --- IPS patcher ---
  IpsState gIPS;

  // --- dialogs kept between commands ---
  FileDialog Open1;
  FileDialog FSave;

  // ts2tool patch sets this: an IPS patch that carries a truncation size cuts the image to it. The
  // editor's PATCH command reads nothing after "EOF".
  bool ipsTruncation = false;

  // Test hook: when set, called before each large allocation with the buffer's name
  // ("gBitmap", "gVideo", "gROM", "gFONT", ...); returning true makes that allocation fail.
  std::function<bool(const std::string& what)> failAllocation;
};

}  // namespace ts2
