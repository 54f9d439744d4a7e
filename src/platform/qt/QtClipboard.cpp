#include "platform/qt/QtClipboard.h"

#include "platform/qt/PngClipboardMime.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace mebo::platform {

namespace {
// Nautilus, Nemo and Thunar read the first, Caja the second: "copy" then one URL per line.
const QString kGnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
const QString kMateCopiedFiles = QStringLiteral("x-special/mate-copied-files");
} // namespace

QtClipboard::QtClipboard(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) {
            onClipboardChanged();
        }
    });
}

void QtClipboard::clear() {
    watching_ = false;
    written_ = nullptr;
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

bool QtClipboard::writePng(const QByteArray& png) {
    if (png.isEmpty()) {
        return false;
    }
    return put(new PngClipboardMime(png));
}

bool QtClipboard::writeText(const QString& text) {
    auto* mime = new QMimeData;
    mime->setText(text);
    return put(mime);
}

bool QtClipboard::writeImageObject(const QImage& image) {
    if (image.isNull()) {
        return false;
    }
    // What QClipboard::setImage does, keeping hold of the data to recognise it later.
    auto* mime = new QMimeData;
    mime->setImageData(image);
    return put(mime);
}

Clipboard::FileWrite QtClipboard::writeFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QUrl url = QUrl::fromLocalFile(absolute);
    const QByteArray copied = QByteArrayLiteral("copy\n") + url.toEncoded();

    auto* mime = new QMimeData;
    mime->setUrls({url});
    mime->setData(kGnomeCopiedFiles, copied);
    mime->setData(kMateCopiedFiles, copied);
    mime->setText(absolute);

    FileWrite result;
    if (put(mime)) {
        result.url = mime->hasUrls();
        result.fileList = mime->hasFormat(kGnomeCopiedFiles);
        result.text = mime->hasText();
    }
    return result;
}

bool QtClipboard::ownsContent() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->ownsClipboard()) {
        return true;
    }
    // Platforms without selection ownership (offscreen) keep the data in process: the content
    // is ours while the clipboard still hands out the object we gave it.
    return written_ && clipboard->mimeData(QClipboard::Clipboard) == written_.data();
}

QByteArray QtClipboard::heldPng() const {
    if (!written_ || !ownsContent() || !qobject_cast<PngClipboardMime*>(written_.data())) {
        return {};
    }
    return written_->data(QStringLiteral("image/png"));
}

bool QtClipboard::put(QMimeData* mime) {
    writing_ = true;
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    writing_ = false;
    written_ = mime;
    watching_ = ownsContent();
    return watching_;
}

void QtClipboard::onClipboardChanged() {
    if (writing_ || !watching_) {
        return;
    }
    if (!ownsContent()) {
        watching_ = false;
        Q_EMIT ownershipLost();
    }
}

} // namespace mebo::platform
