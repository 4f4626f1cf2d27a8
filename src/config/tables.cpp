// The data file's colour table and character table sections, which fill gCharTable (one-byte
// codes) and gCharTable16 (two-byte codes).
//
// Which table a "code=..." line describes is decided by where its "=" stands: at position 0, 1
// or 2 of the line the one-byte table, further right the two-byte table ("0041=A" is the
// two-byte code 0x0041).
//
// Input the tables cannot hold is dropped without touching any entry: a code entry whose code
// is not hexadecimal or lies beyond its table, a colour entry without a colour word, and a
// .NULL line with fewer than four words. A .NULL range is clipped to its table: the codes of the
// range that the table holds are marked, the others ignored.
#include <algorithm>
#include <new>

#include "config/config.h"
#include "config/loader.h"
#include "config/scan.h"
#include "core/fileutil.h"

namespace ts2 {

namespace {

constexpr uint32_t kCharTableSize = 256;
constexpr uint32_t kCharTable16Size = 65536;
constexpr size_t kWideEqualsPos = 3;  // an "=" here or further right: a two-byte code

std::string Placeholder(uint32_t code) {
  return Format("[$%02X]", code);
}

// The text word with its "\xHH" escapes turned into bytes. An escape takes the two characters
// after "\x" and reads them as hexadecimal up to the first one that is not a digit (none gives
// 0); an escape at the end of the word takes what is left. Other characters are copied.
std::string Unescape(std::string_view word) {
  if (word.find("\\x") == std::string_view::npos) return std::string(word);
  std::string bytes;
  for (size_t i = 0; i < word.size();) {
    if (word[i] != '\\' || i + 1 >= word.size() || word[i + 1] != 'x') {
      bytes.push_back(word[i++]);
      continue;
    }
    const size_t end = std::min(word.size(), i + 4);
    unsigned value = 0;
    for (size_t k = i + 2; k < end && IsHexDigit(word[k]); ++k) value = value * 16 + HexDigitValue(word[k]);
    bytes.push_back(static_cast<char>(value));
    i = end;
  }
  return bytes;
}

bool IsNullLine(const std::string& line, const char* oneByteKeyword) {
  return StartsWithNoCase(line, oneByteKeyword) || StartsWithNoCase(line, ".NULL16");
}

}  // namespace

bool DataFileReader::StoreText(CharEntry& entry, std::string_view bytes) {
  if (form_.AllocationFails(kAllocCharText)) return false;
  try {
    entry.text.emplace(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// ---- character table section ----

DataFileReader::SectionEnd DataFileReader::CharTableSection() {
  while (std::optional<std::string> line = NextLine()) {
    if (IsNullLine(*line, ".NULL ")) {
      if (!NullRange(*line)) return SectionEnd::OutOfMemory;
    } else if (const size_t equals = line->find('='); equals != std::string::npos) {
      if (!CodeEntry(*line, equals)) return SectionEnd::OutOfMemory;
    } else if (line->find(".ENDTABLE") != std::string::npos) {
      return SectionEnd::EndLine;
    }
    // anything else, data-file directives included, is ignored inside the section
  }
  return SectionEnd::EndOfFile;
}

// ".NULL first - last" (one-byte table) or ".NULL16 first - last" (two-byte table): every code
// of the range gets the placeholder text "[$%02X]" and the null flag; lengths stay as they are.
// The bounds are ParseValue numbers ("80" is decimal 80; "$80" is 0x80), swapped when reversed.
bool DataFileReader::NullRange(const std::string& line) {
  LineScanner scan(line);
  scan.word();
  const std::optional<std::string> first = scan.word();
  scan.word();  // the word between the bounds ("-", "to", ...)
  const std::optional<std::string> last = scan.word();
  if (!last) return true;

  const bool wide = StartsWithNoCase(line, ".NULL16");
  CharTable& table = wide ? form_.gCharTable16 : form_.gCharTable;
  const int64_t size = wide ? kCharTable16Size : kCharTableSize;
  int64_t from = ParseValue(*first), to = ParseValue(*last);
  if (from > to) std::swap(from, to);
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, size - 1);
  for (int64_t code = from; code <= to; ++code) {
    CharEntry& entry = table[static_cast<size_t>(code)];
    if (!StoreText(entry, Placeholder(static_cast<uint32_t>(code)))) return false;
    entry.nullFlag = 1;
  }
  return true;
}

// "code=text": the text word is the first run of non-blank characters after the "=", with its
// "\x" escapes turned into bytes. An empty text stores the placeholder and marks the code null.
bool DataFileReader::CodeEntry(std::string line, size_t equals) {
  line[equals] = ' ';
  LineScanner scan(line);
  const std::optional<uint32_t> code = scan.hex();
  if (!code) return true;
  const bool wide = equals >= kWideEqualsPos;
  if (*code >= (wide ? kCharTable16Size : kCharTableSize)) return true;
  CharEntry& entry = wide ? form_.gCharTable16[*code] : form_.gCharTable[*code];

  const std::string bytes = Unescape(scan.word().value_or(std::string()));
  if (bytes.empty()) {
    if (!StoreText(entry, Placeholder(*code))) return false;
    entry.length = 0;
    entry.nullFlag = 1;
    return true;
  }
  if (!StoreText(entry, bytes)) return false;
  entry.length = static_cast<uint16_t>(bytes.size());
  return true;
}

// ---- colour table section ----

DataFileReader::SectionEnd DataFileReader::ColourSection(std::string& endLine) {
  while (std::optional<std::string> line = NextLine()) {
    if (IsNullLine(*line, ".NULL=")) {
      NullColour(*line);
    } else if (const size_t equals = line->find('='); equals != std::string::npos) {
      CodeColour(*line, equals);
    } else if (line->find(".ENDCOLOR") != std::string::npos) {
      endLine = *line;
      return SectionEnd::EndLine;
    }
  }
  return SectionEnd::EndOfFile;
}

// ".NULL=colour" / ".NULL16=colour": the colour of every code of the table that has been
// declared null so far. A line without "=" is ignored.
void DataFileReader::NullColour(std::string line) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return;
  line[equals] = ' ';
  LineScanner scan(line);
  scan.word();
  const std::optional<std::string> word = scan.word();
  if (!word) return;
  const uint8_t colour = static_cast<uint8_t>(ParseValue(*word));
  const bool wide = StartsWithNoCase(line, ".NULL16");
  CharTable& table = wide ? form_.gCharTable16 : form_.gCharTable;
  const uint32_t size = wide ? kCharTable16Size : kCharTableSize;
  // Only entries that were written can be null: pages never made are skipped whole.
  for (uint32_t code = 0; code < size; code += CharTable::kPageSize)
    if (table.pageMade(code))
      for (uint32_t c = code; c < code + CharTable::kPageSize && c < size; ++c)
        if (table.at(c).nullFlag == 1) table[c].colour = colour;
}

// "code=colour": the colour of one code, whatever its null flag.
void DataFileReader::CodeColour(std::string line, size_t equals) {
  line[equals] = ' ';
  LineScanner scan(line);
  const std::optional<uint32_t> code = scan.hex();
  const std::optional<std::string> word = scan.word();
  if (!code || !word) return;
  const bool wide = equals >= kWideEqualsPos;
  if (*code >= (wide ? kCharTable16Size : kCharTableSize)) return;
  CharEntry& entry = wide ? form_.gCharTable16[*code] : form_.gCharTable[*code];
  entry.colour = static_cast<uint8_t>(ParseValue(*word));
}

}  // namespace ts2
