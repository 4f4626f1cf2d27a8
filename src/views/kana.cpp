// Kana conversion (the Kana Text window's ConvertToKana) and its toolkit-free core, KanaText.
#include "views/kana.h"

#include <cstdio>

#include "core/forms.h"

namespace ts2 {

namespace {

constexpr uint8_t kEndByte = 0xFF;       // FF FF ends a string
constexpr uint8_t kFirstControl = 0xF0;  // second bytes from here on are control codes
constexpr uint8_t kYesNo = 0xF9;         // the control code with two argument words
constexpr size_t kYesNoBytes = 6;        // the Yes-No word and its two argument words

}  // namespace

void AppendWordText(std::string& out, unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "[$%04X]", value & 0xFFFF);
  out += buf;
}

bool AppendTableText(std::string& out, CharLookup table16, size_t index) {
  if (index >= table16.size()) return false;
  const CharEntry& entry = table16[index];
  // An entry with a length but no text cannot come from the loader; it shows as unknown.
  if (entry.length == 0 || !entry.text) return false;
  const std::string& text = *entry.text;
  out.append(text, 0, text.find('\0'));  // a zero byte (from an escape) ends the text
  return true;
}

bool AppendControlText(std::string& out, uint8_t code, uint8_t arg) {
  switch (code) {
    case 0xF0: out += "[Key]"; break;
    case 0xF1: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "[Pause$%02X]", arg);
      out += buf;
      break;
    }
    case 0xF2: out += "[$F200]"; break;  // "00" whatever the argument byte holds
    case 0xF3: out += "[SFX]"; break;
    case 0xF4: out += "[Player]"; break;
    case 0xF5: out += "[MEM_Num]"; break;
    case 0xF6: out += "[MEM_Text]"; break;
    case 0xF7: out += "[FadeIn]"; break;
    case 0xF8: out += "[FadeOut]"; break;
    case kYesNo: out += "[Yes-No]"; break;
    case 0xFA: out += "[$FA00]"; break;
    case 0xFB: out += "[FixTextBox]"; break;
    case 0xFC:
      out += "[ClrWin]";
      out += kKanaLineBreak;
      break;
    case 0xFD: out += kKanaLineBreak; break;
    default: return false;
  }
  return true;
}

std::string KanaText(std::span<const uint8_t> wram, size_t offset, CharLookup table16) {
  std::string out;
  size_t pos = offset;
  // A word that would straddle the end of Working RAM is not read: the string ends there.
  while (pos < wram.size() && wram.size() - pos >= 2) {
    const uint8_t b0 = wram[pos], b1 = wram[pos + 1];
    if (b0 == kEndByte && b1 == kEndByte) break;
    if (b1 < kFirstControl) {
      // The table's code has the first byte high; an unknown one shows as the word as stored.
      if (!AppendTableText(out, table16, static_cast<size_t>(b0) << 8 | b1))
        AppendWordText(out, b0 | b1 << 8);
      pos += 2;
      continue;
    }
    if (b1 == kYesNo) {
      // The two argument words must lie inside Working RAM too; a Yes-No word cut off by the
      // end of it ends the string like any other word that does not fit.
      if (wram.size() - pos < kYesNoBytes) return out;
      AppendControlText(out, b1, b0);
      AppendWordText(out, wram[pos + 2] | wram[pos + 3] << 8);
      AppendWordText(out, wram[pos + 4] | wram[pos + 5] << 8);
      pos += kYesNoBytes;
    } else if (AppendControlText(out, b1, b0)) {
      pos += 2;
    } else {
      // 0xFE, and 0xFF with a first byte other than 0xFF, are no known code. They show as the
      // stored word so that nothing in the string goes unseen, and the reading moves on by
      // one byte only: the next word starts at this word's second byte.
      AppendWordText(out, b0 | b1 << 8);
      pos += 1;
    }
  }
  return out;
}

void TKanaForm::ConvertToKana(uint32_t offset) {
  const TmyForm& f = program.myForm;
  std::string text;
  if (f.gWRAM && f.gCharTable16)
    text = KanaText(std::span<const uint8_t>(f.gWRAM.get(), kWramSize), offset, f.gCharTable16);
  // One update per string: the memo is repainted once, not once per character.
  Memo& kanaEdit = program.ui.memo(ControlId::kanaEdit);
  shownOriginal.reset();
  kanaEdit.beginUpdate();
  kanaEdit.clear();
  kanaEdit.setText(text);
  kanaEdit.endUpdate();
}

}  // namespace ts2
