#include "video/VideoAnnotationAssets.h"

#include "app/AppLogger.h"
#include "video/VideoRecordJson.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QStandardPaths>

namespace mebo {

namespace {

void refuse(const char* prefix, const QString& path) {
    logWarning(QString::fromUtf8(prefix) + QFileInfo(path).fileName());
}

bool magicMatches(const QByteArray& bytes, const QString& ext) {
    if (ext == QLatin1String("png")) {
        return bytes.startsWith(QByteArray::fromRawData("\x89PNG\r\n\x1a\n", 8));
    }
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) {
        return bytes.startsWith(QByteArray::fromRawData("\xff\xd8\xff", 3));
    }
    if (ext == QLatin1String("webp")) {
        return bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP";
    }
    return false;
}

} // namespace

const QStringList& VideoAnnotationAssets::extensions() {
    static const QStringList list{"png", "jpg", "jpeg", "webp"};
    return list;
}

std::optional<QImage> VideoAnnotationAssets::validate(const QString& path) {
    const QFileInfo info(path);
    const QString ext = info.suffix().toLower();
    if (!extensions().contains(ext)) {
        refuse("[VideoEditor] 圖片標註副檔名不支援: ", path);
        return std::nullopt;
    }
    if (info.size() > kMaxBytes) {
        refuse("[VideoEditor] 圖片標註素材超過 10MB: ", path);
        return std::nullopt;
    }
    QFile file(path);
    // Read at most one byte past the limit: the file may have grown since its size was read.
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(kMaxBytes + 1) : QByteArray();
    if (bytes.size() > kMaxBytes) {
        refuse("[VideoEditor] 圖片標註素材超過 10MB: ", path);
        return std::nullopt;
    }
    if (!magicMatches(bytes, ext)) {
        refuse("[VideoEditor] 圖片標註 magic bytes 驗證失敗: ", path);
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, ext == QLatin1String("jpg") ? QByteArray("jpeg") : ext.toLatin1());
    // A small file can still claim a huge picture; refuse before allocating it.
    const QSize size = reader.size();
    QImage image;
    if (!size.isValid() || qint64(size.width()) * size.height() <= 100'000'000) {
        image = reader.read();
    }
    if (image.isNull()) {
        refuse("[VideoEditor] 圖片標註素材無法解碼: ", path);
        return std::nullopt;
    }
    return image;
}

QString VideoAnnotationAssets::newAssetName(const QString& baseName, const QString& extension) {
    return baseName + QStringLiteral(".annotation-") + VideoRecordJson::uuidText(QUuid::createUuid()) +
           QLatin1Char('.') + extension.toLower();
}

std::optional<QString> VideoAnnotationAssets::importImage(const QString& path, const QString& folder,
                                                          const QString& baseName) {
    if (!validate(path)) {
        return std::nullopt;
    }
    const QString name = newAssetName(baseName, QFileInfo(path).suffix());
    const QString target = QDir(folder).filePath(name);
    QString error;
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot create %1").arg(folder);
    } else {
        QFile::remove(target);
        QFile source(path);
        if (!source.copy(target)) {
            error = source.errorString();
        }
    }
    if (!error.isEmpty()) {
        QFile::remove(target);
        logWarning(QStringLiteral("[VideoEditor] 圖片標註素材複製失敗: ") + error);
        return std::nullopt;
    }
    return name;
}

int VideoAnnotationAssets::cleanOrphans(const QString& folder, const QString& baseName,
                                        const QList<AnnotationRegion>& annotations) {
    const QDir dir(folder);
    if (!dir.exists()) {
        return 0;
    }
    QSet<QString> named;
    for (const AnnotationRegion& a : annotations) {
        if (a.imageFileName) {
            named.insert(*a.imageFileName);
        }
    }
    const QString prefix = baseName + QStringLiteral(".annotation-");
    int removed = 0;
    QStringList failures;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(prefix) || named.contains(name)) {
            continue;
        }
        if (QFile::remove(dir.filePath(name))) {
            ++removed;
        } else {
            failures << name;
        }
    }
    if (!failures.isEmpty()) {
        logWarning(QStringLiteral("[VideoEditor] 清理孤立圖片標註素材失敗 ") +
                   failures.join(QStringLiteral(", ")));
    }
    if (removed > 0) {
        logInfo(QStringLiteral("[VideoEditor] 已清理孤立圖片標註素材: ") + QString::number(removed));
    }
    return removed;
}

QString VideoAnnotationAssets::transientRoot() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty()) {
        base = QDir(QDir::tempPath()).filePath(QStringLiteral("app.mebo"));
    }
    return QDir(base).filePath(QStringLiteral("transient-video-assets"));
}

QString VideoAnnotationAssets::createSessionFolder(const QString& root) {
    const QString folder = QDir(root).filePath(VideoRecordJson::uuidText(QUuid::createUuid()));
    return QDir().mkpath(folder) ? folder : QString();
}

bool VideoAnnotationAssets::removeSessionFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo::exists(folder) || QDir(folder).removeRecursively()) {
        return true;
    }
    logWarning(QStringLiteral("[VideoEditor] tearDown transient asset 目錄失敗 ") + folder);
    return false;
}

bool VideoAnnotationAssets::sweepTransientRoot(const QString& root) {
    if (!QFileInfo::exists(root) || QDir(root).removeRecursively()) {
        return true;
    }
    logWarning(QStringLiteral("[MainWindowVM] 啟動清掃 transient-video-assets 失敗: ") + root);
    return false;
}

} // namespace mebo
