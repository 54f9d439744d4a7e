#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace mebo {

// One item of the capture library, as stored in "index.json" (JSON keys = field names).
struct HistoryEntry {
    QString id;            // canonical upper-case UUID text
    QString filename;      // relative to the save folder, or absolute when it begins with "/"
    QString thumbnailName; // id + ".jpg"
    QString mode;          // CaptureMode raw value
    QDateTime createdAt;
    int widthPx = 0;
    int heightPx = 0;
    QStringList tags;
    QString mediaType = QStringLiteral("image"); // "image" or "video"
    std::optional<double> durationSec;
    bool hasMeboSidecar = false;
    std::optional<QString> saveTargetPath;
    std::optional<QString> webcamFileName;
    // Device pixels per point of the display the capture came from (2 on a 192-dpi display);
    // none for entries written before it was recorded.
    std::optional<int> displayScale;

    QJsonObject toJson() const;
    // Strict: a missing or mistyped required key fails with its key path in `error`.
    static std::optional<HistoryEntry> fromJson(const QJsonObject& obj, QString* error);

    bool operator==(const HistoryEntry&) const = default;
};

} // namespace mebo
