// The core joins a letter and its accent without a Unicode library; the editor's paste uses Qt's
// normalization. Both must make the same bytes of the same text.
#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <optional>
#include <random>
#include <string>

#include "core/cp1252.h"
#include "core/utf8.h"

namespace ts2::test {
namespace {

std::u32string Ucs4(const QString& text) {
  const QList<uint> chars = text.toUcs4();
  return std::u32string(chars.begin(), chars.end());
}

QString FromUcs4(const std::u32string& text) {
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

// The bytes Qt's composed form gives, or nothing when some character has none.
std::optional<std::string> QtBytes(const std::u32string& text) {
  std::string out;
  for (const char32_t c : Ucs4(FromUcs4(text).normalized(QString::NormalizationForm_C))) {
    const std::optional<uint8_t> byte = cp1252::FromUnicode(c);
    if (!byte) return std::nullopt;
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

TEST(ComposeForCp1252, AgreesWithQtsNormalizationOnEveryCharacterAndItsDecomposition) {
  for (int b = 0; b < 256; ++b) {
    const std::u32string one(1, cp1252::ToUnicode(static_cast<uint8_t>(b)));
    const std::u32string apart = Ucs4(FromUcs4(one).normalized(QString::NormalizationForm_D));
    EXPECT_EQ(ComposeForCp1252(apart), one) << "byte " << b;
  }
  for (char32_t c = 1; c < 0x30000; ++c) {
    // Surrogates are no characters; Qt reads a leading U+FEFF as a byte order mark and drops it.
    if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF) continue;
    const std::u32string one(1, c);
    const std::optional<std::string> qt = QtBytes(one);
    // A character becomes another only where Qt makes a byte of it; every other stays itself.
    if (qt) {
      EXPECT_EQ(UnicodeToCp1252(one), qt) << std::hex << "U+" << static_cast<unsigned>(c);
    } else {
      EXPECT_EQ(ComposeForCp1252(one), one) << std::hex << "U+" << static_cast<unsigned>(c);
    }
  }
}

TEST(ComposeForCp1252, AgreesWithQtsNormalizationOnRandomLettersAndMarks) {
  // Letters, marks that join some of them and marks that join none, in any order.
  const std::u32string pool =
      U"AaCcEeNnOoSsYyZzKk\u00C5\u00E9 \u0300\u0301\u0302\u0303\u0308\u030A\u030C\u0327"
      U"\u0323\u0316\u0345\u212B\u212A";
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    std::u32string text;
    for (size_t n = rng() % 6 + 1; n > 0; --n) text.push_back(pool[rng() % pool.size()]);
    const std::optional<std::string> qt = QtBytes(text);
    // Either both make the same bytes, or neither makes any (the text is then refused).
    EXPECT_EQ(UnicodeToCp1252(text), qt) << FromUcs4(text).toStdString();
  }
}

}  // namespace
}  // namespace ts2::test
