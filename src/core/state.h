// Program state: the unit Ts2_main. Every variable the editor keeps between events lives in one
// Ts2Main object owned by the main form; nothing is a mutable global, so every test gets a fresh
// program. Names follow the system's own (gROM, gWRAM, gFONT, ...).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

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

// Frees a buffer as it was made: with free() when it came from ZeroBuffer (or malloc), with
// delete[] when it came from new[] (std::make_unique), so either kind can be handed over, and
// with munmap() when it was mapped straight from the system (`mapped` bytes of it).
struct BufferDeleter {
  bool fromMalloc = false;
  size_t mapped = 0;
  BufferDeleter() = default;
  explicit BufferDeleter(bool malloced) : fromMalloc(malloced) {}
  static BufferDeleter Mapped(size_t length) {
    BufferDeleter d;
    d.mapped = length;
    return d;
  }
  template <typename T>
  BufferDeleter(std::default_delete<T[]>) {}  // NOLINT: a new[] buffer converts implicitly
  template <typename T>
  void operator()(T* p) const {
    if (mapped != 0) {
      Unmap(p, mapped);
    } else if (fromMalloc) {
      std::free(p);
    } else {
      delete[] p;
    }
  }
  static void Unmap(const void* p, size_t length);
};
template <typename T>
using Buffer = std::unique_ptr<T[], BufferDeleter>;

// `count` zero elements, or null when there is no memory for them. Large buffers come straight
// from the system as untouched zero pages: they cost nothing until they are written.
template <typename T>
Buffer<T> ZeroBuffer(size_t count) {
  static_assert(std::is_trivial_v<T>);
  return Buffer<T>(static_cast<T*>(std::calloc(count > 0 ? count : 1, sizeof(T))), BufferDeleter(true));
}

// One text page: a tall off-screen strip of 16-bit pixels.
struct TextPage {
  Buffer<uint16_t> pixels;  // kPageBytes bytes
  uint16_t scroll = 0;      // first page row shown in the box
  uint16_t top = 0;         // bitmap row where the page window is copied
  uint16_t width = 0;       // 280 for the ROM text, 232 for the translation
  uint16_t height = 0;      // 768
  // Pixels from here on have not been written since the page was last cleared: those the clear
  // covers are still zero, and the next clear need not touch them. The whole buffer until the
  // first clear.
  uint32_t dirtyEnd = kPageBytes / sizeof(uint16_t);
};

// A text box's tile map.
struct BoxMap {
  std::array<uint8_t, 128 * 128> tiles{};
  uint16_t rows = 0, cols = 0, curRow = 0, curCol = 0;
};

// The ROM string's box as RenderString last drew it. Typing in the Text Editor draws both boxes
// on every key, and the ROM box cannot change while what it is drawn from stays the same: the
// string's glyphs and the font bytes they read, the cell, the box style, the page's scroll and
// the buffers drawn into. The page and the box in gVideo stay as the pass left them (no other code
// writes the ROM page or those rows of gVideo) and are put into the bitmap again; what the pass
// leaves in the renderer's state is kept here.
struct RomBoxDrawn {
  bool valid = false;
  // What the pass reads.
  std::vector<uint8_t> key;
  // What it leaves besides its pixels.
  BoxMap boxMap;
  std::array<uint8_t, 256> glyphCell{};
  uint16_t penX = 0, penY = 0, glyph = 0;
  uint32_t dirtyEnd = 0;
  uint64_t bitmapStamp = 0;  // the stamp its rows of gBitmap got when they were last written
  uint64_t kept = 0;         // passes it saved
};

// The translation page as its last drawing left it, so that typed text is drawn in place: each
// glyph with the page pixels it could write as they were before it. An edit takes back the
// glyphs from its first changed byte on, the last first, which leaves the page as the glyphs
// before them left it, and draws the text from there.
struct TransTextDrawn {
  static constexpr int kUnderRows = 16, kUnderCols = 9;  // the translation cell and its shadow column
  // Glyphs recorded at most (about 1.2 MB): a longer text is drawn afresh on every drawing.
  static constexpr size_t kMaxGlyphs = 4096;
  bool valid = false;
  std::vector<uint8_t> key;   // what the drawing reads besides the text
  std::vector<uint8_t> text;  // the bytes it read, the end code included when it met one
  struct Glyph {
    uint32_t index = 0;               // of its byte in `text`
    uint16_t penX = 0, pageY = 0;     // where it was drawn: page column and row
    uint16_t afterX = 0, afterY = 0;  // the pen it left
    uint32_t dirtyBefore = 0;         // the page's dirtyEnd before it
    std::array<uint16_t, kUnderRows * kUnderCols> under{};
  };
  std::vector<Glyph> glyphs;
  bool inPlace = false;                       // the last drawing took glyphs back and drew from there
  uint32_t changedFirst = 0, changedEnd = 0;  // the page rows it changed, when in place
  // The box's rows of gBitmap as its last drawing wrote them, with the stamp each got.
  bool shown = false;
  uint16_t scroll = 0;
  std::vector<uint64_t> rowStamps;
  uint64_t kept = 0;  // drawings done in place
};

