#pragma once

#include "platform/MediaWriter.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace mebo::platform {

// MPEG-4 through libavformat: H.264 High (libx264) or HEVC (libx265) from RGB32 frames converted
// with libyuv, and AAC tracks from interleaved float audio. Crash-safe files are fragmented
// (a fragment a second, flushed to the file as it is cut).
//
// Threads: appendVideo on one thread (it converts and encodes there; x264 adds its own frame
// threads), appendAudio of each track on one thread each; every packet is written under
// `muxLock_`, which is a leaf. finish() and cancel() run once no append is in progress.
class FfmpegMediaWriter : public MediaWriter {
public:
    FfmpegMediaWriter();
    ~FfmpegMediaWriter() override;

    bool open(const MediaWriterConfig& config, OpenError* error) override;
    Status status() const override { return status_.load(); }
    QString errorText() const override;
    void startSession(int64_t ptsNs) override;
    bool appendVideo(const QImage& frame, int64_t ptsNs, QString* error) override;
    bool appendAudio(int track, const float* interleaved, int frames, int64_t ptsNs, QString* error) override;
    bool finish(QString* error) override;
    void cancel() override;

    // The x264 preset used for `width` x `height` at `fps` (exposed for the benchmarks).
    static const char* x264PresetFor(int width, int height, int fps);

private:
    struct AudioTrack;
    bool openVideo(OpenError* error);
    bool openAudio(int index, const QString& name, OpenError* error);
    bool drainVideo(bool flushing, QString* error);
    bool encodeAudioFrames(AudioTrack& t, bool flushing, QString* error);
    // Silence from where the track has got to up to endSample (samples since the session start).
    bool padWithSilence(AudioTrack& t, int64_t endSample, QString* error);
    bool writePacket(AVPacket* pkt, AVCodecContext* codec, AVStream* stream, QString* error);
    bool writeLocked(AVPacket* pkt, QString* error);
    void fail(const QString& text);
    void release();

    MediaWriterConfig config_;
    std::atomic<Status> status_{Status::unknown};
    mutable std::mutex errorLock_;
    QString error_;

    AVFormatContext* oc_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVFrame* videoFrame_ = nullptr;
    AVPacket* videoPacket_ = nullptr;
    int64_t lastVideoPts_ = -1;
    std::vector<std::unique_ptr<AudioTrack>> audio_;
    std::atomic<int64_t> sessionStartNs_{0};
    std::atomic<bool> sessionStarted_{false};
    std::mutex muxLock_;
    bool headerWritten_ = false;
    // Audio packets wait until the first video packet is written: its decode time (negative with
    // B-frames) fixes the one shift every track gets, so they stay in sync.
    bool videoWritten_ = false;
    std::vector<AVPacket*> heldAudio_;
};

} // namespace mebo::platform
