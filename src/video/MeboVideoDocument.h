#pragma once

#include "video/VideoSnapshot.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace mebo {

// The ".mebo-video" project: every edit decision of a recording, no media. UTF-8 JSON, one
// object, keys sorted in every object, pretty printed; ids as upper-case UUID text.
//
// Every key is optional on reading and takes its default when absent or null; a region record
// missing a required key, a value of the wrong type or an unknown enumeration value fails the
// whole file with decodeFailed naming the key ("key 'trimRegions[1].endSec' is not a number").
// Reading throws MeboVideoDocumentError, or DocumentFileError when the file itself cannot be
// read; writing throws JsonEncodeError (a number JSON cannot hold) or DocumentFileError.
class MeboVideoDocument {
public:
    static constexpr qint64 kFormatVersion = 1;
    // Largest file read: a project holds no media, so this is far beyond any real edit.
    static constexpr qint64 kMaxFileBytes = qint64(64) << 20;

    qint64 schemaVersion = kFormatVersion;
    qint64 version = kFormatVersion;
    std::optional<QString> sourceFileName;
    std::optional<QString> webcamFileName;
    VideoSnapshot edit;

    bool operator==(const MeboVideoDocument&) const = default;

    static MeboVideoDocument fromJson(const QByteArray& json);
    static MeboVideoDocument readFile(const QString& path);
    // Both version keys are always 1; optional values that are absent write no key; an empty
    // chapter list writes no "chapterSegments".
    QByteArray toJson() const;
    // Atomic: the file is either its old content or the new one.
    void writeFile(const QString& path) const;
};

} // namespace mebo
