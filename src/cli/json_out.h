// JSON output of the ts2tool commands: one compact document and a line end on stdout.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli.h"

namespace ts2::cli {

inline int PrintJson(const QJsonObject& object) {
  const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
  if (!WriteOutput("-", json.constData(), static_cast<size_t>(json.size())))
    return CannotWrite(kExitBadInput, "-");
  return kExitOk;
}

}  // namespace ts2::cli
