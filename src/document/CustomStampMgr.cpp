#include "document/CustomStampMgr.h"

#include "app/AppLogger.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

namespace mebo {

namespace {

const QString kIndexName = QStringLiteral("index.json");

// A file name that stays inside the folder.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

void setError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

} // namespace

QString CustomStampMgr::defaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Mebo/Stamps"));
}

CustomStampMgr::CustomStampMgr(QString folder) : folder_(std::move(folder)) {
    reload();
}

QString CustomStampMgr::imagePath(const CustomStamp& stamp) const {
    return QDir(folder_).filePath(stamp.filename);
}

std::optional<CustomStamp> CustomStampMgr::find(const QString& id) const {
    for (const CustomStamp& s : stamps_) {
        if (s.id == id) {
            return s;
        }
    }
    return std::nullopt;
}

void CustomStampMgr::reload() {
    stamps_.clear();
    QString error;
    ensureFolder(&error);
    const QString path = QDir(folder_).filePath(kIndexName);
    QFile file(path);
    if (!file.exists()) {
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        // Moved aside rather than left to be replaced by the next import's shorter list.
        logWarning(QStringLiteral("[CustomStampMgr] index.json 讀取失敗: %1").arg(file.errorString()));
        const QString kept = path + QStringLiteral(".broken");
        QFile::remove(kept);
        QFile::rename(path, kept);
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject() || !doc.object().value(QStringLiteral("stamps")).isArray()) {
        // Keep the unreadable index for the user; the next import writes a fresh one.
        const QString kept = path + QStringLiteral(".broken");
        QFile::remove(kept);
        QFile::copy(path, kept);
        logWarning(QStringLiteral("[CustomStampMgr] index.json 損壞, 以空清單開始 (%1)")
                       .arg(parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                         : QStringLiteral("no stamps list")));
        return;
    }
    for (const QJsonValue& v : doc.object().value(QStringLiteral("stamps")).toArray()) {
        const QJsonObject o = v.toObject();
        const QJsonValue id = o.value(QStringLiteral("id"));
        const QJsonValue filename = o.value(QStringLiteral("filename"));
        // Entries that cannot name a file inside the folder are left out.
        if (!id.isString() || !filename.isString() || !isPlainFileName(filename.toString())) {
            continue;
        }
        stamps_.append(
            CustomStamp{id.toString(), filename.toString(), o.value(QStringLiteral("label")).toString()});
    }
}

bool CustomStampMgr::ensureFolder(QString* error) const {
    if (QDir(folder_).exists() || QDir().mkpath(folder_)) {
        return true;
    }
    setError(error, QStringLiteral("The stamps folder %1 could not be created.").arg(folder_));
    return false;
}

bool CustomStampMgr::writeIndex(const QList<CustomStamp>& stamps, QString* error) const {
    QJsonArray list;
    for (const CustomStamp& s : stamps) {
        list.append(QJsonObject{{QStringLiteral("id"), s.id},
                                {QStringLiteral("filename"), s.filename},
                                {QStringLiteral("label"), s.label}});
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QStringLiteral("stamps"), list}}).toJson(QJsonDocument::Compact);
    return writeAtomically(QDir(folder_).filePath(kIndexName), bytes, error);
}

std::optional<CustomStamp> CustomStampMgr::importImage(const QString& sourcePath, const QString& label,
                                                       QString* error) {
    auto fail = [&](const QString& text) -> std::optional<CustomStamp> {
        logWarning(QStringLiteral("[CustomStampMgr] 匯入失敗: %1: %2").arg(sourcePath, text));
        setError(error, text);
        return std::nullopt;
    };
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        return fail(QStringLiteral("The file could not be opened: %1").arg(source.errorString()));
    }
    const QByteArray bytes = source.readAll();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    if (image.isNull()) {
        return fail(QStringLiteral("The file is not a readable image: %1").arg(reader.errorString()));
    }
    QString writeError;
    if (!ensureFolder(&writeError)) {
        return fail(writeError);
    }

    CustomStamp stamp;
    stamp.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    stamp.filename = stamp.id + QStringLiteral(".png");
    stamp.label = label.isEmpty() ? QFileInfo(sourcePath).completeBaseName() : label;

    // A PNG is copied byte for byte; anything else is converted.
    QByteArray png = bytes;
    if (format != "png") {
        png.clear();
        QBuffer out(&png);
        out.open(QIODevice::WriteOnly);
        if (!image.save(&out, "PNG")) {
            return fail(QStringLiteral("The image could not be converted to PNG."));
        }
    }
    const QString target = imagePath(stamp);
    if (!writeAtomically(target, png, &writeError)) {
        return fail(QStringLiteral("The image could not be saved: %1").arg(writeError));
    }
    QList<CustomStamp> next = stamps_;
    next.append(stamp);
    if (!writeIndex(next, &writeError)) {
        QFile::remove(target);
        return fail(QStringLiteral("The stamp list could not be saved: %1").arg(writeError));
    }
    stamps_ = next;
    return stamp;
}

} // namespace mebo
