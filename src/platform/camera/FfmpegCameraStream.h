#pragma once

#include "platform/CameraCapture.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace mebo::platform {

// Reads a camera (a V4L2 node through libavdevice), a video file played in a loop at its own
// pace or a stream written into a FIFO, decodes on its own thread and hands out BGRA pictures.
// A frame that is more than one frame interval late when it is decoded is dropped, so a slow
// receiver never builds a backlog.
class FfmpegCameraStream : public CameraStream {
public:
    struct Source {
        QString url;
        bool device = true; // a V4L2 node; otherwise a file
    };

    static Result<std::unique_ptr<CameraStream>> start(const Source& source, const QString& threadName,
                                                       std::function<void(const CameraFrame&)> onFrame,
                                                       std::function<void(const QString&)> onError);
    ~FfmpegCameraStream() override;
    void stop() override;

private:
    FfmpegCameraStream(Source source, std::function<void(const CameraFrame&)> onFrame,
                       std::function<void(const QString&)> onError);
    static int interruptCallback(void* opaque);
    bool openInput(QString* error);
    bool openPipe(QString* error); // a FIFO: opened non-blocking, its first bytes awaited
    bool openStreams(const QByteArray& url, QString* error);
    void closeInput();
    void run(const QString& threadName);
    // False when the stream ends (stopped or failed; `error` set on failure).
    bool handleFrame(QString* error);
    bool waitUntil(int64_t monotonicNs); // false when stopped meanwhile

    Source source_;
    std::function<void(const CameraFrame&)> onFrame_;
    std::function<void(const QString&)> onError_;
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* sws_ = nullptr;
    int stream_ = -1;
    int pipeFd_ = -1;
    int64_t openDeadlineNs_ = 0; // while opening a pipe: when its interrupt gives up
    double timeBase_ = 0;
    int64_t frameIntervalNs_ = 33'333'333;
    // A file's pace: its time zero on the monotonic clock, and how far the earlier loops reached.
    int64_t originNs_ = 0;
    int64_t loopOffsetNs_ = 0;
    int64_t lastFileTimeNs_ = 0;
    int64_t lastShownNs_ = 0; // when a picture last went out

    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex waitLock_; // leaf
    std::condition_variable wake_;
};

} // namespace mebo::platform
