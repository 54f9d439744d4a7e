#pragma once

#include <QByteArray>
#include <QString>

namespace mebo::test {

// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes `bytes` to `path` (making its folder), replacing it; fails the test when it cannot.
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace mebo::test