// One character of the colour and character tables.
struct CharEntry {
  uint16_t length = 0;
  uint8_t colour = 0;
  uint8_t nullFlag = 0;
  std::optional<std::string> text;  // the bytes (may hold zero bytes); none at start
};

inline constexpr uint8_t kStartColour = 0x0F;  // every entry's colour at start

// A colour and character table: entries in pages of 256, each page made when one of its entries
// is first written, so a table of 65,536 entries costs nothing until a data file fills it. An
// entry never written reads as the start state: colour 0x0F, nothing else set.
class CharTable {
 public:
  explicit CharTable(size_t size = 0) : size_(size), pages_((size + kPageSize - 1) / kPageSize) {}
  size_t size() const { return size_; }
  explicit operator bool() const { return size_ > 0; }  // made (by FormCreate)
  const CharEntry& operator[](size_t code) const {
    const auto& page = pages_[code / kPageSize];
    return page ? page[code % kPageSize] : kStart;
  }
  const CharEntry& at(size_t code) const { return (*this)[code]; }  // reads without making a page
  CharEntry& operator[](size_t code) {
    auto& page = pages_[code / kPageSize];
    if (!page) {
      page = std::make_unique<CharEntry[]>(kPageSize);
      for (size_t i = 0; i < kPageSize; ++i) page[i].colour = kStartColour;
    }
    return page[code % kPageSize];
  }
  // Whether the page holding `code` has been made (entries of other pages are in the start state).
  bool pageMade(size_t code) const { return pages_[code / kPageSize] != nullptr; }
  void releaseTexts() {
    for (auto& page : pages_)
      if (page)
        for (size_t i = 0; i < kPageSize; ++i) page[i].text.reset();
  }
  static constexpr size_t kPageSize = 256;

 private:
  static inline const CharEntry kStart{0, kStartColour, 0, std::nullopt};
  size_t size_;
  std::vector<std::unique_ptr<CharEntry[]>> pages_;
};

// A read-only look at a character table: the program's CharTable, or entries in a span (as tests
// and fuzz targets give them). No table at all is a table of no entries.
class CharLookup {
 public:
  CharLookup() = default;
  CharLookup(const CharTable& table) : table_(&table) {}  // NOLINT: converts implicitly
  template <typename Entries>
  requires std::is_convertible_v<const Entries&, std::span<const CharEntry>> CharLookup(
      const Entries& entries)
      : entries_(entries) {}  // NOLINT: converts implicitly
  size_t size() const { return table_ ? table_->size() : entries_.size(); }
  const CharEntry& operator[](size_t code) const { return table_ ? table_->at(code) : entries_[code]; }

 private:
  const CharTable* table_ = nullptr;
  std::span<const CharEntry> entries_;
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
  Buffer<uint8_t> romAlloc;     // the whole file as read, copier header included
  uint8_t* gROM = nullptr;      // romAlloc + gROMHeaderSize; null while no ROM is loaded
  uint32_t gROMSize = 0;        // file size, header included
  uint32_t gROMHeaderSize = 0;  // gROMSize AND 0x200
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
  // The data file as the block and character tables were read from it.
  FileStamp dataFileStamp;

  // --- flags ---
  uint8_t gMainReady = 0;
  uint8_t gDataLoaded = 0;
  uint8_t gROMModified = 0;

  // --- work buffers, made once by FormCreate ---
  Bitmap gBitmap;
  Buffer<uint16_t> gVideo;         // width x height x 4 bytes
  std::array<TextPage, 2> gPages;  // 0: ROM text, 1: translation
  Buffer<uint32_t> gBlockOffset, gBlockStrings, gBlockField2, gBlockField3;
  Buffer<uint8_t> gWRAM;
  Buffer<uint8_t> gTransText;
  CharTable gCharTable;    // 256 entries
  CharTable gCharTable16;  // 65536 entries
  // Counts the changes to what the original strings are read from: the ROM image (loaded,
  // reloaded, patched), the block tables and the character tables (a data file loaded). Whoever
  // changes one of them counts; what keeps texts derived from them compares it.
  uint64_t scriptGeneration = 0;
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
  RomBoxDrawn romBoxDrawn;
  // false: both boxes are drawn afresh every time (tests compare the two).
  bool keepRomBox = true;
  TransTextDrawn transTextDrawn;
  // The translation box's frame and fill as DrawTextBox draws them: they depend on the box colour
  // and fill only, and are copied in while those stay (keepRomBox false: drawn every time).
  struct TransBoxDrawn {
    bool valid = false;
    int colourShift = 0;
    bool solid = false;
    std::vector<uint16_t> pixels;  // the box's rows, its width each
    // gVideo (this buffer, this stride) holds them in the box's rectangle.
    bool inVideo = false;
    const uint16_t* video = nullptr;
    int videoWidth = 0;
    uint64_t kept = 0;  // drawings it saved
  } transBoxDrawn;

  // --- spelling: the dictionary the front end set for the translator's language, with the
  // project's words; null while spelling is off. The fit panel counts the shown string's
  // unknown words with it. ---
  std::shared_ptr<SpellChecker> spelling;
  std::string spellingLanguage;  // its dictionary's language ("fr_FR"); empty while spelling is off
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
