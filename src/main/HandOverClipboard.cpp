#include "main/HandOverClipboard.h"

#include "app/AppLogger.h"
#include "app/SingleInstance.h"
#include "capture/ClipboardSvc.h"
#include "main/ClipboardKeeper.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryFile>

namespace mebo {

HandOverClipboard::HandOverClipboard(const QString& instanceName) : instanceName_(instanceName) {
    QLocalSocket probe;
    probe.connectToServer(instanceName_);
    applicationRunning_ = probe.waitForConnected(500);
    probe.abort();
    if (!applicationRunning_) {
        keeper_ = std::make_unique<ClipboardKeeper>();
    }
}

HandOverClipboard::~HandOverClipboard() = default;

bool HandOverClipboard::handToApplication(const QByteArray& png) {
    // The image travels as a private file in the runtime folder; the application removes it.
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) {
        dir = QDir::tempPath();
    }
    QTemporaryFile file(QDir(dir).filePath(QStringLiteral("mebo-clipboard-XXXXXX.png")));
    if (!file.open() || file.write(png) != png.size() || !file.flush()) {
        return false;
    }
    file.setAutoRemove(false);
    const QString path = file.fileName();
    file.close();
    const std::optional<QString> answer =
        SingleInstance(instanceName_)
            .ask({QString::fromLatin1(kRequest), path, qEnvironmentVariable("DISPLAY")}, 5000);
    if (answer != QLatin1String(kCopied)) {
        QFile::remove(path);
        logWarning(QStringLiteral("[Clipboard] the running Mebo did not take the image (%1)")
                       .arg(answer.value_or(QStringLiteral("no answer"))));
        return false;
    }
    logInfo(QStringLiteral("[Clipboard] handed to the running Mebo"));
    return true;
}

bool HandOverClipboard::writePng(const QByteArray& png) {
    if (png.isEmpty()) {
        return false;
    }
    if (applicationRunning_ && handToApplication(png)) {
        handedOver_ = true;
        return true;
    }
    if (!keeper_) {
        keeper_ = std::make_unique<ClipboardKeeper>(); // the application went away meanwhile
    }
    QString error;
    if (!keeper_->keepPng(png, &error)) {
        logError(QStringLiteral("[Clipboard] %1").arg(error));
        return false;
    }
    logInfo(QStringLiteral("[Clipboard] kept by a background process (pid %1) until another program copies")
                .arg(keeper_->pid()));
    handedOver_ = true;
    return true;
}

bool HandOverClipboard::writeImageObject(const QImage&) {
    return false; // the PNG is the one form handed over, and it was tried
}

QString HandOverClipboard::answerRequest(const QStringList& request, ClipboardSvc& clipboard) {
    // An instance on another display (one runtime folder, several X servers) would hold the image
    // on a clipboard the sender does not see.
    if (request.value(1) != qEnvironmentVariable("DISPLAY")) {
        return QStringLiteral("Mebo runs on another display");
    }
    // Only a file this hand-over made: the request never names anything else to read or remove.
    const QString path = request.value(0);
    const QFileInfo info(path);
    if (request.size() != 2 || !info.isFile() ||
        !info.fileName().startsWith(QLatin1String("mebo-clipboard-")) ||
        !info.fileName().endsWith(QLatin1String(".png"))) {
        return QStringLiteral("not a clipboard hand-over file");
    }
    QFile file(path);
    const QByteArray png = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    QFile::remove(path);
    if (png.isEmpty()) {
        return QStringLiteral("cannot read %1").arg(path);
    }
    if (!clipboard.copyPng(png, QStringLiteral("command line"))) {
        return QStringLiteral("the clipboard could not be written");
    }
    return QString::fromLatin1(kCopied);
}

platform::Clipboard::FileWrite HandOverClipboard::writeFile(const QString&) {
    return {};
}

bool HandOverClipboard::writeText(const QString&) {
    return false;
}

} // namespace mebo
