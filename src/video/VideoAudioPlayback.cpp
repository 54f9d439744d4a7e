#include "video/VideoAudioPlayback.h"

#include "app/AppLogger.h"
#include "video/VideoExportPlan.h"
#include "video/VideoTimeline.h"

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace mebo {

namespace {

const QString kTag = QStringLiteral("[VideoPlayer] ");
static_assert(platform::EditedAudioSource::kRate == platform::AudioOutput::kRate &&
              platform::EditedAudioSource::kChannels == platform::AudioOutput::kChannels);
constexpr double kEpsilon = 1e-9;

QList<platform::OutputRange> shifted(const QList<TimeRange>& ranges, double origin) {
    QList<platform::OutputRange> out;
    for (const TimeRange& r : ranges) {
        if (r.end - origin > kEpsilon) {
            out.append({std::max(0.0, r.start - origin), r.end - origin});
        }
    }
    return out;
}

} // namespace

std::optional<VideoAudioPlayback::Stretch>
VideoAudioPlayback::stretchFrom(const VideoExportPlan& plan, const VideoSnapshot& edit,
                                const QList<platform::MediaAudioTrack>& tracks, double t) {
    // Where `t` lies in the output; inside a cut, where the next kept piece begins.
    std::optional<double> origin = VideoTimeline::outputTime(plan.timeMap, t);
    if (!origin) {
        for (const VideoExportTimeMapSegment& s : plan.timeMap) {
            if (s.sourceStart >= t) {
                origin = s.compStart;
                break;
            }
        }
    }
    if (!origin || plan.outputDuration - *origin <= kEpsilon) {
        return std::nullopt;
    }
    Stretch out;
    out.outputStart = *origin;
    out.outputDuration = plan.outputDuration - *origin;
    for (const VideoExportTimeMapSegment& s : plan.timeMap) {
        const double end = s.compStart + s.compDuration;
        if (end - *origin <= kEpsilon) {
            continue;
        }
        if (s.compStart < *origin) { // the piece the stretch starts in, from its starting point
            const double sourceStart = s.sourceStart + (*origin - s.compStart) * s.speed;
            out.timeMap.append({0, sourceStart, s.speed, end - *origin});
        } else {
            out.timeMap.append({s.compStart - *origin, s.sourceStart, s.speed, s.compDuration});
        }
    }
    out.sourceStart = out.timeMap.isEmpty() ? t : out.timeMap.first().sourceStart;
    const QList<platform::OutputRange> systemMuted = shifted(plan.systemMuted, *origin);
    const QList<platform::OutputRange> micMuted = shifted(plan.micMuted, *origin);
    for (const platform::MediaAudioTrack& track : tracks) {
        const bool system = track.role == platform::MediaAudioRole::system;
        out.tracks.append({track.streamIndex, system ? edit.systemAudioTrackEnabled : edit.micTrackEnabled,
                           system ? systemMuted : micMuted});
    }
    return out;
}

VideoAudioPlayback::VideoAudioPlayback(Services services, QString sourcePath,
                                       QList<platform::MediaAudioTrack> tracks)
    : services_(std::move(services)), path_(std::move(sourcePath)), tracks_(std::move(tracks)) {}

VideoAudioPlayback::~VideoAudioPlayback() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void VideoAudioPlayback::start(Stretch stretch) {
    {
        std::lock_guard lock(mutex_);
        job_ = Job{job_.generation + 1, std::make_shared<Stretch>(std::move(stretch))};
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { run(); });
        }
    }
    wake_.notify_all();
}

void VideoAudioPlayback::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!job_.stretch) {
            return; // nothing plays
        }
        job_ = Job{job_.generation + 1, nullptr};
    }
    wake_.notify_all();
}

std::optional<double> VideoAudioPlayback::heardSec() const {
    std::lock_guard lock(mutex_);
    if (!job_.stretch || heardGeneration_ != job_.generation) {
        return std::nullopt;
    }
    return heard_;
}

quint64 VideoAudioPlayback::generation() const {
    std::lock_guard lock(mutex_);
    return job_.generation;
}

bool VideoAudioPlayback::superseded(quint64 generation) const {
    std::lock_guard lock(mutex_);
    return quit_ || job_.generation != generation;
}

void VideoAudioPlayback::run() {
    pthread_setname_np(pthread_self(), "mebo.video.audio");
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || job_.generation != served_; });
            if (quit_) {
                break;
            }
            job = job_;
            served_ = job.generation;
        }
        if (!job.stretch) {
            if (output_) {
                output_->flush();
            }
            continue;
        }
        QString error;
        if (!output_ && !outputFailed_) {
            output_ = services_.output ? services_.output(&error) : nullptr;
            if (!output_ || !output_->open(&error)) {
                output_.reset();
                outputFailed_ = true; // a player without sound is still a player
                logWarning(kTag + QStringLiteral("無法播放聲音: ") + error);
            }
        }
        if (!output_) {
            continue;
        }
        std::unique_ptr<platform::EditedAudioSource> source =
            services_.source ? services_.source(&error) : nullptr;
        if (!source || !source->open(path_, job.stretch->timeMap, job.stretch->tracks, &error)) {
            logWarning(kTag + QStringLiteral("無法解碼聲音: ") + error);
            continue;
        }
        output_->flush(); // what the last stretch left in the server
        play(*source, *job.stretch, job.generation);
    }
    if (output_) {
        output_->flush();
        output_.reset();
    }
}

void VideoAudioPlayback::play(platform::EditedAudioSource& source, const Stretch& s, quint64 generation) {
    constexpr int kRate = platform::EditedAudioSource::kRate;
    const int64_t total = std::llround(s.outputDuration * kRate);
    std::vector<float> chunk(size_t(kChunkFrames) * platform::EditedAudioSource::kChannels);
    int64_t written = 0;
    QString error;
    while (written < total && !superseded(generation)) {
        const int n = int(std::min<int64_t>(kChunkFrames, total - written));
        if (!source.render(chunk.data(), n, &error)) {
            logWarning(kTag + QStringLiteral("無法解碼聲音: ") + error);
            return;
        }
        if (!output_->write(chunk.data(), n, &error)) {
            logWarning(kTag + QStringLiteral("無法播放聲音: ") + error);
            output_.reset(); // reconnect on the next start
            return;
        }
        written += n;
        const double heard = std::max(0.0, double(written) / kRate - output_->latencySec());
        std::lock_guard lock(mutex_);
        heardGeneration_ = generation;
        heard_ = heard;
    }
    if (written < total) {
        output_->flush();
    }
}

} // namespace mebo
