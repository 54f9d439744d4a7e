#pragma once

#include "platform/Result.h"

#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace mebo::platform {

struct CameraDeviceInfo {
    QString uniqueId; // stable across replugging and reboots (/dev/v4l/by-id/... where there is one)
    QString name;     // what the user sees
    QString node;     // the /dev/videoN it is now
};

// One camera picture: RGB32 (BGRA in memory), a fresh image per frame (the receiver may keep it).
struct CameraFrame {
    QImage image;
    int64_t ptsNs = 0; // monotonic clock at the moment the picture was taken
};

// A running camera; stopping joins its thread: no callback runs after stop() returned.
class CameraStream {
public:
    virtual ~CameraStream() = default;
    virtual void stop() = 0;
};

// Video capture devices. Frames arrive on the stream's own thread; a frame that is already late
// when it is read (the receiver was slow) is dropped there. `onError` reports, at most once, a
// camera that stopped by itself (unplugged, unreadable).
class CameraCapture {
public:
    // A device id with this prefix names a video file that is played in a loop as a camera.
    static constexpr const char* filePrefix = "file:";

    virtual ~CameraCapture() = default;
    virtual Result<QList<CameraDeviceInfo>> devices() = 0;
    // The camera used when none is chosen or the chosen one is gone.
    virtual Result<QString> defaultDevice() = 0;
    virtual Result<std::unique_ptr<CameraStream>> open(const QString& deviceId, const QString& threadName,
                                                       std::function<void(const CameraFrame&)> onFrame,
                                                       std::function<void(const QString&)> onError) = 0;
};

} // namespace mebo::platform
