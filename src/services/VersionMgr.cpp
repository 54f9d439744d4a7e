#include "services/VersionMgr.h"

#ifndef MEBO_VERSION
#define MEBO_VERSION "0.1.0"
#endif
#ifndef MEBO_BUILD_NUMBER
#define MEBO_BUILD_NUMBER "1"
#endif

namespace mebo {

const char* const VersionMgr::testVersionVariable = "MEBO_TEST_BUNDLE_VERSION";
const char* const VersionMgr::testBuildVariable = "MEBO_TEST_BUNDLE_BUILD";

namespace {

QString stringOr(const QVariant& value) {
    if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
        return value.toString();
    }
    return QString::fromLatin1(VersionMgr::fallbackVersion);
}

QVariant built(const char* variable, const char* value) {
    if (qEnvironmentVariableIsSet(variable)) {
        return qEnvironmentVariable(variable);
    }
    return QString::fromLatin1(value);
}

} // namespace

VersionMgr::VersionMgr(const QVariant& shortVersion, const QVariant& buildNumber)
    : version_(stringOr(shortVersion)), buildNumber_(stringOr(buildNumber)) {}

VersionMgr VersionMgr::fromBuild() {
    return VersionMgr(built(testVersionVariable, MEBO_VERSION), built(testBuildVariable, MEBO_BUILD_NUMBER));
}

} // namespace mebo
