#include "capture/ImageStore.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/PngFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

namespace mebo {

ImageStore::ImageStore(Cfg& cfg) : cfg_(cfg) {}

void ImageStore::ensureSaveDirectory() {
    const QString dir = cfg_.saveDirectory();
    if (!QDir().mkpath(dir)) {
        // QDir gives no reason; say what is in the way.
        const QFileInfo info(dir);
        const QString reason =
            info.exists() && !info.isDir()
                ? QStringLiteral("a file is in the way at %1").arg(dir)
                : QStringLiteral("cannot create %1 (permission denied or read-only)").arg(dir);
        logError(QStringLiteral("[ImageStore] 創建保存目錄失敗: ") + reason);
    }
    logInfo(QStringLiteral("[ImageStore] saveDir=") + dir);
}

namespace {

QString formatDate(const QString& pattern, const QDateTime& date) {
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(
        icu::UnicodeString(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size())),
        icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status)) {
        return {};
    }
    icu::UnicodeString out;
    format.format(UDate(date.toMSecsSinceEpoch()), out);
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

} // namespace

QString ImageStore::expandTemplate(const QString& filenameTemplate, const QDateTime& date) {
    static const QRegularExpression pattern(QStringLiteral("\\{([^}]+)\\}"));
    QList<QRegularExpressionMatch> matches;
    for (auto it = pattern.globalMatch(filenameTemplate); it.hasNext();) {
        matches << it.next();
    }
    QString out = filenameTemplate;
    // Last to first so earlier ranges stay valid.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        out.replace(it->capturedStart(0), it->capturedLength(0), formatDate(it->captured(1), date));
    }
    return out;
}

QString ImageStore::expandFilenameTemplate(const QDateTime& date) const {
    return expandTemplate(cfg_.filenameTemplate(), date);
}

std::optional<QString> ImageStore::write(const QDateTime& date, const std::function<QByteArray()>& encode) {
    const QDir dir(cfg_.saveDirectory());
    const QString base = expandFilenameTemplate(date);
    QString candidate = dir.filePath(base + QStringLiteral(".png"));
    for (int n = 1; QFileInfo::exists(candidate); ++n) {
        candidate = dir.filePath(QStringLiteral("%1-%2.png").arg(base).arg(n));
    }

    if (!dir.exists()) {
        logError(QStringLiteral("[ImageStore] CGImageDestinationCreateWithURL 失敗: ") + candidate);
        return std::nullopt;
    }
    const QByteArray png = encode();
    QString error = QStringLiteral("cannot encode the image as PNG (empty or too large)");
    if (png.isEmpty() || !PngFile::write(png, candidate, &error)) {
        logError(QStringLiteral("[ImageStore] CGImageDestinationFinalize 失敗"));
        AppLogger::shared().os(platform::SystemLogType::Error, QStringLiteral("[ImageStore] ") + error);
        return std::nullopt;
    }
    logSuccess(QStringLiteral("[ImageStore] 已寫入: ") + candidate);
    return candidate;
}

} // namespace mebo
