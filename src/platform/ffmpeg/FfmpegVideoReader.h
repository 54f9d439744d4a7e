#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace mebo::platform {

// Decodes the first video stream of a file forward (frame threads) and hands out the frame shown
// at a time, cropped and scaled to a chosen size as RGB32. Times are seconds from the first video
// frame. Only frames that are asked for are converted. One thread at a time.
class FfmpegVideoReader {
public:
    enum class OpenResult { ok, noVideoTrack, failed };

    FfmpegVideoReader();
    ~FfmpegVideoReader();
    FfmpegVideoReader(const FfmpegVideoReader&) = delete;
    FfmpegVideoReader& operator=(const FfmpegVideoReader&) = delete;

    OpenResult open(const QString& path, QString* error);
    QSize codedSize() const { return coded_; }
    int rotationDegrees() const { return rotation_; } // clockwise display rotation
    double durationSec() const { return duration_; }
    double frameDurationSec() const { return frameDuration_; }

    // The source rectangle (empty: the whole picture) and the size it is scaled to.
    void setOutput(const QRect& crop, QSize size);
    // Converts with swscale's exact arithmetic instead of libyuv's faster approximation (colours
    // within one level of what FFmpeg's own tools show, where libyuv's may be two or three off).
    void setExactColours(bool exact) { exactColours_ = exact; }
    // Makes the current frame the last one whose time is at most `t` (the first frame for times
    // before it). Seeks over long gaps. False at the end of the stream with no frame at all, or on
    // a read error (`error` set).
    bool advanceTo(double t, QString* error);
    // Whether advancing to `t` only decodes forward a little (at most `span` seconds) from the
    // current frame.
    bool isNear(double t, double span) const;
    // Makes the current frame the key frame at or before `t` (one seek and one decode: the
    // quickest picture of that place); advanceTo() goes on forward from there.
    bool keyFrameBefore(double t, QString* error);
    // The current frame's time and picture.
    double currentTime() const { return curTime_; }
    // Whether `t` lies past the last frame's display time (the stream has ended before it).
    bool endedBefore(double t) const;
    QImage currentImage();

private:
    bool readFrame(AVFrame* into, double* time, QString* error); // false at the end or on error
    bool seekTo(double t, QString* error);
    void convert(const AVFrame* frame, QImage& out);

    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVFrame* cur_ = nullptr;
    AVFrame* peek_ = nullptr;
    SwsContext* sws_ = nullptr;
    int swsMatrix_ = -1; // the colour details swscale was last given
    bool swsFullRange_ = false;
    int stream_ = -1;
    double timeBase_ = 0;
    int64_t origin_ = 0; // the stream's first time stamp
    QSize coded_;
    int rotation_ = 0;
    double duration_ = 0;
    double frameDuration_ = 1.0 / 30;
    QRect crop_;
    QSize size_;
    bool hasCur_ = false;
    bool hasPeek_ = false;
    bool eof_ = false;
    bool draining_ = false;
    double curTime_ = 0;
    double peekTime_ = 0;
    bool converted_ = false;
    bool exactColours_ = false;
    QImage image_;
    QByteArray scaled_; // I420 scratch for the scaled planes
};

} // namespace mebo::platform
