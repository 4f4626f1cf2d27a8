// ts2tool info and similar write their JSON without Qt; their strings must read exactly as the
// other commands' QJsonDocument strings do.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "cli/json_text.h"

namespace ts2::test {
namespace {

// Each writer against Qt's writing of the same text: every byte in Latin-1; in UTF-8 every ASCII
// byte, Latin letters, kana, a replacement character, a line separator, a character past 16 bits.
TEST(JsonText, StringsAreWrittenAsQJsonDocumentWritesThem) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  const auto qt = [](const QString& text) {
    const QByteArray json = QJsonDocument(QJsonObject{{"t", text}}).toJson(QJsonDocument::Compact);
    return std::string(json.constData(), static_cast<size_t>(json.size()));
  };
  for (const std::string& latin1 :
       {every, std::string("TORMEL SARAGON2"), std::string(), std::string("\"\\/\x7F")})
    EXPECT_EQ("{\"t\":" + cli::JsonLatin1String(latin1) + "}",
              qt(QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()))));
  for (const std::string& utf8 : {every.substr(0, 128), std::string("Demande \xC3\xA0 Mira\nou \xE2\x82\xAC"),
                                  std::string("\xE3\x81\x82\xEF\xBF\xBD"), std::string("a\xE2\x80\xA8z"),
                                  std::string("\xF0\x9F\x97\xA1")})
    EXPECT_EQ("{\"t\":" + cli::JsonUtf8String(utf8) + "}",
              qt(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))));
}

}  // namespace
}  // namespace ts2::test
