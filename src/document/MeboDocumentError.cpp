#include "document/MeboDocumentError.h"

#include <QCoreApplication>

namespace mebo {

MeboDocumentError::MeboDocumentError(Kind kind, qint64 version, QString text, QString description)
    : std::runtime_error(description.toStdString()), kind_(kind), version_(version), text_(std::move(text)),
      description_(std::move(description)) {}

MeboDocumentError MeboDocumentError::unsupportedVersion(qint64 version) {
    return {Kind::unsupportedVersion,
            version,
            {},
            QCoreApplication::translate("MeboDocumentError",
                                        "Project schema version %1 is newer than this version of Mebo.")
                .arg(version)};
}

MeboDocumentError MeboDocumentError::decodeFailed(const QString& text) {
    return {
        Kind::decodeFailed, 0, text,
        QCoreApplication::translate("MeboDocumentError", "Project file could not be decoded: %1").arg(text)};
}

MeboDocumentError MeboDocumentError::unknownLayerType(const QString& type) {
    return {Kind::unknownLayerType, 0, type,
            QCoreApplication::translate("MeboDocumentError",
                                        "Project file contains an unsupported layer type: %1")
                .arg(type)};
}

MeboDocumentError MeboDocumentError::missingBaseImage() {
    return {Kind::missingBaseImage,
            0,
            {},
            QCoreApplication::translate("MeboDocumentError", "Project file is missing its base image.")};
}

} // namespace mebo
