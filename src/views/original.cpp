// The original text of ROM strings, and the Kana Text window showing the selected one.
#include "views/original.h"

#include "core/forms.h"
#include "display/decode.h"
#include "script/lists.h"
#include "views/kana.h"

namespace ts2 {

namespace {

constexpr uint16_t kFirstControl = 0xF000;  // 0xF000-0xFDFF: control codes
constexpr uint16_t kLastControl = 0xFDFF;
constexpr uint8_t kYesNo = 0xF9;  // takes the next two codes as its arguments

}  // namespace

std::string OriginalText(std::span<const uint16_t> codes, CharLookup table16) {
  std::string out;
  for (size_t i = 0; i < codes.size(); ++i) {
    const uint16_t code = codes[i];
    if (code >= kFirstControl && code <= kLastControl) {
      const auto name = static_cast<uint8_t>(code >> 8), arg = static_cast<uint8_t>(code);
      AppendControlText(out, name, arg);
      // A string that ends before its Yes-No arguments shows those it has.
      if (name == kYesNo)
        for (size_t k = 0; k < 2 && i + 1 < codes.size(); ++k) AppendWordText(out, codes[++i]);
      continue;
    }
    if (!AppendTableText(out, table16, code)) AppendWordText(out, code);
  }
  return out;
}

std::string OriginalTextOf(const Ts2Main& m, int32_t block, uint32_t index) {
  const std::optional<BlockEntry> b = BlockAt(m, block);
  if (!b || !m.gROM) return {};
  const DecodedString s = DecodeRomString(m.RomData(), b->offset, b->field2, index);
  return OriginalText(s.codes, m.gCharTable16);
}

void TKanaForm::ShowOriginal() {
  const TmyForm& f = program.myForm;
  // Typing in the Text Editor shows the same string again: the window, and whatever the reader
  // selected in it, stay as they are. Nor is the text read again while the script is unchanged.
  const OriginalOf of{f.scriptGeneration, f.gCurBlock, f.gCurString};
  if (shownOriginal && shownOf == of && f.gROM) return;
  std::string text = OriginalTextOf(f, f.gCurBlock, static_cast<uint32_t>(f.gCurString));
  shownOf = of;
  if (shownOriginal && *shownOriginal == text) return;
  Memo& kanaEdit = program.ui.memo(ControlId::kanaEdit);
  kanaEdit.beginUpdate();
  kanaEdit.setText(text);
  kanaEdit.endUpdate();
  shownOriginal = std::move(text);
}

std::string OriginalUtf8(std::string original, const std::function<std::string(std::string_view)>& toUtf8) {
  for (size_t at = original.find("\r\n"); at != std::string::npos; at = original.find("\r\n", at))
    original.erase(at, 1);
  return toUtf8(original);
}

}  // namespace ts2
