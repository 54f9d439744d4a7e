#include "services/UpdateArchive.h"

#include "platform/CodeSigning.h"
#include "services/ChildProcess.h"
#include "services/InstallLocation.h"
#include "services/PublisherKey.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace mebo {

namespace {

constexpr int kTarTimeoutMs = 10 * 60 * 1000;

QString tarProgram() {
    for (const char* candidate : {"/usr/bin/tar", "/bin/tar"}) {
        if (QFileInfo(QString::fromLatin1(candidate)).isExecutable()) {
            return QString::fromLatin1(candidate);
        }
    }
    return QStringLiteral("/bin/tar");
}

QString toolError(const QString& what, const ChildProcess::Outcome& o) {
    if (!o.started) {
        return o.error;
    }
    if (o.timedOut) {
        return QStringLiteral("%1 did not finish").arg(what);
    }
    const QString detail = QString::fromLocal8Bit(o.err).trimmed().section(QLatin1Char('\n'), 0, 0);
    return QStringLiteral("%1 failed (exit %2)%3")
        .arg(what)
        .arg(o.exitCode)
        .arg(detail.isEmpty() ? QString() : QStringLiteral(": ") + detail);
}

} // namespace

QString UpdateArchive::verify(const QString& path, const AppcastItem& item, const PublisherKey* key,
                              const platform::CodeSigning& signing) {
    if (!key) {
        return QStringLiteral(
            "This copy of Mebo has no publisher key built in, so it cannot verify updates.");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("The downloaded update cannot be read: %1").arg(file.errorString());
    }
    if (item.enclosureLength >= 0 && file.size() != item.enclosureLength) {
        return QStringLiteral("The download is incomplete (%1 of %2 bytes).")
            .arg(file.size())
            .arg(item.enclosureLength);
    }
    if (item.edSignature.isEmpty()) {
        return QStringLiteral("The update feed gives no signature for %1, so it is not installed.")
            .arg(item.displayVersion());
    }
    const auto signature =
        QByteArray::fromBase64Encoding(item.edSignature.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const QString refused =
        QStringLiteral("The update's signature does not match: it was not signed by Mebo's "
                       "publisher, or it changed on the way. It is not installed.");
    if (!signature || (*signature).size() != platform::CodeSigning::signatureBytes) {
        return refused;
    }
    // Mapped rather than read: pages come and go as the verifier passes over them.
    bool valid = false;
    if (file.size() == 0) {
        valid = signing.verify(QByteArrayView(), *signature, key->bytes());
    } else if (uchar* bytes = file.map(0, file.size())) {
        valid = signing.verify(QByteArrayView(bytes, file.size()), *signature, key->bytes());
        file.unmap(bytes);
    } else {
        return QStringLiteral("The downloaded update cannot be read: %1").arg(file.errorString());
    }
    return valid ? QString() : refused;
}

QString UpdateArchive::checkEntryNames(const QStringList& names, QString* top) {
    QString first;
    for (const QString& raw : names) {
        if (raw.isEmpty()) {
            continue;
        }
        if (raw.startsWith(QLatin1Char('/'))) {
            return QStringLiteral("the archive holds an absolute path (%1)").arg(raw);
        }
        const QStringList parts = raw.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.contains(QStringLiteral(".."))) {
            return QStringLiteral("the archive holds a path leaving its folder (%1)").arg(raw);
        }
        QString head = parts.value(0);
        if (head == QLatin1String(".")) {
            head = parts.value(1);
        }
        if (head.isEmpty()) {
            continue;
        }
        if (first.isEmpty()) {
            first = head;
        } else if (head != first) {
            return QStringLiteral("the archive holds more than one top folder (%1, %2)").arg(first, head);
        }
    }
    if (first.isEmpty()) {
        return QStringLiteral("the archive is empty");
    }
    if (top) {
        *top = first;
    }
    return {};
}

QString UpdateArchive::checkLinksStayInside(const QString& root) {
    const QString inside = QDir::cleanPath(QDir(root).absolutePath());
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (!entry.isSymLink()) {
            continue;
        }
        // The link's own text: a relative target is resolved against the link's folder, an
        // absolute one always leaves the tree once it is moved.
        char buffer[4096];
        const ssize_t n =
            ::readlink(QFile::encodeName(entry.filePath()).constData(), buffer, sizeof buffer - 1);
        const QString text = n > 0 ? QFile::decodeName(QByteArray(buffer, int(n))) : QString();
        const QString resolved = QDir::cleanPath(QDir(entry.absolutePath()).filePath(text));
        if (text.isEmpty() || QDir::isAbsolutePath(text) ||
            !(resolved == inside || resolved.startsWith(inside + QLatin1Char('/')))) {
            return QStringLiteral("%1 links outside its folder (to %2)")
                .arg(QDir(root).relativeFilePath(entry.filePath()), text);
        }
    }
    return {};
}

Result<QString> UpdateArchive::unpack(const QString& archivePath, const QString& stagingDir) {
    const QString tar = tarProgram();
    const ChildProcess::Outcome listing =
        ChildProcess::run(tar, {QStringLiteral("-tzf"), archivePath}, kTarTimeoutMs);
    if (!listing.succeeded()) {
        return Result<QString>::fail(QStringLiteral("The update archive cannot be read: %1")
                                         .arg(toolError(QStringLiteral("tar"), listing)));
    }
    QString top;
    const QString names =
        checkEntryNames(QString::fromUtf8(listing.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), &top);
    if (!names.isEmpty()) {
        return Result<QString>::fail(
            QStringLiteral("The update archive is not a Mebo release: %1.").arg(names));
    }
    const ChildProcess::Outcome unpacked =
        ChildProcess::run(tar,
                          {QStringLiteral("-xzf"), archivePath, QStringLiteral("-C"), stagingDir,
                           QStringLiteral("--no-same-owner"), QStringLiteral("--delay-directory-restore")},
                          kTarTimeoutMs);
    if (!unpacked.succeeded()) {
        return Result<QString>::fail(QStringLiteral("The update archive cannot be unpacked: %1")
                                         .arg(toolError(QStringLiteral("tar"), unpacked)));
    }
    const QString tree = QDir(stagingDir).filePath(top);
    const QString links = checkLinksStayInside(tree);
    if (!links.isEmpty()) {
        return Result<QString>::fail(
            QStringLiteral("The update archive is not a Mebo release: %1.").arg(links));
    }
    const QFileInfo program(QDir(tree).filePath(InstallLocation::programInTree()));
    if (!program.isFile() || !program.isExecutable() ||
        !QFileInfo(tree + QStringLiteral("/lib/mebo")).isDir()) {
        return Result<QString>::fail(
            QStringLiteral("The update archive is not a Mebo release: %1 has no bin/mebo and lib/mebo.")
                .arg(top));
    }
    return Result<QString>::ok(tree);
}

} // namespace mebo
