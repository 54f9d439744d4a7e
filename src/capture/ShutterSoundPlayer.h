#pragma once

#include <QStringList>
#include <functional>
#include <optional>

namespace mebo {

namespace platform {
class SoundPlayer;
}

// The capture sound, at most once per interval. Main thread.
class ShutterSoundPlayer {
public:
    // `resourceDirs`: where the application's own "Shutter" sound may be; `systemSounds`: system
    // fallbacks in order (the freedesktop theme's camera shutter); `uptime`: monotonic seconds.
    ShutterSoundPlayer(platform::SoundPlayer& player, QStringList resourceDirs, QStringList systemSounds,
                       std::function<double()> uptime);

    void play(double minIntervalSec);
    // The loaded file, once loading happened (nothing when no candidate could be loaded).
    std::optional<QString> loadedSound() const { return loaded_; }

    static QStringList defaultResourceDirs();
    static QStringList defaultSystemSounds();
    static double systemUptime();

private:
    void ensureLoaded();

    platform::SoundPlayer& player_;
    QStringList resourceDirs_;
    QStringList systemSounds_;
    std::function<double()> uptime_;
    bool loadTried_ = false;
    std::optional<QString> loaded_;
    double lastPlayUptime_;
};

} // namespace mebo
