// ts2tool info writes its JSON without Qt; its strings must read exactly as the other commands'
// QJsonDocument strings do.
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

}  // namespace
}  // namespace ts2::test
