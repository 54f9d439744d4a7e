#include "platform/ffmpeg/FfmpegVideoComposer.h"

#include "platform/ffmpeg/FfmpegAudioTrack.h"
#include "platform/ffmpeg/FfmpegMediaWriter.h"
#include "platform/ffmpeg/FfmpegVideoReader.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace mebo::platform {

namespace {

constexpr int kRate = FfmpegAudioTrack::kRate;
constexpr size_t kQueueDepth = 3;
// Audio is encoded this far ahead of the pictures, so the muxer interleaves without holding much.
constexpr double kAudioLead = 0.25;
constexpr int kAudioChunk = 4800;

// A first-in first-out hand-over between two stages, at most `depth` items. close() wakes both
// sides: the consumer then drains what is left, the producer's push fails.
template <typename T> class HandOver {
public:
    explicit HandOver(size_t depth) : depth_(depth) {}
    bool push(T item) {
        std::unique_lock lock(m_);
        notFull_.wait(lock, [&] { return closed_ || items_.size() < depth_; });
        if (closed_) {
            return false;
        }
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }
    bool pop(T& item) {
        std::unique_lock lock(m_);
        notEmpty_.wait(lock, [&] { return closed_ || !items_.empty(); });
        if (items_.empty()) {
            return false;
        }
        item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return true;
    }
    void close() {
        std::lock_guard lock(m_);
        closed_ = true;
        notEmpty_.notify_all();
        notFull_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable notEmpty_, notFull_;
    std::deque<T> items_;
    size_t depth_;
    bool closed_ = false;
};

struct Rendered {
    int64_t index = 0;
    QImage image;
};

// The first failure of any stage wins; the others stop when they see it.
class FailureSlot {
public:
    void set(CompositionFailure f) {
        std::lock_guard lock(m_);
        if (!failed_) {
            failed_ = true;
            failure_ = std::move(f);
        }
        flag_ = true;
    }
    bool failed() const { return flag_.load(); }
    CompositionFailure get() {
        std::lock_guard lock(m_);
        return failure_;
    }

private:
    std::mutex m_;
    bool failed_ = false;
    std::atomic<bool> flag_{false};
    CompositionFailure failure_;
};

void nameThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

} // namespace

double FfmpegVideoComposer::sourceTimeAt(const QList<CompositionPiece>& map, double t) {
    if (map.isEmpty()) {
        return t;
    }
    const CompositionPiece* piece = &map.first();
    for (const CompositionPiece& p : map) {
        if (p.compStart <= t + 1e-9) {
            piece = &p;
        } else {
            break;
        }
    }
    const double within = std::clamp(t - piece->compStart, 0.0, piece->compDuration);
    return piece->sourceStart + within * piece->speed;
}

int64_t FfmpegVideoComposer::frameCount(double outputDuration, int fps) {
    if (!(outputDuration > 0) || fps <= 0) {
        return 0;
    }
    return std::max<int64_t>(1, int64_t(std::ceil(outputDuration * fps - 1e-6)));
}

QRect FfmpegVideoComposer::coverCrop(QSize source, QSize target) {
    if (source.isEmpty() || target.isEmpty()) {
        return {};
    }
    const double scale =
        std::max(double(target.width()) / source.width(), double(target.height()) / source.height());
    const int w = std::clamp(int(std::lround(target.width() / scale)), 1, source.width());
    const int h = std::clamp(int(std::lround(target.height() / scale)), 1, source.height());
    return QRect((source.width() - w) / 2, (source.height() - h) / 2, w, h);
}

VideoComposer::Outcome FfmpegVideoComposer::run(const CompositionRequest& req,
                                                const CompositionRenderer& render,
                                                const std::function<void(double)>& progress,
                                                const std::atomic<bool>& cancel,
                                                CompositionFailure* failure) {
    using Stage = CompositionFailure::Stage;
    using Kind = CompositionFailure::Kind;
    auto fail = [&](Stage stage, Kind kind, const QString& text) {
        *failure = {stage, kind, text};
        QFile::remove(req.outputPath);
        return Outcome::failed;
    };
    QString error;
    FfmpegVideoReader source;
    switch (source.open(req.sourcePath, &error)) {
    case FfmpegVideoReader::OpenResult::ok:
        break;
    case FfmpegVideoReader::OpenResult::noVideoTrack:
        return fail(Stage::source, Kind::noVideoTrack, error);
    case FfmpegVideoReader::OpenResult::failed:
        return fail(Stage::source, Kind::openFailed, error);
    }
    source.setOutput(req.sourceCrop, req.videoSize);
    std::unique_ptr<FfmpegVideoReader> overlay;
    if (req.overlayPath) {
        overlay = std::make_unique<FfmpegVideoReader>();
        switch (overlay->open(*req.overlayPath, &error)) {
        case FfmpegVideoReader::OpenResult::ok:
            break;
        case FfmpegVideoReader::OpenResult::noVideoTrack:
            return fail(Stage::overlay, Kind::noVideoTrack, error);
        case FfmpegVideoReader::OpenResult::failed:
            return fail(Stage::overlay, Kind::openFailed, error);
        }
        overlay->setOutput(coverCrop(overlay->codedSize(), req.overlaySize), req.overlaySize);
    }
    std::vector<std::unique_ptr<FfmpegAudioTrack>> tracks;
    QList<QList<OutputRange>> mutes;
    for (const CompositionAudioTrack& t : req.audio) {
        if (!t.enabled) {
            continue;
        }
        auto track = std::make_unique<FfmpegAudioTrack>();
        if (!track->open(req.sourcePath, t.streamIndex, req.timeMap, &error)) {
            return fail(Stage::source, Kind::openFailed, error);
        }
        tracks.push_back(std::move(track));
        mutes << t.mutedRanges;
    }
    FfmpegMediaWriter writer;
    MediaWriterConfig config;
    config.path = req.outputPath;
    config.width = req.renderSize.width();
    config.height = req.renderSize.height();
    config.bitrate = req.videoBitrate;
    config.fps = req.fps;
    config.keyframeInterval = std::max(req.fps * 2, 1);
    config.crashSafe = false;
    // One mixed track when the source has any audio (a track switched off is silence in it).
    if (!req.audio.isEmpty()) {
        config.audioTracks << QStringLiteral("Audio");
    }
    MediaWriter::OpenError openError;
    if (!writer.open(config, &openError)) {
        return fail(Stage::output, Kind::writeFailed, openError.text);
    }
    writer.startSession(0);

    const int64_t frames = frameCount(req.outputDuration, req.fps);
    const int64_t totalSamples = std::llround(req.outputDuration * kRate);
    HandOver<CompositionFrame> decoded(kQueueDepth);
    HandOver<Rendered> rendered(kQueueDepth);
    FailureSlot failed;
    std::atomic<bool> stop{false};

    std::thread decoder([&] {
        nameThread("mebo.export.decode");
        QString err;
        for (int64_t i = 0; i < frames && !stop.load(); ++i) {
            CompositionFrame f;
            f.index = i;
            f.outputTime = double(i) / req.fps;
            f.sourceTime = sourceTimeAt(req.timeMap, f.outputTime);
            if (!source.advanceTo(f.sourceTime, &err)) {
                if (!err.isEmpty()) {
                    failed.set({Stage::source, Kind::readFailed, err});
                    break;
                }
            }
            f.video = source.currentImage();
            if (f.video.isNull()) {
                failed.set({Stage::source, Kind::readFailed,
                            QStringLiteral("no picture at %1 s").arg(f.sourceTime)});
                break;
            }
            if (overlay && !overlay->endedBefore(f.sourceTime)) {
                if (!overlay->advanceTo(f.sourceTime, &err) && !err.isEmpty()) {
                    failed.set({Stage::overlay, Kind::readFailed, err});
                    break;
                }
                f.overlay = overlay->currentImage();
                f.overlaySourceTime = overlay->currentTime();
            }
            if (!decoded.push(std::move(f))) {
                break;
            }
        }
        decoded.close();
    });

    std::thread encoder([&] {
        nameThread("mebo.export.encode");
        QString err;
        std::vector<float> mix(size_t(kAudioChunk) * 2), one(size_t(kAudioChunk) * 2);
        int64_t samplesDone = 0;
        auto audioUpTo = [&](int64_t until) {
            if (config.audioTracks.isEmpty()) {
                return true;
            }
            until = std::min(until, totalSamples);
            while (samplesDone < until) {
                const int n = int(std::min<int64_t>(kAudioChunk, until - samplesDone));
                std::fill(mix.begin(), mix.begin() + n * 2, 0.0f);
                for (size_t k = 0; k < tracks.size(); ++k) {
                    if (!tracks[k]->render(one.data(), n, &err)) {
                        failed.set({Stage::source, Kind::readFailed, err});
                        return false;
                    }
                    FfmpegAudioTrack::muteRanges(one.data(), samplesDone, n, mutes[int(k)]);
                    for (int s = 0; s < n * 2; ++s) {
                        mix[size_t(s)] += one[size_t(s)];
                    }
                }
                for (int s = 0; s < n * 2; ++s) {
                    mix[size_t(s)] = std::clamp(mix[size_t(s)], -1.0f, 1.0f);
                }
                const int64_t ptsNs = samplesDone * 1'000'000'000 / kRate;
                if (!writer.appendAudio(0, mix.data(), n, ptsNs, &err)) {
                    failed.set({Stage::output, Kind::writeFailed, err});
                    return false;
                }
                samplesDone += n;
            }
            return true;
        };
        Rendered r;
        while (rendered.pop(r)) {
            if (stop.load() || failed.failed()) {
                continue; // drain so the renderer never blocks
            }
            const double end = double(r.index + 1) / req.fps + kAudioLead;
            if (!audioUpTo(std::llround(end * kRate))) {
                continue;
            }
            const int64_t ptsNs = r.index * 1'000'000'000 / req.fps;
            if (!writer.appendVideo(r.image, ptsNs, &err)) {
                failed.set({Stage::output, Kind::writeFailed, err});
            }
        }
        if (!stop.load() && !failed.failed()) {
            audioUpTo(totalSamples);
        }
    });

    bool cancelled = false;
    CompositionFrame f;
    int64_t done = 0;
    while (decoded.pop(f)) {
        if (cancel.load()) {
            cancelled = true;
            break;
        }
        if (failed.failed()) {
            break;
        }
        Rendered r{f.index, render(f)};
        if (r.image.size() != req.renderSize) {
            failed.set(
                {Stage::output, Kind::writeFailed, QStringLiteral("rendered frame of the wrong size")});
            break;
        }
        if (!rendered.push(std::move(r))) {
            break;
        }
        ++done;
        if (progress) {
            progress(frames > 0 ? double(done) / frames : 1.0);
        }
    }
    if (cancelled || failed.failed()) {
        stop = true;
    }
    decoded.close();
    rendered.close();
    decoder.join();
    encoder.join();
    if (!cancelled && cancel.load()) {
        cancelled = true;
    }
    if (cancelled) {
        writer.cancel();
        QFile::remove(req.outputPath);
        return Outcome::cancelled;
    }
    if (failed.failed()) {
        writer.cancel();
        *failure = failed.get();
        QFile::remove(req.outputPath);
        return Outcome::failed;
    }
    if (!writer.finish(&error)) {
        return fail(Stage::output, Kind::writeFailed, error);
    }
    return Outcome::completed;
}

} // namespace mebo::platform
