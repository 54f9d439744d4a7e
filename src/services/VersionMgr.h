#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace mebo {

// The running version: `version` is the short version string ("0.1.0", the package's version),
// `buildNumber` the build that the update feed compares. Either one missing gives "0.1.0".
class VersionMgr {
public:
    // Reads a value of the application's description by key (BundleInfo::value).
    using InfoLookup = std::function<std::optional<QString>(const QString& key)>;

    explicit VersionMgr(const InfoLookup& info);

    // The process's one instance, over BundleInfo; created on first use.
    static const VersionMgr& shared();

    const QString& version() const { return version_; }
    const QString& buildNumber() const { return buildNumber_; }
    // "0.1.0 (build 1)".
    QString displayString() const;

private:
    QString version_;
    QString buildNumber_;
};

} // namespace mebo
