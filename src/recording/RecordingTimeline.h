#pragma once

#include "recording/RecordingTypes.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace mebo {

// The recorder's timing state (the spec's `stateLock` and what it guards): whether capture runs,
// pause and resume, the pause offset that removes paused time from the output, the repair of
// presentation times, the session start and the counters. Times are nanoseconds of the one
// monotonic clock that stamps video and audio. Any thread; every member takes the lock, which is
// a leaf (nothing else is locked or called while it is held).
class RecordingTimeline {
public:
    enum class AudioTrack { system, mic };

    // What to do with a video frame.
    struct VideoTiming {
        int64_t adjustedNs = 0;
        bool startsSession = false; // the writer's session starts at this frame
    };

    explicit RecordingTimeline(int effectiveFps = 15);

    // A new recording: everything back to zero, capture running.
    void begin(int effectiveFps);
    // Capture ended (stop): no more samples are admitted.
    void end();
    // Samples stamped after `rawNs` (the moment stop was asked for) are not part of the recording.
    void setStopAt(int64_t rawNs);
    // Nothing later than `ns` of recording time (from the first frame, pauses left out) is admitted:
    // the stop that a time limit asks for comes late when the main thread is busy.
    void setDurationLimit(std::optional<int64_t> ns);
    // `atNs`: when the user paused and resumed. The paused interval on this clock leaves the
    // output timeline at resume, so samples after it continue where the recording stopped.
    void pause(int64_t atNs);
    void resume(int64_t atNs);

    bool isCapturing() const;
    bool isPaused() const;
    bool sessionStarted() const;
    int64_t sessionStartNs() const;

    // A video frame stamped `rawNs` (nothing: no valid time), lasting `durationNs` when known
    // (0 otherwise). Nothing when the frame is to be dropped (not capturing, paused, bad time).
    // `onlyIfLater`: a closing frame that only repeats the picture, dropped unless the last
    // written frame is a whole frame interval older (then it holds that picture until the stop).
    std::optional<VideoTiming> admitVideo(std::optional<int64_t> rawNs, int64_t durationNs = 0,
                                          bool onlyIfLater = false);
    // The frame admitted last was written.
    void videoAppended(int64_t rawNs, int64_t adjustedNs);
    // The last written frame's adjusted time, if any.
    std::optional<int64_t> lastVideoAdjustedNs() const;

    // An audio buffer of `track` stamped `rawNs`: its time on the output timeline, or nothing when
    // it is dropped (before the first video frame, paused, before the session start, not after the
    // track's previous buffer).
    std::optional<int64_t> admitAudio(AudioTrack track, std::optional<int64_t> rawNs);
    // How many of an admitted buffer's `frames` (at `rate`, from `rawNs`) come before the stop: a
    // late or large buffer (a starved capture thread reads what piled up) does not run past it.
    int audioFramesBeforeStop(int64_t rawNs, int frames, int rate) const;

    // A camera frame stamped `rawNs` for the separate webcam file: its time on the output timeline,
    // or nothing when it is dropped (no session yet, paused, after the stop, before the session
    // start, not after the previous camera frame).
    std::optional<int64_t> admitWebcam(int64_t rawNs);

    // Counters the frame-status rule and the writers report.
    int countMissingFrameStatus();  // answers the new count
    int countNonCompleteFrame();    // answers the new count
    int countAudioAppendRejected(); // answers the new count
    RecordingCounters counters() const;

private:
    mutable std::mutex stateLock_;
    int fps_ = 15;
    bool isCapturing_ = false;
    bool isPaused_ = false;
    std::optional<int64_t> pausedAtNs_;
    bool sessionStarted_ = false;
    int64_t pauseOffsetNs_ = 0;
    std::optional<int64_t> stopAtNs_;
    std::optional<int64_t> limitNs_;
    int64_t mainSessionStartNs_ = 0;
    int64_t lastVideoRawNs_ = 0;
    std::optional<int64_t> lastVideoAdjustedNs_;
    std::optional<int64_t> lastSystemAudioNs_;
    std::optional<int64_t> lastMicAudioNs_;
    std::optional<int64_t> lastWebcamNs_;
    RecordingCounters counters_;
};

} // namespace mebo
