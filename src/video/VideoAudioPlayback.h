#pragma once

#include "platform/AudioOutput.h"
#include "platform/EditedAudioSource.h"
#include "platform/MediaProbe.h"

#include <QList>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mebo {

struct VideoExportPlan;
struct VideoSnapshot;

// The player's sound: the edit's audio from a point of the source on, decoded, muted and mixed
// on a worker thread ("mebo.video.audio") and written to the sound server. Each start() is a new
// generation; the worker drops a superseded stretch at its next chunk (about 20 ms) and flushes
// what the server still holds, so a seek or a pause is heard at once. Memory stays at a chunk
// and the decoder's window whatever the length. Main thread API.
class VideoAudioPlayback {
public:
    struct Services {
        std::function<std::unique_ptr<platform::EditedAudioSource>(QString* error)> source;
        std::function<std::unique_ptr<platform::AudioOutput>(QString* error)> output;
    };
    // What to play: the output from the starting point on, at output time 0.
    struct Stretch {
        double sourceStart = 0; // where in the source it starts
        double outputStart = 0; // the same point in the whole edit's output time
        double outputDuration = 0;
        QList<platform::CompositionPiece> timeMap;
        QList<platform::CompositionAudioTrack> tracks;
    };
    static constexpr int kChunkFrames = 960; // 20 ms

    // The stretch from source time `t` on (a time inside a cut starts where the cut ends), with
    // each recorded track switched off or muted as the edit says; nothing at or past the end.
    static std::optional<Stretch> stretchFrom(const VideoExportPlan& plan, const VideoSnapshot& edit,
                                              const QList<platform::MediaAudioTrack>& tracks, double t);

    VideoAudioPlayback(Services services, QString sourcePath, QList<platform::MediaAudioTrack> tracks);
    // Stops the worker (it finishes the chunk it is on).
    ~VideoAudioPlayback();
    VideoAudioPlayback(const VideoAudioPlayback&) = delete;
    VideoAudioPlayback& operator=(const VideoAudioPlayback&) = delete;

    const QList<platform::MediaAudioTrack>& tracks() const { return tracks_; }
    // Plays `stretch` in place of whatever plays.
    void start(Stretch stretch);
    // Silence from now.
    void stop();
    // Output seconds of the newest stretch heard so far; nothing until its first samples are
    // written, after stop(), or when no sound can be played.
    std::optional<double> heardSec() const;
    quint64 generation() const;

private:
    struct Job {
        quint64 generation = 0;
        // Made on the main thread and never changed after: the worker reads the same object and
        // no list inside it is shared with anything either thread changes. Null: stop.
        std::shared_ptr<const Stretch> stretch;
    };
    void run();
    bool superseded(quint64 generation) const;
    void play(platform::EditedAudioSource& source, const Stretch& s, quint64 generation);

    Services services_;
    QString path_;
    QList<platform::MediaAudioTrack> tracks_;
    std::unique_ptr<platform::AudioOutput> output_; // the worker's
    bool outputFailed_ = false;                     // the worker's: logged once, not retried

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Job job_;                     // guarded by mutex_
    quint64 served_ = 0;          // guarded by mutex_
    quint64 heardGeneration_ = 0; // guarded by mutex_
    double heard_ = 0;            // guarded by mutex_
    bool quit_ = false;           // guarded by mutex_
    std::thread worker_;          // started by the first start()
};

} // namespace mebo
