#include "qt/qt_text.h"

#include <QFile>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <array>

#include "core/cp1252.h"

namespace ts2::qt {

QString FromBytes(std::string_view bytes) {
  // One look-up a byte: a block's file of a megabyte is converted whenever the block is chosen.
  static const std::array<char16_t, 256> kCharacters = [] {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
      table[static_cast<size_t>(b)] = static_cast<char16_t>(cp1252::ToUnicode(static_cast<uint8_t>(b)));
    return table;
  }();
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char b : bytes) *out++ = QChar(kCharacters[static_cast<uint8_t>(b)]);
  return text;
}

std::string ToBytes(const QString& text) {
  std::string bytes(static_cast<size_t>(text.size()), '\0');
  char* out = bytes.data();
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      *out++ = static_cast<char>(u);
    } else {
      *out++ = static_cast<char>(cp1252::FromUnicode(u).value_or('?'));
    }
  }
  return bytes;
}

QString Unencodable(const QString& text) {
  QString found;
  for (const char32_t c : text.toUcs4()) {
    if (cp1252::FromUnicode(c)) continue;
    const QString one = QString::fromUcs4(&c, 1);
    if (!found.contains(one)) found += one;
  }
  return found;
}

std::string RefusedCharactersMessage(const QString& characters) {
  const QList<uint> codes = characters.toUcs4();
  QStringList named;
  for (qsizetype i = 0; i < codes.size() && i < 5; ++i) {
    const char32_t c = codes[i];
    named << QStringLiteral("\"%1\" (U+%2)")
                 .arg(QString::fromUcs4(&c, 1),
                      QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, u'0'));
  }
  if (codes.size() > 5) named << QStringLiteral("...");
  const QString text =
      (codes.size() == 1 ? QStringLiteral("The character %1 has") : QStringLiteral("The characters %1 have"))
          .arg(named.join(QStringLiteral(", "))) +
      QStringLiteral(
          " no place in a translation file (Windows-1252 text), so nothing was "
          "inserted. Use a character of the file's code page instead.");
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QString PlainLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  for (const QChar c : {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
    text.replace(c, u'\n');
  return text;
}

QString FromMessage(std::string_view text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
  const QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return utf8.hasError() ? FromBytes(text) : decoded;
}

QString FromPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string ToPath(const QString& path) {
  const QByteArray local = QFile::encodeName(path);
  return std::string(local.constData(), static_cast<size_t>(local.size()));
}

QString NameFilters(std::string_view filter) {
  const QStringList parts = FromBytes(filter).split(u'|');
  static const QRegularExpression kTrailingGroup(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  static const QRegularExpression kPatternSep(QStringLiteral("[;\\s]+"));
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString name = parts[i];
    QStringList patterns;
    if (i + 1 < parts.size()) patterns = parts[i + 1].split(kPatternSep, Qt::SkipEmptyParts);
    // A description that already names its patterns ("IPS files (*.ips)") keeps only its words.
    name.remove(kTrailingGroup);
    name = name.trimmed();
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    if (name.isEmpty()) name = patterns.join(u' ');
    filters << name + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters.join(QStringLiteral(";;"));
}

int VirtualKeyOf(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
  }
}

ShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
  return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
          modifiers.testFlag(Qt::AltModifier)};
}

// ---- Shift-JIS ----

namespace {

constexpr char kShiftJis[] = "Shift-JIS";

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

bool SjisText::Available() {
  static const bool available = QStringDecoder(kShiftJis).isValid();
  return available;
}

SjisText::SjisText(std::string_view bytes) : source_(bytes) {
  const bool sjis = Available();
  QStringDecoder decoder(kShiftJis, QStringConverter::Flag::Stateless);
  text_.reserve(static_cast<qsizetype>(bytes.size()));
  start_.reserve(bytes.size() + 1);
  size_t at = 0;
  while (at < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    // Each character is decoded on its own so that every character knows its bytes.
    const size_t unit = sjis && IsLeadByte(b) && at + 1 < bytes.size() ? 2 : 1;
    QString chars;
    if (b < 0x80 || !sjis) {
      chars = QChar(b);
    } else {
      chars = decoder.decode(QByteArrayView(bytes.data() + at, static_cast<qsizetype>(unit)));
      if (chars.isEmpty()) chars = QChar(QChar::ReplacementCharacter);
    }
    // Line breaks inside a line would split the shown line: show them as blanks.
    for (QChar& c : chars)
      if (c == u'\n' || c == u'\r') c = u' ';
    for (qsizetype i = 0; i < chars.size(); ++i) start_.push_back(static_cast<int>(at));
    text_ += chars;
    at += unit;
  }
  start_.push_back(static_cast<int>(bytes.size()));
}

std::string SjisText::bytes(int from, int count) const {
  const int size = static_cast<int>(text_.size());
  from = std::clamp(from, 0, size);
  const int to = std::clamp(from + std::max(count, 0), from, size);
  const int first = start_[static_cast<size_t>(from)];
  const int last = start_[static_cast<size_t>(to)];
  return source_.substr(static_cast<size_t>(first), static_cast<size_t>(last - first));
}

int SjisText::characterAt(size_t offset) const {
  if (start_.empty()) return 0;
  const auto it = std::lower_bound(start_.begin(), start_.end() - 1, static_cast<int>(offset));
  return static_cast<int>(it - start_.begin());
}

std::string SjisText::Encode(const QString& text) {
  if (!Available()) return ToBytes(text);
  QStringEncoder encoder(kShiftJis);
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// ---- fonts ----

namespace {

QString FirstInstalled(std::initializer_list<const char*> families) {
  const QStringList installed = QFontDatabase::families();
  for (const char* family : families)
    if (installed.contains(QLatin1String(family), Qt::CaseInsensitive)) return QLatin1String(family);
  return {};
}

}  // namespace

QFont FixedPitchFont(int pixelSize) {
  const QString family = FirstInstalled({"Courier New", "Liberation Mono", "Cousine", "DejaVu Sans Mono"});
  QFont font = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(pixelSize);
  return font;
}

QFont KanaFont() {
  QFont font = FixedPitchFont(12);
  QStringList families{QStringLiteral("MS Gothic")};
  const QString japanese = FirstInstalled({"IPAGothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP",
                                           "VL Gothic", "TakaoGothic", "Droid Sans Fallback"});
  if (!japanese.isEmpty()) families << japanese;
  families << font.family();
  font.setFamilies(families);
  font.setPixelSize(12);
  return font;
}

}  // namespace ts2::qt
