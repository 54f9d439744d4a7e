#include "app/CapturePrefs.h"

#include "platform/DefaultsStore.h"

#include <QStandardPaths>
#include <algorithm>

namespace mebo {

namespace {
constexpr const char* kDelay = "mebo.captureDelaySeconds";
constexpr const char* kNotify = "mebo.notifyAfterCapture";
constexpr const char* kExportFolder = "mebo.lastExportFolder";
constexpr const char* kQuality = "mebo.exportQuality";

QString key(const char* k) {
    return QString::fromLatin1(k);
}
} // namespace

CapturePrefs::CapturePrefs(platform::DefaultsStore& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
    defaults_.registerDefaults({
        {key(kDelay), qlonglong(0)},
        {key(kNotify), false},
        {key(kQuality), qlonglong(kDefaultQuality)},
    });
}

void CapturePrefs::write(const char* k, const QVariant& value) {
    defaults_.set(key(k), value);
    Q_EMIT changed(key(k));
}

int CapturePrefs::delaySeconds() const {
    bool ok = false;
    const qlonglong v = defaults_.object(key(kDelay)).toLongLong(&ok);
    return ok ? int(std::clamp<qlonglong>(v, 0, kMaxDelaySeconds)) : 0;
}

void CapturePrefs::setDelaySeconds(int seconds) {
    write(kDelay, qlonglong(std::clamp(seconds, 0, kMaxDelaySeconds)));
}

bool CapturePrefs::notifyAfterCapture() const {
    return defaults_.object(key(kNotify)).toBool();
}

void CapturePrefs::setNotifyAfterCapture(bool on) {
    write(kNotify, on);
}

QString CapturePrefs::exportFolder() const {
    const QString stored = defaults_.object(key(kExportFolder)).toString();
    return stored.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) : stored;
}

void CapturePrefs::setExportFolder(const QString& folder) {
    write(kExportFolder, folder);
}

int CapturePrefs::exportQuality() const {
    bool ok = false;
    const qlonglong v = defaults_.object(key(kQuality)).toLongLong(&ok);
    return ok ? int(std::clamp<qlonglong>(v, 1, 100)) : kDefaultQuality;
}

void CapturePrefs::setExportQuality(int quality) {
    write(kQuality, qlonglong(std::clamp(quality, 1, 100)));
}

} // namespace mebo
