// The Program menu's kana dumps: DumpKanatoafile1Click (to a file) and ViewKanaDump1Click (to
// the Current Kana Dump window). Both menu items stay disabled; the handlers run when called.
#include "views/kanadump.h"

#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

constexpr char kDumpTitle[] = "Dump Working RAM to file...";
constexpr char kMsgCannotCreate[] = "Error: Could not open file for saving...";
constexpr char kMsgDumped[] = "Text Data dumped to the file!";
constexpr char kEnglishText[] = "Block is in english already.";
constexpr char kNonText[] = "NON-TEXT DATA";

// While a dump runs, kanaEdit serves as the conversion's scratch space: its text is set aside
// (Memo1, the Text Editor's hidden rich edit, shows it meanwhile) and kanaEdit is hidden. The
// text is put back from an exact copy, so no byte of it is lost whatever Memo1 does to lines.
class KanaEditSetAside {
 public:
  explicit KanaEditSetAside(Toolkit& ui) : kanaEdit_(ui.memo(ControlId::kanaEdit)), saved_(kanaEdit_.text()) {
    ui.richEdit(ControlId::Memo1).setText(FileBytesToEditorText(saved_));
    kanaEdit_.setVisible(false);
  }
  ~KanaEditSetAside() {
    kanaEdit_.setText(saved_);
    kanaEdit_.setVisible(true);
  }
  KanaEditSetAside(const KanaEditSetAside&) = delete;
  KanaEditSetAside& operator=(const KanaEditSetAside&) = delete;

 private:
  Memo& kanaEdit_;
  std::string saved_;
};

// Calls `visit(i, class, record)` for every string listed in pList.
template <typename Visit>
void ForEachListedString(TmyForm& f, Visit visit) {
  const std::span<const uint8_t> wram(f.gWRAM.get(), kWramSize);
  const bool english = BlockMarkedEnglish(f.RomData(), f.gCurBlock);
  const int count = f.ui.list(ControlId::pList).count();
  for (int i = 0; i < count; ++i) {
    const std::optional<StringRecord> record = ReadStringRecord(wram, static_cast<uint32_t>(i));
    visit(i, ClassifyString(record, english), record);
  }
}

}  // namespace

std::optional<StringRecord> ReadStringRecord(std::span<const uint8_t> wram, uint32_t index) {
  const uint64_t start = uint64_t{index} * kStringRecordSize;
  if (start + kStringRecordSize > wram.size()) return std::nullopt;
  StringRecord r;
  r.kind = *Read16LE(wram, start + kRecordKindField);
  r.textOffset = *Read16LE(wram, start + kRecordTextOffsetField);
  return r;
}

bool BlockMarkedEnglish(std::span<const uint8_t> rom, int32_t block) {
  if (block < 0 || block > 0xFF) return false;
  if (rom.size() <= static_cast<size_t>(block)) return false;
  return rom[rom.size() - 1 - static_cast<size_t>(block)] == block;
}

KanaStringClass ClassifyString(const std::optional<StringRecord>& record, bool blockInEnglish) {
  if (!record || record->kind != kKindText) return KanaStringClass::NonText;
  return blockInEnglish ? KanaStringClass::English : KanaStringClass::Text;
}

void TmyForm::DumpKanatoafile1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  FSave.initialDir = gStartDir;
  FSave.title = kDumpTitle;
  FSave.fileName.clear();
  if (!ui.runSaveDialog(FSave) || FSave.fileName.empty()) return;
  const std::string path = FSave.fileName;

  // The whole dump is built in memory and then written in one go, so a failed write never
  // leaves a half-written file behind.
  std::string out;
  {
    KanaEditSetAside aside(ui);
    Memo& kanaEdit = ui.memo(ControlId::kanaEdit);
    ForEachListedString(*this, [&](int i, KanaStringClass cls, const std::optional<StringRecord>& record) {
      switch (cls) {
        case KanaStringClass::Text:
          program.KanaForm.ConvertToKana(record->textOffset);
          out += Format(".STRING %d\r\n", i);
          for (int line = 0, n = kanaEdit.lineCount(); line < n; ++line) {
            // A line feed a table text holds does not break the window's line; the file's text
            // writing stores every line feed as CR LF.
            for (const char c : kanaEdit.line(line))
              out += c == '\n' ? std::string_view("\r\n") : std::string_view(&c, 1);
            out += "\r\n";
          }
          out += ".ENDS\r\n\r\n";
          break;
        case KanaStringClass::English:
          out += Format(".STRING %d\r\n%s\r\n.ENDS\r\n\r\n", i, kEnglishText);
          break;
        case KanaStringClass::NonText: out += Format(".STRING %d\r\n%s\r\n.ENDS\r\n\r\n", i, kNonText); break;
      }
    });
  }

  std::string error;
  if (!WriteFileAtomic(path, out.data(), out.size(), &error)) {
    if (CouldNotOpenForWriting(path, error)) {
      ui.message(kMsgCannotCreate);
    } else {
      ui.message("Error: Could not write the kana dump (" + error + ")." +
                 (LeftAsItWas(error) ? " The file on disk was not changed." : ""));
    }
    return;
  }
  ui.message(kMsgDumped);
}

void TmyForm::ViewKanaDump1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  ui.window(FormId::viewKana).show();
  Memo& kanaMemo = ui.memo(ControlId::kanaMemo);
  kanaMemo.setVisible(false);
  {
    KanaEditSetAside aside(ui);
    kanaMemo.clear();
    Memo& kanaEdit = ui.memo(ControlId::kanaEdit);
    // Each added item is a line of its own; CR LF pairs inside an item break it into lines.
    ForEachListedString(*this, [&](int i, KanaStringClass cls, const std::optional<StringRecord>& record) {
      const std::string header = ".STRING " + std::to_string(i);
      switch (cls) {
        case KanaStringClass::Text:
          program.KanaForm.ConvertToKana(record->textOffset);
          kanaMemo.addLine(header);
          kanaMemo.addLine("\r\n");
          for (int line = 0, n = kanaEdit.lineCount(); line < n; ++line)
            kanaMemo.addLine(kanaEdit.line(line));
          kanaMemo.addLine(".ENDS");
          kanaMemo.addLine("\r\n\r\n");
          break;
        case KanaStringClass::English:
          kanaMemo.addLine(header + "\r\n" + kEnglishText + "\r\n.ENDS\r\n\r\n");
          break;
        case KanaStringClass::NonText:
          kanaMemo.addLine(header + "\r\n" + kNonText + "\r\n.ENDS\r\n\r\n");
          break;
      }
    });
  }
  kanaMemo.setVisible(true);
}

}  // namespace ts2
