#pragma once

#include <QString>
#include <QVariant>

namespace mebo {

// The running version: the short version ("0.2.0") and the build number, as built in.
class VersionMgr {
public:
    static constexpr const char* fallbackVersion = "0.1.0";

    // A value that is missing or not a string gives 0.1.0.
    VersionMgr(const QVariant& shortVersion, const QVariant& buildNumber);

    // The build's values. MEBO_TEST_BUNDLE_VERSION and MEBO_TEST_BUNDLE_BUILD replace them: the
    // tests make an installed copy pose as an older release; an update's relaunch drops them.
    static VersionMgr fromBuild();
    static const char* const testVersionVariable;
    static const char* const testBuildVariable;

    const QString& version() const { return version_; }
    const QString& buildNumber() const { return buildNumber_; }

private:
    QString version_;
    QString buildNumber_;
};

} // namespace mebo
