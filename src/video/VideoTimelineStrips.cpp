#include "video/VideoTimelineStrips.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace mebo {

namespace {

const QString kTag = QStringLiteral("[VideoEditor] ");
constexpr double kThumbnailSpacingSec = 2;
constexpr int kChunkFrames = 9600; // 0.2 s
// Peaks are handed over at most this often (in chunks), and at the end.
constexpr int kChunksPerPost = 50;

} // namespace

QList<double> VideoTimelineStrips::thumbnailTimes(double duration) {
    QList<double> times;
    if (!(duration > 0) || !std::isfinite(duration)) {
        return times;
    }
    const int n = std::clamp(int(std::ceil(duration / kThumbnailSpacingSec)), 1, kMaxThumbnails);
    for (int i = 0; i < n; ++i) {
        times.append((i + 0.5) * duration / n);
    }
    return times;
}

void VideoTimelineStrips::foldPeaks(const float* samples, int frames, qint64 firstFrame, double duration,
                                    int rate, QVector<float>& peaks) {
    if (peaks.size() != kPeakCount) {
        peaks = QVector<float>(kPeakCount, 0.0f);
    }
    const double total = duration * rate;
    if (!(total > 0)) {
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const int bucket = int(double(firstFrame + i) / total * kPeakCount);
        if (bucket < 0 || bucket >= kPeakCount) {
            continue;
        }
        const float level = std::max(std::abs(samples[size_t(i) * 2]), std::abs(samples[size_t(i) * 2 + 1]));
        peaks[bucket] = std::max(peaks[bucket], std::min(level, 1.0f));
    }
}

VideoTimelineStrips::VideoTimelineStrips(Services services, QString path, double duration,
                                         QList<int> audioTracks, QObject* parent)
    : QObject(parent), services_(std::move(services)), path_(std::move(path)), duration_(duration),
      audioTracks_(std::move(audioTracks)) {}

VideoTimelineStrips::~VideoTimelineStrips() {
    ++generation_;
    if (worker_.joinable()) {
        worker_.join();
    }
}

void VideoTimelineStrips::start() {
    const quint64 g = ++generation_;
    if (worker_.joinable()) {
        worker_.join(); // the older run stops at its next step
    }
    thumbnails_.clear();
    peaks_.clear();
    peaksDone_ = 0;
    finished_ = false;
    worker_ = std::thread([this, g] { run(g); });
}

void VideoTimelineStrips::post(quint64 generation, std::function<void()> apply) {
    // runOnMain's queue hands the captured pictures and peaks over under a lock every thread sees;
    // a queued Qt call would hand them over under Qt's own.
    runOnMain([self = self_, generation, apply = std::move(apply)] {
        if (self && self->current(generation)) {
            apply();
            Q_EMIT self->changed();
        }
    });
}

void VideoTimelineStrips::run(quint64 generation) {
    pthread_setname_np(pthread_self(), "mebo.video.strips");
    setpriority(PRIO_PROCESS, pid_t(gettid()), 10); // behind the player and the interface
    QString error;
    std::unique_ptr<platform::VideoFrameGenerator> frames =
        services_.frames ? services_.frames(&error) : nullptr;
    const QSize limit(kThumbnailHeight * 4, kThumbnailHeight);
    if (frames && frames->open(path_, limit, &error)) {
        for (double t : thumbnailTimes(duration_)) {
            if (!current(generation)) {
                return;
            }
            double at = t;
            QImage image = frames->quickFrameNear(t, &at, &error);
            if (image.isNull()) {
                at = t;
                image = frames->frameAt(t, &error);
            }
            if (image.isNull()) {
                continue;
            }
            post(generation, [this, at, image] { thumbnails_.append({at, image}); });
        }
    } else {
        logWarning(kTag + QStringLiteral("無法製作縮圖: ") + error);
    }

    if (!audioTracks_.isEmpty() && duration_ > 0) {
        std::unique_ptr<platform::EditedAudioSource> audio =
            services_.audio ? services_.audio(&error) : nullptr;
        QList<platform::CompositionAudioTrack> tracks;
        for (int stream : audioTracks_) {
            tracks.append({stream, true, {}});
        }
        if (audio && audio->open(path_, {{0, 0, 1, duration_}}, tracks, &error)) {
            constexpr int kRate = platform::EditedAudioSource::kRate;
            const qint64 total = std::llround(duration_ * kRate);
            std::vector<float> chunk(size_t(kChunkFrames) * 2);
            QVector<float> peaks;
            int chunks = 0;
            for (qint64 done = 0; done < total;) {
                if (!current(generation)) {
                    return;
                }
                const int n = int(std::min<qint64>(kChunkFrames, total - done));
                if (!audio->render(chunk.data(), n, &error)) {
                    logWarning(kTag + QStringLiteral("無法讀取聲音波形: ") + error);
                    break;
                }
                foldPeaks(chunk.data(), n, done, duration_, kRate, peaks);
                done += n;
                if (++chunks % kChunksPerPost == 0 || done >= total) {
                    const double part = double(done) / double(total);
                    // A copy of its own: the peaks still growing here are never shared with it.
                    post(generation, [this, peaks = QVector<float>(peaks.cbegin(), peaks.cend()), part] {
                        peaks_ = peaks;
                        peaksDone_ = part;
                    });
                }
            }
        } else {
            logWarning(kTag + QStringLiteral("無法讀取聲音波形: ") + error);
        }
    }
    post(generation, [this] { finished_ = true; });
}

} // namespace mebo
