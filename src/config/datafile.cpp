// The text block data file: choosing it, reading its directives and block lines, and the steps
// at its end. The colour and character table sections are read in tables.cpp.
#include <string>

#include "config/config.h"
#include "config/loader.h"
#include "config/scan.h"
#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

// Each directive is recognised by a case-insensitive comparison of the line's first characters
// (a directive must start in the first column and may be followed by anything, so ".FONTS 1234"
// is a .Font line). No two prefixes overlap; the order is the order they are tested in.
enum class Directive {
  TextBox,
  Font,
  TransText,
  ControlCodes,
  Vwf,
  TextWindow,
  HexWindow,
  KanaWindow,
  Format,
  Block,
  ColourTable,
  CharTable,
  None
};

struct DirectivePrefix {
  Directive directive;
  const char* prefix;
};

constexpr DirectivePrefix kDirectives[] = {
    {Directive::TextBox, ".textbox"},
    {Directive::Font, ".Font"},
    {Directive::TransText, ".TransText"},
    {Directive::ControlCodes, ".CONTROLCODES"},
    {Directive::Vwf, ".VWF"},
    {Directive::TextWindow, ".TextWindow"},
    {Directive::HexWindow, ".HexWindow"},
    {Directive::KanaWindow, ".KanaWindow"},
    {Directive::Format, ".FORMAT"},
    {Directive::Block, ".BLOCK"},
    {Directive::ColourTable, ".COLOR"},  // ".COLORTABLE", and any line starting ".color"
    {Directive::CharTable, ".TABLE"},
};

Directive Recognise(const std::string& line) {
  for (const DirectivePrefix& d : kDirectives)
    if (StartsWithNoCase(line, d.prefix)) return d.directive;
  return Directive::None;
}

// The directive's value: the line's second word. Without one, the directive's own word stands
// in its place, which matches none of the value keywords.
std::string ValueWord(const std::string& line) {
  LineScanner scan(line);
  const std::string directive = scan.word().value_or(std::string());
  return scan.word().value_or(directive);
}

// .textbox keywords, searched case-sensitively anywhere in the line, in this order; every one
// found is checked, so within a radio group the later keyword wins.
struct TextBoxKeyword {
  const char* keyword;
  MenuId item;
};
constexpr TextBoxKeyword kTextBoxKeywords[] = {
    {".color.blue", MenuId::Blue1}, {".color.green", MenuId::Green1}, {".color.red", MenuId::Red1},
    {".solid", MenuId::Solid1},     {".gradient", MenuId::Gradient1},
};

// .BLOCK value words are kept to 31 characters (the rest of an over-long word is dropped).
constexpr size_t kBlockWordMax = 31;

constexpr char kDataFileFilter[] = "Font Format File | *.txt";
constexpr char kCaptionOpen[] = " - [ ";
constexpr char kCaptionClose[] = " ]";

}  // namespace

// ---- the handlers ----

std::string_view DataFileFilter() {
  return kDataFileFilter;
}

bool HoldsDataFileDirective(const std::string& path) {
  std::optional<TextLineReader> lines = TextLineReader::Open(path, kDataFileLineBuffer);
  if (!lines) return true;
  while (std::optional<std::string> line = lines->next()) {
    line->resize(UpToZero(*line).size());
    if (Recognise(*line) != Directive::None) return true;
  }
  return false;
}

void TmyForm::LoadDataFileClick(TObject /*Sender*/) {
  // The shared dialog keeps the initial directory its last user gave it (Open ROM: gStartDir).
  Open1.title = "Open Text Block Data File";
  Open1.filter = kDataFileFilter;
  Open1.fileName.clear();
  if (!ui.runOpenDialog(Open1) || Open1.files.empty()) return;
  LoadDataFile(Open1.files.front());
}

