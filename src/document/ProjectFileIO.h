#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace mebo {

// File access shared by the project files (.mebo, .mebo-video). Both throw DocumentFileError.
class ProjectFileIO {
public:
    // The file's bytes; nothing when it holds more than `maxBytes` (refused before reading, and
    // never more than one byte past the limit read while it grows).
    static std::optional<QByteArray> read(const QString& path, qint64 maxBytes);
    // Atomic: the file is either its old content or the new one.
    static void write(const QString& path, const QByteArray& bytes);
};

} // namespace mebo
