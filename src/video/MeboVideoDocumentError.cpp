#include "video/MeboVideoDocumentError.h"

#include "document/MeboDocumentError.h"

namespace mebo {

MeboVideoDocumentError::MeboVideoDocumentError(Kind kind, qint64 version, QString reason, QString description)
    : std::runtime_error(description.toStdString()), kind_(kind), version_(version),
      reason_(std::move(reason)), description_(std::move(description)) {}

MeboVideoDocumentError MeboVideoDocumentError::unsupportedVersion(qint64 version) {
    return {
        Kind::unsupportedVersion, version, {}, MeboDocumentError::unsupportedVersion(version).description()};
}

MeboVideoDocumentError MeboVideoDocumentError::decodeFailed(const QString& reason) {
    return {Kind::decodeFailed, 0, reason, MeboDocumentError::decodeFailed(reason).description()};
}

} // namespace mebo
