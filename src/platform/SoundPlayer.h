#pragma once

#include <QString>

namespace mebo::platform {

// Plays one short sound file. Playback never blocks the caller.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Prepares the file for playback; false when it cannot be decoded.
    virtual bool load(const QString& path) = 0;
    // Stops a playing instance, rewinds and plays; false when playback could not start.
    virtual bool play() = 0;
    // The system alert beep.
    virtual void beep() = 0;
};

} // namespace mebo::platform
