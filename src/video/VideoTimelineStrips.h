#pragma once

#include "platform/EditedAudioSource.h"
#include "platform/VideoFrameGenerator.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace mebo {

// What the timeline shows of the source itself: small pictures along it and the loudness of its
// sound. Made on a worker thread ("mebo.video.strips", at a low priority so playback keeps the
// processor), pictures first (key frames: one seek and one decode each), then the sound read once
// from start to end and folded into a fixed number of peaks, handed over as they grow. Memory is
// fixed whatever the length: at most kMaxThumbnails small pictures and kPeakCount peaks. A result
// of an older start() or of a closed timeline is dropped (generation). Main thread API.
class VideoTimelineStrips : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::function<std::unique_ptr<platform::VideoFrameGenerator>(QString* error)> frames;
        std::function<std::unique_ptr<platform::EditedAudioSource>(QString* error)> audio;
    };
    struct Thumbnail {
        double time = 0; // the source time of the picture
        QImage image;
    };
    static constexpr int kMaxThumbnails = 120;
    static constexpr int kThumbnailHeight = 36;
    static constexpr int kPeakCount = 2000;

    // The times pictures are taken at: one per two seconds (at least one, at most kMaxThumbnails),
    // each in the middle of its stretch.
    static QList<double> thumbnailTimes(double duration);
    // Folds `frames` stereo samples, the first at sample `firstFrame` of a `duration` long sound
    // at `rate`, into `peaks` (kPeakCount buckets over the duration; each the largest magnitude).
    static void foldPeaks(const float* samples, int frames, qint64 firstFrame, double duration, int rate,
                          QVector<float>& peaks);

    // `audioTracks` the source's audio stream indices (none: no waveform).
    VideoTimelineStrips(Services services, QString path, double duration, QList<int> audioTracks,
                        QObject* parent = nullptr);
    // Stops the worker at its next picture or chunk.
    ~VideoTimelineStrips() override;

    // Starts (again) from nothing.
    void start();
    const QList<Thumbnail>& thumbnails() const { return thumbnails_; }
    // Empty until the sound has been read in part; 0...1.
    const QVector<float>& peaks() const { return peaks_; }
    // The part of the duration the peaks cover so far (0...1).
    double peaksDone() const { return peaksDone_; }
    bool finished() const { return finished_; }
    quint64 generation() const { return generation_.load(); }

Q_SIGNALS:
    void changed();

private:
    void run(quint64 generation);
    bool current(quint64 generation) const { return generation_.load() == generation; }
    void post(quint64 generation, std::function<void()> apply);

    Services services_;
    QString path_;
    double duration_ = 0;
    QList<int> audioTracks_;
    std::atomic<quint64> generation_{0};
    QPointer<VideoTimelineStrips> self_{this}; // what a posted result checks before it applies
    std::thread worker_;

    QList<Thumbnail> thumbnails_; // main thread
    QVector<float> peaks_;
    double peaksDone_ = 0;
    bool finished_ = false;
};

} // namespace mebo
