// ts2tool info and similar write their JSON without Qt; their strings must read exactly as the
// other commands' QJsonDocument strings do.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "cli/json_text.h"

namespace ts2::test {
namespace {

TEST(JsonText, Latin1StringsAreWrittenAsQJsonDocumentWritesThem) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  for (const std::string& bytes :
       {every, std::string("TORMEL SARAGON2"), std::string(), std::string("\"\\/\x7F")}) {
    const QJsonObject object{{"t", QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()))}};
    const QByteArray qt = QJsonDocument(object).toJson(QJsonDocument::Compact);
    EXPECT_EQ("{\"t\":" + cli::JsonLatin1String(bytes) + "}",
              std::string(qt.constData(), static_cast<size_t>(qt.size())));
  }
}

TEST(JsonText, Utf8StringsAreWrittenAsQJsonDocumentWritesThem) {
  std::string ascii;
  for (int b = 0; b < 128; ++b) ascii.push_back(static_cast<char>(b));
  // Latin letters, kana, a replacement character, a line separator, a character past 16 bits.
  for (const std::string& utf8 :
       {ascii, std::string("Demande \xC3\xA0 Mira\nou \xE2\x82\xAC"), std::string("\xE3\x81\x82\xEF\xBF\xBD"),
        std::string("a\xE2\x80\xA8z"), std::string("\xF0\x9F\x97\xA1")}) {
    const QJsonObject object{{"t", QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))}};
    const QByteArray qt = QJsonDocument(object).toJson(QJsonDocument::Compact);
    EXPECT_EQ("{\"t\":" + cli::JsonUtf8String(utf8) + "}",
              std::string(qt.constData(), static_cast<size_t>(qt.size())));
  }
}

}  // namespace
}  // namespace ts2::test
