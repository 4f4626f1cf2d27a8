// The table file (*.tbl): lines "XX=text" and "XXXX=text" pairing game codes with texts.
//
// A code must begin with a hexadecimal digit: a line whose code starts with a blank, a sign or
// any other character is skipped, as it could only read as 0 or fall outside the tables.
#include <new>

#include "config/config.h"
#include "config/scan.h"
#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {
constexpr size_t kShortEqualsPos = 2;  // "41=A": a two-digit code
constexpr size_t kWideEqualsPos = 4;   // "8140=A": a four-digit code, of which the low byte counts

// The code's hexadecimal digits, read up to the first character that is not one.
uint32_t CodeValue(std::string_view digits) {
  uint32_t value = 0;
  for (char c : digits) {
    if (!IsHexDigit(c)) break;
    value = value * 16 + static_cast<uint32_t>(HexDigitValue(c));
  }
  return value;
}
}  // namespace

void TmyForm::LoadTableFile1Click(TObject /*Sender*/) {
  // The file name is left as the dialog's last use left it.
  Open1.title = "Open TABLE File";
  Open1.filter = "Table File | *.tbl";
  Open1.initialDir = gStartDir;
  if (!ui.runOpenDialog(Open1) || Open1.files.empty()) return;
  const std::string path = Open1.files.front();
  gTablePath = path;  // set before reading: a table file has been chosen
  ReadTableFile(path);
}

void TmyForm::ReadTableFile(const std::string& path) {
  std::optional<TextLineReader> lines = TextLineReader::Open(path, kTableFileLineBuffer);
  if (!lines) {
    ui.message(kMsgTableFileOpenFailed);
    return;
  }
  ClearTableFile();
  while (std::optional<std::string> read = lines->next()) {
    std::string line(UpToZero(*read));
    if (line.find('\n') != std::string::npos) line.pop_back();  // only the last read of a line has it

    size_t equals;
    if (line.size() > kShortEqualsPos && line[kShortEqualsPos] == '=') {
      equals = kShortEqualsPos;
    } else if (line.size() > kWideEqualsPos && line[kWideEqualsPos] == '=') {
      equals = kWideEqualsPos;
    } else {
      continue;
    }
    if (!IsHexDigit(line[0])) continue;
    const uint32_t code = CodeValue(std::string_view(line).substr(0, equals));
    const std::string_view text = std::string_view(line).substr(equals + 1);

    std::optional<std::string>& slot = equals == kWideEqualsPos ? gTblWide[code & 0xFF]
                                       : text.size() <= 1       ? gTblChar[code]
                                                                : gTblString[code];
    bool stored = !AllocationFails(kAllocTblText);
    if (stored) {
      try {
        slot.emplace(text);
      } catch (const std::bad_alloc&) {
        stored = false;
      }
    }
    if (!stored) {
      ui.message(kMsgTableFileNoMemory);
      ClearTableFile();
      return;
    }
  }
}

void TmyForm::ClearTableFile() {
  for (auto* table : {&gTblChar, &gTblString, &gTblWide})
    for (std::optional<std::string>& slot : *table) slot.reset();
}

}  // namespace ts2
