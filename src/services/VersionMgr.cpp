#include "services/VersionMgr.h"

#include "app/BundleInfo.h"

namespace mebo {

namespace {

const QString kFallback = QStringLiteral("0.1.0");

} // namespace

VersionMgr::VersionMgr(const InfoLookup& info)
    : version_(info(QStringLiteral("CFBundleShortVersionString")).value_or(kFallback)),
      buildNumber_(info(QStringLiteral("CFBundleVersion")).value_or(kFallback)) {}

const VersionMgr& VersionMgr::shared() {
    static const VersionMgr instance(&BundleInfo::value);
    return instance;
}

QString VersionMgr::displayString() const {
    return QStringLiteral("%1 (build %2)").arg(version_, buildNumber_);
}

} // namespace mebo
