#include "recording/RecordingTimeline.h"

#include <algorithm>

namespace mebo {

RecordingTimeline::RecordingTimeline(int effectiveFps) : fps_(effectiveFps) {}

void RecordingTimeline::begin(int effectiveFps) {
    std::lock_guard lock(stateLock_);
    fps_ = effectiveFps > 0 ? effectiveFps : 15;
    isCapturing_ = true;
    isPaused_ = false;
    pausedAtNs_.reset();
    sessionStarted_ = false;
    pauseOffsetNs_ = 0;
    stopAtNs_.reset();
    mainSessionStartNs_ = 0;
    lastVideoRawNs_ = 0;
    lastVideoAdjustedNs_.reset();
    lastSystemAudioNs_.reset();
    lastMicAudioNs_.reset();
    lastWebcamNs_.reset();
    counters_ = {};
}

void RecordingTimeline::end() {
    std::lock_guard lock(stateLock_);
    isCapturing_ = false;
    isPaused_ = false;
}

void RecordingTimeline::setStopAt(int64_t rawNs) {
    std::lock_guard lock(stateLock_);
    stopAtNs_ = rawNs;
}

void RecordingTimeline::setDurationLimit(std::optional<int64_t> ns) {
    std::lock_guard lock(stateLock_);
    limitNs_ = ns;
}

void RecordingTimeline::pause(int64_t atNs) {
    std::lock_guard lock(stateLock_);
    isPaused_ = true;
    pausedAtNs_ = atNs;
}

void RecordingTimeline::resume(int64_t atNs) {
    std::lock_guard lock(stateLock_);
    isPaused_ = false;
    // Frames come only when the screen changes, so the gap between the frames around a pause can
    // be much longer than the pause; the pause's own interval on the same clock is exact. Before
    // the first frame there is nothing to shift: the session starts after the pause.
    if (pausedAtNs_ && sessionStarted_ && atNs > *pausedAtNs_) {
        pauseOffsetNs_ += atNs - *pausedAtNs_;
    }
    pausedAtNs_.reset();
}

bool RecordingTimeline::isCapturing() const {
    std::lock_guard lock(stateLock_);
    return isCapturing_;
}

bool RecordingTimeline::isPaused() const {
    std::lock_guard lock(stateLock_);
    return isPaused_;
}

bool RecordingTimeline::sessionStarted() const {
    std::lock_guard lock(stateLock_);
    return sessionStarted_;
}

int64_t RecordingTimeline::sessionStartNs() const {
    std::lock_guard lock(stateLock_);
    return mainSessionStartNs_;
}

std::optional<RecordingTimeline::VideoTiming>
RecordingTimeline::admitVideo(std::optional<int64_t> rawNs, int64_t durationNs, bool onlyIfLater) {
    std::lock_guard lock(stateLock_);
    // The stream keeps delivering while paused; those frames are not part of the recording.
    if (!isCapturing_ || isPaused_) {
        return std::nullopt;
    }
    if (!rawNs) {
        ++counters_.invalidVideoPTSCount;
        return std::nullopt;
    }
    if (stopAtNs_ && *rawNs > *stopAtNs_) {
        return std::nullopt;
    }
    if (onlyIfLater && lastVideoAdjustedNs_ && *rawNs - lastVideoRawNs_ < 1'000'000'000LL / fps_) {
        return std::nullopt;
    }
    int64_t adjusted = *rawNs - pauseOffsetNs_;
    if (lastVideoAdjustedNs_ && adjusted <= *lastVideoAdjustedNs_) {
        ++counters_.videoPTSRepairCount;
        const int64_t step = durationNs > 0 ? durationNs : 1'000'000'000LL / fps_;
        adjusted = *lastVideoAdjustedNs_ + step;
    }
    if (sessionStarted_ && limitNs_ && adjusted - mainSessionStartNs_ > *limitNs_) {
        // The first picture past the limit (a still screen's closing frame among them) ends the
        // file at the limit; later ones are not part of it.
        const int64_t limitAt = mainSessionStartNs_ + *limitNs_;
        if (lastVideoAdjustedNs_ && *lastVideoAdjustedNs_ >= limitAt) {
            return std::nullopt;
        }
        adjusted = limitAt;
    }
    VideoTiming timing{adjusted, false};
    if (!sessionStarted_) {
        sessionStarted_ = true;
        mainSessionStartNs_ = adjusted;
        timing.startsSession = true;
    }
    return timing;
}

std::optional<int64_t> RecordingTimeline::admitWebcam(int64_t rawNs) {
    std::lock_guard lock(stateLock_);
    if (!isCapturing_ || isPaused_ || !sessionStarted_ || (stopAtNs_ && rawNs > *stopAtNs_)) {
        return std::nullopt;
    }
    const int64_t adjusted = rawNs - pauseOffsetNs_;
    if (adjusted < mainSessionStartNs_ || (lastWebcamNs_ && adjusted <= *lastWebcamNs_)) {
        return std::nullopt;
    }
    lastWebcamNs_ = adjusted;
    return adjusted;
}

void RecordingTimeline::videoAppended(int64_t rawNs, int64_t adjustedNs) {
    std::lock_guard lock(stateLock_);
    ++counters_.videoFramesAppended;
    lastVideoRawNs_ = rawNs;
    lastVideoAdjustedNs_ = adjustedNs;
}

std::optional<int64_t> RecordingTimeline::lastVideoAdjustedNs() const {
    std::lock_guard lock(stateLock_);
    return lastVideoAdjustedNs_;
}

std::optional<int64_t> RecordingTimeline::admitAudio(AudioTrack track, std::optional<int64_t> rawNs) {
    if (!rawNs) {
        return std::nullopt;
    }
    std::lock_guard lock(stateLock_);
    if (!isCapturing_ || !sessionStarted_ || isPaused_ || (stopAtNs_ && *rawNs > *stopAtNs_)) {
        return std::nullopt;
    }
    const int64_t adjusted = *rawNs - pauseOffsetNs_;
    if (adjusted < mainSessionStartNs_ || (limitNs_ && adjusted - mainSessionStartNs_ > *limitNs_)) {
        return std::nullopt;
    }
    std::optional<int64_t>& last = track == AudioTrack::system ? lastSystemAudioNs_ : lastMicAudioNs_;
    if (last && adjusted <= *last) {
        return std::nullopt;
    }
    last = adjusted;
    return adjusted;
}

int RecordingTimeline::audioFramesBeforeStop(int64_t rawNs, int frames, int rate) const {
    std::lock_guard lock(stateLock_);
    std::optional<int64_t> end = stopAtNs_;
    if (limitNs_ && sessionStarted_) {
        const int64_t limitAt = mainSessionStartNs_ + *limitNs_ + pauseOffsetNs_;
        end = std::min(end.value_or(limitAt), limitAt);
    }
    if (!end) {
        return frames;
    }
    const int64_t before = (*end - rawNs) * rate / 1'000'000'000LL;
    return int(std::clamp<int64_t>(before, 0, frames));
}

int RecordingTimeline::countMissingFrameStatus() {
    std::lock_guard lock(stateLock_);
    return ++counters_.missingFrameStatusCount;
}

int RecordingTimeline::countNonCompleteFrame() {
    std::lock_guard lock(stateLock_);
    return ++counters_.nonCompleteFrameCount;
}

int RecordingTimeline::countAudioAppendRejected() {
    std::lock_guard lock(stateLock_);
    return ++counters_.audioAppendRejectCount;
}

RecordingCounters RecordingTimeline::counters() const {
    std::lock_guard lock(stateLock_);
    return counters_;
}

} // namespace mebo