void TmyForm::LoadDataFile(const std::string& path) {
  if (!gBlockOffset) return;  // the block tables live from FormCreate until FormClose
  std::optional<TextLineReader> lines = TextLineReader::Open(path, kDataFileLineBuffer);
  if (!lines) {
    ui.message(kMsgDataFileOpenFailed);
    return;
  }
  dataFilePath = path;
  // Stamped before it is read: a change while it is read is then seen as a change after it.
  FileIdentity seen;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path, &seen);
  dataFileStamp = bytes ? StampOf(seen, *bytes) : FileStamp{};
  gDataLoaded = 0;
  ListBox& bList = ui.list(ControlId::bList);
  bList.clear();

  DataFileReader reader(*this, *lines);
  const DataFileReader::Outcome outcome = reader.Run();
  ++scriptGeneration;  // the block and character tables, whole or in part
  if (outcome == DataFileReader::Outcome::OutOfMemory) {
    // gDataLoaded stays 0; closing the main window ends the program.
    ui.message(kMsgTableDataNoMemory);
    ui.window(FormId::myForm).close();
    return;
  }

  gDataLoaded = 1;
  program.ScriptForm().similar.ScriptLoaded();
  ui.window(FormId::myForm).setCaption(kMainCaption + (kCaptionOpen + ExtractFileName(path)) + kCaptionClose);
  bList.setItemIndex(0);
  bList.setHint(std::to_string(bList.count()) + " item(s)");
  bListClick(kNoSender);
  program.autosave().ScriptLoaded();
  // The pair File > Recent Files opens again; a file that gave no block is no data file to open.
  if (gROM && bList.count() > 0) RememberRecent(gROMPath, path);
  if (reader.ignoredBlockLines() > 0) {
    ui.message(std::to_string(reader.ignoredBlockLines()) + " .BLOCK line(s) past the " +
               std::to_string(kMaxBlocks) + "-block limit were ignored.");
  }
}

// ---- the reading pass ----

std::optional<std::string> DataFileReader::NextLine() {
  std::optional<std::string> line = lines_.next();
  if (line) line->resize(UpToZero(*line).size());
  return line;
}

DataFileReader::Outcome DataFileReader::Run() {
  while (std::optional<std::string> line = NextLine()) {
    switch (Recognise(*line)) {
      case Directive::TextBox: TextBox(*line); break;
      case Directive::Font: Font(*line); break;
      case Directive::TransText: TransText(*line); break;
      case Directive::ControlCodes: ViewOption(*line, MenuId::HideCodes, "HIDE"); break;
      case Directive::Vwf: ViewOption(*line, MenuId::UseVWFRoutine1, "ON"); break;
      case Directive::TextWindow: ToolWindow(*line, FormId::TxtForm); break;
      case Directive::HexWindow: ToolWindow(*line, FormId::HexForm); break;
      case Directive::KanaWindow: ToolWindow(*line, FormId::KanaForm); break;
      case Directive::Format: CellFormat(*line); break;
      case Directive::Block: Block(*line); break;
      case Directive::ColourTable: {
        std::string endLine;
        const SectionEnd end = ColourSection(endLine);
        if (end == SectionEnd::OutOfMemory) return Outcome::OutOfMemory;
        if (end == SectionEnd::EndOfFile) return Outcome::EndOfFile;
        // The line that ended the colour section is tested against .TABLE only.
        if (Recognise(endLine) != Directive::CharTable) break;
        [[fallthrough]];
      }
      case Directive::CharTable: {
        const SectionEnd end = CharTableSection();
        if (end == SectionEnd::OutOfMemory) return Outcome::OutOfMemory;
        if (end == SectionEnd::EndOfFile) return Outcome::EndOfFile;
        break;
      }
      case Directive::None: break;  // any other line is a comment
    }
  }
  return Outcome::EndOfFile;
}

void DataFileReader::TextBox(const std::string& line) {
  for (const TextBoxKeyword& k : kTextBoxKeywords)
    if (line.find(k.keyword) != std::string::npos) form_.SetChecked(k.item, true);
}

