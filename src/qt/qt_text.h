// Conversions between the toolkit interface's byte strings and Qt: Windows-1252 text, Shift-JIS
// text with a map back to the original bytes, file dialog filters, paths and keys.
#pragma once

#include <QFont>
#include <QString>
#include <Qt>
#include <string>
#include <string_view>
#include <vector>

#include "core/toolkit.h"

namespace ts2::qt {

// Each byte is one Windows-1252 character and back (the five unassigned bytes as the C1 controls
// of the same value). Characters the code page has no byte for become '?': text that reaches the
// program is checked with Unencodable first.
QString FromBytes(std::string_view bytes);
std::string ToBytes(const QString& text);

// The characters of `text` that Windows-1252 cannot hold, each once, in order of appearance.
QString Unencodable(const QString& text);
// The message that refuses them: names each character with its code point (UTF-8).
std::string RefusedCharactersMessage(const QString& characters);
// Every line break (CR LF, CR, LF, U+2028, U+2029) as '\n': a line break is all a file can hold.
QString PlainLineBreaks(QString text);

// A message text made by the program: UTF-8 when it is valid UTF-8 (file names on this system),
// Windows-1252 bytes otherwise.
QString FromMessage(std::string_view text);

// File names in the local 8-bit encoding, as the C file functions take them.
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);

// "SNES ROM | *.s*c; *.fig;" or "IPS files (*.ips)|*.ips" (pairs of description and patterns
// separated by '|', patterns by ';' or blanks) as a Qt name filter list
// "SNES ROM (*.s*c *.fig)" joined by ";;".
QString NameFilters(std::string_view filter);

// The virtual-key code of a Qt key (0 for keys without one) and the held modifiers.
int VirtualKeyOf(int qtKey);
ShiftState ShiftOf(Qt::KeyboardModifiers modifiers);

// Text decoded from Shift-JIS bytes, remembering which bytes each character came from, so that
// any run of characters maps back to exactly the bytes it was made of.
class SjisText {
 public:
  SjisText() = default;
  explicit SjisText(std::string_view bytes);

  const QString& text() const { return text_; }
  // The original bytes of characters [from, from + count).
  std::string bytes(int from, int count) const;
  // The first character made of byte `offset` or of a later one (the length at or past the end).
  int characterAt(size_t offset) const;

  // Whether the system decodes Shift-JIS; without it the bytes are shown as Latin-1.
  static bool Available();
  // Encodes edited text back to bytes (Shift-JIS, or Latin-1 without it).
  static std::string Encode(const QString& text);

 private:
  QString text_;
  std::string source_;
  std::vector<int> start_;  // byte offset of each character's unit; one more at the end
};

// The fixed-pitch font of the lists and the editor (Courier New or the nearest installed).
QFont FixedPitchFont(int pixelSize);
// The font of the kana memos (MS Gothic or an installed Japanese font).
QFont KanaFont();

}  // namespace ts2::qt
