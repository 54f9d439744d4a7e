#include "editor/OcrResultWindowModel.h"

#include "app/AppLogger.h"
#include "editor/OcrResult.h"
#include "platform/Clipboard.h"

namespace mebo {

OcrResultWindowModel::OcrResultWindowModel(platform::Clipboard* clipboard, QObject* parent)
    : QObject(parent), clipboard_(clipboard) {
    flashTimer_.setSingleShot(true);
    flashTimer_.setInterval(kStatusFlashSec * 1000);
    connect(&flashTimer_, &QTimer::timeout, this, [this] {
        flash_.clear();
        Q_EMIT statusChanged();
    });
}

void OcrResultWindowModel::show(const QString& text, std::function<void()> rerunHandler,
                                std::function<void(const QString&)> overlayHandler) {
    text_ = text;
    rerun_ = std::move(rerunHandler);
    overlay_ = std::move(overlayHandler);
    flash_.clear();
    flashTimer_.stop();
    Q_EMIT statusChanged();
    Q_EMIT shown();
}

void OcrResultWindowModel::setText(const QString& text) {
    if (text != text_) {
        text_ = text;
        Q_EMIT statusChanged();
    }
}

QString OcrResultWindowModel::status() const {
    return flash_.isEmpty() ? OcrResult::statusText(text_) : flash_;
}

void OcrResultWindowModel::flash(const QString& message) {
    flash_ = message;
    flashTimer_.start();
    Q_EMIT statusChanged();
}

void OcrResultWindowModel::copyAll() {
    if (clipboard_) {
        clipboard_->writeText(text_);
    }
    flash(QStringLiteral("Copied to clipboard"));
    logInfo(QStringLiteral("[OCR] Copy All: %1 chars").arg(OcrResult::characterCount(text_)));
}

void OcrResultWindowModel::joinLines() {
    const std::optional<QString> joined = OcrResult::joinedLines(text_);
    if (!joined) {
        flash(QStringLiteral("Already single line"));
        return;
    }
    const int before = OcrResult::characterCount(text_);
    text_ = *joined;
    Q_EMIT textReplaced(text_);
    flash(QStringLiteral("Joined to single line"));
    logInfo(
        QStringLiteral("[OCR] Join Lines: %1 -> %2 chars").arg(before).arg(OcrResult::characterCount(text_)));
}

void OcrResultWindowModel::selectRegion() {
    if (rerun_) {
        rerun_();
    }
}

void OcrResultWindowModel::overlay() {
    if (!overlay_) {
        return;
    }
    overlay_(text_);
    flash(QStringLiteral("Text layers added"));
}

} // namespace mebo
