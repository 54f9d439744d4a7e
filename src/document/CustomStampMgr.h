#pragma once

#include "document/CustomStamp.h"

#include <QList>
#include <QString>
#include <optional>

namespace mebo {

// The user's stamp images: a folder of PNG copies plus "index.json" ({"stamps": [{"id",
// "filename", "label"}]}). Used from the main thread.
class CustomStampMgr {
public:
    // "Mebo/Stamps" under the XDG data home.
    static QString defaultFolder();

    // Reads the index of `folder` (a missing or unreadable index gives an empty list).
    explicit CustomStampMgr(QString folder = defaultFolder());

    const QString& folder() const { return folder_; }
    const QList<CustomStamp>& stamps() const { return stamps_; }
    // Absolute path of a stamp's image.
    QString imagePath(const CustomStamp& stamp) const;
    // The stamp with this id, if listed.
    std::optional<CustomStamp> find(const QString& id) const;

    // Copies the image at `sourcePath` into the folder as "<new UUID>.png" (converted when it is
    // not a PNG) and appends it to the index. An empty label takes the source's base name. On
    // failure nothing changes and `error` says why in words for the user.
    std::optional<CustomStamp> importImage(const QString& sourcePath, const QString& label = {},
                                           QString* error = nullptr);
    // Reads the index again.
    void reload();

private:
    bool ensureFolder(QString* error) const;
    bool writeIndex(const QList<CustomStamp>& stamps, QString* error) const;

    QString folder_;
    QList<CustomStamp> stamps_;
};

} // namespace mebo
