#pragma once

#include "platform/sodium/SodiumCodeSigning.h"
#include "services/Appcast.h"
#include "support/Files.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace mebo::test {

// The publisher's key pair for this test run, and a second, foreign one.
const platform::sodium::KeyPair& publisherKeys();
const platform::sodium::KeyPair& foreignKeys();
QString publisherKeyBase64();

bool writeFile(const QString& path, const QByteArray& data, bool executable = false);

// A shell script standing in for a Mebo program: `--version` prints "mebo VERSION (build B)";
// `body` is what it does otherwise.
QByteArray programScript(const QString& version, const QString& body = QStringLiteral("exit 0"));

// An install tree <dir>/mebo-VERSION (bin/mebo, lib/mebo); answers its program's path.
QString makeInstallTree(const QString& dir, const QString& version, const QByteArray& program);

// A release archive mebo-VERSION-x86_64.tar.gz (one folder mebo-VERSION/) with `program` as
// bin/mebo; answers its bytes.
QByteArray makeReleaseArchive(const QString& version, const QByteArray& program);

// One appcast item and a feed around items.
QString appcastItem(const QString& version, const QString& build, const QString& url, qint64 length,
                    const QString& signature);
QByteArray appcast(const QStringList& items);

} // namespace mebo::test
