#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace mebo {

// XML property lists (the identity file Contents/Info.plist of an application folder): dict,
// array, string, integer, real, true, false, date and data, read into QVariant maps, lists and
// values.
class PropertyList {
public:
    static Result<QVariant> parse(const QByteArray& xml);
    static Result<QVariant> readFile(const QString& path);
};

} // namespace mebo
