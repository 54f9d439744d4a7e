#pragma once

#include <QString>
#include <stdexcept>

namespace mebo {

// Why a project file could not be read or written, with the text the user sees.
class MeboDocumentError : public std::runtime_error {
public:
    enum class Kind { unsupportedVersion, decodeFailed, unknownLayerType, missingBaseImage };

    static MeboDocumentError unsupportedVersion(qint64 version);
    static MeboDocumentError decodeFailed(const QString& text);
    static MeboDocumentError unknownLayerType(const QString& type);
    static MeboDocumentError missingBaseImage();

    Kind kind() const { return kind_; }
    qint64 version() const { return version_; }   // unsupportedVersion
    const QString& text() const { return text_; } // decodeFailed, unknownLayerType
    // "Project schema version 2 is newer than this version of Mebo." and so on.
    const QString& description() const { return description_; }

private:
    MeboDocumentError(Kind kind, qint64 version, QString text, QString description);

    Kind kind_;
    qint64 version_ = 0;
    QString text_;
    QString description_;
};

} // namespace mebo