void DataFileReader::Font(const std::string& line) {
  LineScanner scan(line);
  scan.word();
  if (std::optional<uint32_t> address = scan.hex()) form_.gFontAddress = *address;
}

void DataFileReader::TransText(const std::string& line) {
  if (!EqualsNoCase(ValueWord(line), "SHOW")) return;
  form_.SetChecked(MenuId::DTT, false);
  form_.DTTClick(kNoSender);  // checks DTT and shows the selected string translated
}

// The loader sets the item to the opposite of the state it wants and runs the item's command,
// which flips it and redraws both pages (nothing is drawn while gDataLoaded is 0).
void DataFileReader::ViewOption(const std::string& line, MenuId item, const char* keyword) {
  const bool want = EqualsNoCase(ValueWord(line), keyword);
  form_.SetChecked(item, !want);
  if (item == MenuId::HideCodes) {
    form_.HideCodesClick(kNoSender);
  } else {
    form_.UseVWFRoutine1Click(kNoSender);
  }
}

void DataFileReader::ToolWindow(const std::string& line, FormId window) {
  Window& w = form_.ui.window(window);
  if (EqualsNoCase(ValueWord(line), "hide")) {
    w.setVisible(false);
  } else {
    w.show();
  }
}

// ".FORMAT w h gw f4 scale f6 f7 f8 f9": nine decimal fields, read in order until one does not
// match; fields the line does not supply keep their values. Byte fields take the number's low
// 8 bits, the line width its low 16 bits, before it is multiplied by the scale.
void DataFileReader::CellFormat(const std::string& line) {
  LineScanner scan(line);
  scan.word();
  auto byte = [](int32_t v) { return static_cast<uint8_t>(v); };
  uint8_t* const reserved = form_.gFormatReserved.data();
  for (int field = 1; field <= 9; ++field) {
    const std::optional<int32_t> v = scan.decimal();
    if (!v) break;
    switch (field) {
      case 1: form_.gLineWidth = static_cast<uint16_t>(*v); break;
      case 2: form_.gGlyphH = byte(*v); break;
      case 3: form_.gGlyphW = byte(*v); break;
      case 4: reserved[0] = byte(*v); break;
      case 5: form_.gWidthScale = byte(*v); break;
      default: reserved[field - 5] = byte(*v); break;  // fields 6-9
    }
  }
  form_.gLineWidth = static_cast<uint16_t>(form_.gWidthScale * form_.gLineWidth);
}

// ".BLOCK table bank field3 count": appends "Block %X" of the first value as written and fills
// the next entry of the four block tables with the converted values. A missing value word
// counts as 0 (the block is still listed, so the mistake shows); words are kept to 31
// characters. Lines past the tables' last entry are not listed; the loader reports how many.
void DataFileReader::Block(const std::string& line) {
  if (blocks_ >= kMaxBlocks) {
    ++ignoredBlocks_;
    return;
  }
  LineScanner scan(line);
  scan.word();
  int32_t values[4];
  for (int32_t& value : values) {
    const std::optional<std::string> word = scan.word();
    value = word ? ParseValue(std::string_view(*word).substr(0, kBlockWordMax)) : 0;
  }
  form_.ui.list(ControlId::bList).add(ts2::Format("Block %X", static_cast<unsigned>(values[0])));
  const size_t n = static_cast<size_t>(blocks_);
  form_.gBlockOffset[n] = SnesToFileOffset(static_cast<uint32_t>(values[0]));
  form_.gBlockField2[n] = SnesToFileOffset(static_cast<uint32_t>(values[1]));
  form_.gBlockField3[n] = SnesToFileOffset(static_cast<uint32_t>(values[2]));
  form_.gBlockStrings[n] = SnesToFileOffset(static_cast<uint32_t>(values[3]));
  ++blocks_;
}

}  // namespace ts2
