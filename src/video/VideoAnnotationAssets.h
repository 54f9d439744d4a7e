#pragma once

#include "video/VideoRegions.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mebo {

// The image files of image annotations. They lie beside the project (or, while an edit has no
// project file, in a transient folder of the editing session) and are named
// "<base>.annotation-<UUID>.<ext>". Every failure is logged and answers nothing.
class VideoAnnotationAssets {
public:
    static constexpr qint64 kMaxBytes = 10'000'000;
    static const QStringList& extensions(); // "png", "jpg", "jpeg", "webp"

    // The decoded image when the extension, the size, the first bytes and the decoding all pass;
    // otherwise nothing, with a warning naming the file.
    static std::optional<QImage> validate(const QString& path);
    // "<baseName>.annotation-<new UUID>.<extension lower-cased>".
    static QString newAssetName(const QString& baseName, const QString& extension);
    // Validates `path` and copies it into `folder` (created with its parents) under a new asset
    // name; answers that name (for the annotation's imageFileName).
    static std::optional<QString> importImage(const QString& path, const QString& folder,
                                              const QString& baseName);
    // Removes the files of `folder` named "<baseName>.annotation-*" that no annotation names.
    // Answers how many were removed (failures are logged, never fatal).
    static int cleanOrphans(const QString& folder, const QString& baseName,
                            const QList<AnnotationRegion>& annotations);

    // "<cache folder>/transient-video-assets": the editing sessions' folders without a project.
    static QString transientRoot();
    // A new, empty folder for one editing session under `root`; empty when it cannot be made.
    static QString createSessionFolder(const QString& root = transientRoot());
    // Tears a session folder down (logged when it fails).
    static bool removeSessionFolder(const QString& folder);
    // At start-up: removes the whole transient root (logged when it fails).
    static bool sweepTransientRoot(const QString& root = transientRoot());
};

} // namespace mebo
