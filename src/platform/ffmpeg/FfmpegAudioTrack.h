#pragma once

#include "platform/VideoComposer.h"

#include <QList>
#include <QString>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct AVFilterGraph;
struct AVFilterContext;

namespace mebo::platform {

// One audio stream of the source laid out on the output timeline: the time map's pieces in order,
// each cut from the source to the sample and time-stretched to its speed with the pitch kept
// (libavfilter's atempo, chained within its 0.5...2 range). Answers 48 kHz stereo float samples,
// exactly as many per piece as the piece lasts in the output, so the audio never drifts from the
// frames. Pulled in order from one thread.
class FfmpegAudioTrack {
public:
    static constexpr int kRate = 48000;

    FfmpegAudioTrack();
    ~FfmpegAudioTrack();
    FfmpegAudioTrack(const FfmpegAudioTrack&) = delete;
    FfmpegAudioTrack& operator=(const FfmpegAudioTrack&) = delete;

    bool open(const QString& path, int streamIndex, const QList<CompositionPiece>& timeMap, QString* error);
    // The next `frames` samples (interleaved stereo) into `out`; silence past the end.
    bool render(float* out, int frames, QString* error);

    // The atempo factors for `speed` (each within 0.5...2, their product the speed).
    static QList<double> tempoChain(double speed);
    // Silences the parts of `frames` stereo samples, the first of them at output sample
    // `firstSample`, that lie in `ranges`.
    static void muteRanges(float* samples, int64_t firstSample, int frames, const QList<OutputRange>& ranges);

private:
    bool startPiece(QString* error);
    bool stepPiece(QString* error);
    void appendOut(const float* samples, int64_t frames); // null: silence
    bool decodeChunk(QString* error);                     // appends to carry_; false with no error at the end
    bool seekTo(double t, QString* error);
    bool openStretch(double speed, QString* error);
    bool stretch(const float* in, int frames, bool flush, std::vector<float>& out, QString* error);
    void closeStretch();

    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int stream_ = -1;
    double timeBase_ = 0;
    int64_t origin_ = 0;
    bool eof_ = false;
    bool draining_ = false;

    QList<CompositionPiece> map_;
    int piece_ = 0;
    bool inPiece_ = false;
    bool sourceDone_ = false;
    bool stretched_ = false;
    int64_t pieceTarget_ = 0; // samples of the current piece in the output
    int64_t pieceDone_ = 0;
    std::vector<float> carry_; // decoded samples not used yet, starting at carryTime_
    double carryTime_ = -1;    // < 0: unknown until the next decoded frame
    std::vector<float> pending_;
    size_t pendingHead_ = 0;
};

} // namespace mebo::platform
