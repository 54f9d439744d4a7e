#include "capture/ShutterSoundPlayer.h"

#include "app/InstallLayout.h"
#include "platform/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <ctime>
#include <limits>

namespace mebo {

ShutterSoundPlayer::ShutterSoundPlayer(platform::SoundPlayer& player, QStringList resourceDirs,
                                       QStringList systemSounds, std::function<double()> uptime)
    : player_(player), resourceDirs_(std::move(resourceDirs)), systemSounds_(std::move(systemSounds)),
      uptime_(std::move(uptime)), lastPlayUptime_(-std::numeric_limits<double>::infinity()) {}

QStringList ShutterSoundPlayer::defaultResourceDirs() {
    // The program's own tree first (installed or built: <root>/share/mebo/sounds), then the data
    // folders of the user and the system.
    QStringList dirs;
    dirs << InstallLayout::current().dataDir(QStringLiteral("sounds"));
    for (const QString& d : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        dirs << QDir(d).filePath(QStringLiteral("mebo/sounds"));
    }
    return dirs;
}

QStringList ShutterSoundPlayer::defaultSystemSounds() {
    return {QStringLiteral("/usr/share/sounds/freedesktop/stereo/camera-shutter.oga")};
}

double ShutterSoundPlayer::systemUptime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void ShutterSoundPlayer::ensureLoaded() {
    if (loadTried_) {
        return;
    }
    loadTried_ = true;
    QStringList candidates;
    for (const QString& dir : resourceDirs_) {
        for (const char* ext : {"aif", "aiff", "wav"}) {
            candidates << QDir(dir).filePath(QStringLiteral("Shutter.") + QLatin1String(ext));
        }
    }
    candidates << systemSounds_;
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path) && player_.load(path)) {
            loaded_ = path;
            return;
        }
    }
}

void ShutterSoundPlayer::play(double minIntervalSec) {
    ensureLoaded();
    const double now = uptime_();
    if (!(now - lastPlayUptime_ > minIntervalSec)) {
        return;
    }
    lastPlayUptime_ = now;
    if (loaded_) {
        if (!player_.play()) {
            player_.beep();
        }
    } else {
        player_.beep();
    }
}

} // namespace mebo
