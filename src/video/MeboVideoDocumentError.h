#pragma once

#include <QString>
#include <stdexcept>

namespace mebo {

// Why a video project could not be read. The texts are those of the image project file.
class MeboVideoDocumentError : public std::runtime_error {
public:
    enum class Kind { unsupportedVersion, decodeFailed };

    static MeboVideoDocumentError unsupportedVersion(qint64 version);
    static MeboVideoDocumentError decodeFailed(const QString& reason);

    Kind kind() const { return kind_; }
    qint64 version() const { return version_; }       // unsupportedVersion
    const QString& reason() const { return reason_; } // decodeFailed
    // "Project schema version 2 is newer than this version of Mebo." /
    // "Project file could not be decoded: invalid version"
    const QString& description() const { return description_; }

private:
    MeboVideoDocumentError(Kind kind, qint64 version, QString reason, QString description);

    Kind kind_;
    qint64 version_ = 0;
    QString reason_;
    QString description_;
};

} // namespace mebo
