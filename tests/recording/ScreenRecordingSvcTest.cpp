#include "recording/ScreenRecordingSvc.h"
#include "platform/MonotonicClock.h"
#include "support/Answer.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>

namespace mebo {
namespace {

using test::waitUntil;

// Calls `deliver` from its own thread, as often as the machine lets it, until destroyed.
class SamplePump {
public:
    explicit SamplePump(std::function<void()> deliver)
        : thread_([this, deliver = std::move(deliver)] {
              while (!done_) {
                  deliver();
                  std::this_thread::yield();
              }
          }) {}
    ~SamplePump() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The recorder over fakes: one 1920x1080 display (id 7) and one window (id 42).
struct RecorderRig {
    test::FakeScreenCapture screen;
    test::FakeFrameSource frames;
    test::FakeAudioCapture audio;
    test::FakePointerLocator pointer;
    test::FakePointerButtons buttons;
    test::FakeRemuxer remuxer;
    test::FakeCameraCapture cameras;
    std::shared_ptr<test::FakeMediaWriter::Log> writerLog = std::make_shared<test::FakeMediaWriter::Log>();
    // The camera's separate file, whose writer is made on the camera's thread.
    std::shared_ptr<test::FakeMediaWriter::Log> webcamLog = std::make_shared<test::FakeMediaWriter::Log>();
    std::optional<platform::MediaWriter::OpenError> openError;
    QTemporaryDir dir;
    std::unique_ptr<ScreenRecordingSvc> svc;

    RecorderRig() {
        screen.displayList = {test::display(7, QRect(0, 0, 1920, 1080), 1, true, QRect(0, 0, 1920, 1080))};
        platform::WindowInfo w;
        w.windowId = 42;
        w.frame = QRect(100, 100, 641, 481);
        w.title = QStringLiteral("Editor");
        screen.windowList = {w};
        pointer.point = QPoint(960, 540);
        RecordingBackends b;
        b.screen = &screen;
        b.frames = &frames;
        b.audio = &audio;
        b.makeWriter = [this] {
            const bool main = QThread::currentThread() == QCoreApplication::instance()->thread();
            auto writer = std::make_unique<test::FakeMediaWriter>(main ? writerLog : webcamLog);
            writer->openError = openError;
            return writer;
        };
        b.remuxer = &remuxer;
        b.probe = &remuxer;
        b.pointer = &pointer;
        b.buttons = &buttons;
        b.camera = [this] { return &cameras; };
        cameras.list = {{QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0"), QStringLiteral("Cam"),
                         QStringLiteral("/dev/video0")}};
        svc = std::make_unique<ScreenRecordingSvc>(std::move(b));
        svc->options().systemAudioEnabled = true;
    }
    QString output() const { return dir.filePath(QStringLiteral("rec.mp4")); }

    std::optional<RecordingError> start(const RecordingTarget& target) {
        return test::answerOf<std::optional<RecordingError>>(
                   [&](auto done) { svc->start(target, output(), done); })
            .value_or(std::nullopt);
    }
    StopResult stop() {
        return test::answerOf<StopResult>([&](auto done) { svc->stop(done); }).value_or(StopResult{});
    }
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files); }
};

TEST(ScreenRecordingSvc, RecordsFramesAndSystemAudioIntoTheFile) {
    test::LogCapture logs;
    RecorderRig rig;
    rig.svc->options().fps = 30;
    ASSERT_FALSE(rig.start(RecordingTarget::display(7)));
    EXPECT_EQ(rig.svc->state(), RecordingState::recording);
    EXPECT_EQ(rig.frames.lastConfig.outputSize, QSize(1920, 1080));
    const int64_t t0 = platform::monotonicNowNs();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(rig.frames.deliver(t0 + i * 33'000'000));
        ASSERT_TRUE(rig.audio.deliver(QStringLiteral("sink.monitor"), t0 + i * 33'000'000 + 1'000'000));
    }
    // Past the last frame's time, so the recording is longer than the shortest segment kept.
    ASSERT_TRUE(waitUntil([&] { return rig.svc->elapsedSeconds() > 0.2; }));
    const StopResult r = rig.stop();
    ASSERT_TRUE(r.mainURL);
    EXPECT_EQ(*r.mainURL, rig.output()); // no unfinished file left, one segment: the command line's
    EXPECT_EQ(r.counters.videoFramesAppended, 5);
    std::lock_guard lock(rig.writerLog->lock);
    EXPECT_EQ(rig.writerLog->sessionStartNs, t0);
    EXPECT_EQ(rig.writerLog->config.audioTracks, QStringList{QStringLiteral("System Audio")});
    EXPECT_EQ(rig.writerLog->config.bitrate, recordingBitrate({1920, 1080}, 30, QualityPreset::high));
    EXPECT_EQ(rig.writerLog->audio.size(), 5u);
    EXPECT_TRUE(rig.writerLog->finished);
    EXPECT_TRUE(logs.contains(QStringLiteral(
        "[Recording] 開始錄影 1920×1080@30fps sysAudio=true mic=false codec=h264 quality=high")));
    EXPECT_TRUE(logs.contains(QStringLiteral("[Recording] 錄影完成: ") + rig.output()));
}

TEST(ScreenRecordingSvc, StartFailuresLeaveNothingBehind) {
    using K = RecordingError::Kind;
    using Refusal = platform::MediaWriter::OpenError;
    using R = Refusal::Kind;
    struct Case {
        const char* name;
        RecordingTarget target;
        std::optional<Refusal> openError;
        bool mic;
        QString streamError;
        K kind;
        QString detail;
    };
    const auto display = RecordingTarget::display(7);
    const auto thin = RecordingTarget::areaOf(7, QRect(10, 10, 1, 300));
    const auto refused = [](R kind, int track) { return Refusal{kind, track, "x"}; };
    const K rejected = K::writerInputRejected;
    const Case cases[] = {
        {"unknown display", RecordingTarget::display(99), {}, false, {}, K::displayNotFound, {}},
        {"unknown window", RecordingTarget::window(5), {}, false, {}, K::windowNotFound, {}},
        {"one pixel wide", thin, {}, false, {}, K::invalidConfig, {}},
        {"video refused", display, refused(R::videoInput, -1), false, {}, rejected, "video"},
        {"mic track refused", display, refused(R::audioInput, 1), true, {}, rejected, "microphone audio"},
        {"single track refused", display, refused(R::audioInput, 0), false, {}, rejected, "audio"},
        {"file refused", display, refused(R::start, -1), false, {}, K::writerStartFailed, {}},
        {"capture refused", display, {}, false, "no screen", K::writerStartFailed, "no screen"},
    };
    for (const Case& c : cases) {
        RecorderRig rig;
        rig.openError = c.openError;
        rig.frames.startError = c.streamError;
        rig.svc->options().microphoneEnabled = c.mic;
        const auto error = rig.start(c.target);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->kind, c.kind) << c.name;
        EXPECT_EQ(error->detail, c.detail) << c.name;
        EXPECT_EQ(rig.svc->state(), RecordingState::idle) << c.name;
        EXPECT_TRUE(rig.leftovers().isEmpty()) << c.name << ": " << rig.leftovers().join(' ').toStdString();
    }
}

// An area's rectangle (desktop points, bottom-left origin) is the command line's telemetry test:
// its clicks land at the area's centre and corner.
TEST(ScreenRecordingSvc, AWindowTargetGivesItsRectangle) {
    RecorderRig rig;
    ASSERT_FALSE(rig.start(RecordingTarget::window(42)));
    EXPECT_EQ(rig.frames.lastConfig.sourceRect, QRect(100, 100, 640, 480));
    EXPECT_EQ(rig.frames.lastConfig.outputSize, QSize(640, 480));
    rig.stop();
}

// Both tracks of a recording whose microphone is gone are the command line's; here the lines said.
TEST(ScreenRecordingSvc, AMissingMicrophoneFallsBackToTheDefaultInput) {
    test::LogCapture logs;
    RecorderRig rig;
    rig.svc->options().microphoneEnabled = true;
    rig.svc->options().selectedMicDeviceId = QStringLiteral("usb-mic-unplugged");
    ASSERT_FALSE(rig.start(RecordingTarget::display(7)));
    EXPECT_TRUE(
        logs.contains(QStringLiteral("[Recording] 選定麥克風不存在, 改用預設設備 (id=usb-mic-unplugged)")));
    rig.stop();
    // Without any input the microphone is switched off for this recording only.
    rig.audio.defaultInput.clear();
    ASSERT_FALSE(rig.start(RecordingTarget::display(7)));
    EXPECT_TRUE(logs.contains(QStringLiteral("[Recording] 麥克風啟動失敗, 已自動關閉 microphoneEnabled")));
    EXPECT_FALSE(rig.svc->activeOptions().microphoneEnabled);
    EXPECT_TRUE(rig.svc->options().microphoneEnabled);
    rig.stop();
}

TEST(ScreenRecordingSvc, FrameStatusRuleKeepsUsableFramesAndLogsThreeTimes) {
    test::LogCapture logs;
    RecorderRig rig;
    ASSERT_FALSE(rig.start(RecordingTarget::display(7)));
    const int64_t t0 = platform::monotonicNowNs();
    for (int i = 0; i < 5; ++i) {
        rig.frames.deliver(t0 + i * 10'000'000, std::nullopt);  // no status: usable
        rig.frames.deliver(t0 + i * 10'000'000 + 5'000'000, 1); // idle: dropped
    }
    const StopResult r = rig.stop();
    EXPECT_EQ(r.counters.videoFramesAppended, 5);
    EXPECT_EQ(r.counters.missingFrameStatusCount, 5);
    EXPECT_EQ(r.counters.nonCompleteFrameCount, 5);
    EXPECT_EQ(logs.count(QStringLiteral("[Recording] 視頻幀缺少 sample attachments, 已按可用幀處理")), 3);
    EXPECT_EQ(logs.count(QStringLiteral("[Recording] 丟棄非完整視頻幀 status=1")), 3);
}

TEST(ScreenRecordingSvc, StopWhilePausedKeepsTheSegmentsClosedAtPause) {
    RecorderRig rig;
    ASSERT_FALSE(rig.start(RecordingTarget::display(7)));
    rig.frames.deliver(platform::monotonicNowNs());
    test::waitUntil([] { return false; }, 120);
    rig.svc->pause();
    EXPECT_EQ(rig.svc->state(), RecordingState::paused);
    const double atPause = rig.svc->elapsedSeconds();
    test::waitUntil([] { return false; }, 100);
    EXPECT_NEAR(rig.svc->elapsedSeconds(), atPause, 0.01); // the clock stands still
    const StopResult r = rig.stop();
    ASSERT_EQ(r.recordingSegments.size(), 1);
    EXPECT_NEAR(r.recordingSegments[0].endSec, atPause, 0.001);
}

// The stop comes straight after the start. In round 0 nothing is delivered: no frame ever made it,
// the writer is cancelled and nothing is left. After it the stream delivers from the moment it
// starts, so the stop races the first frame: either a frame made it (a finished file) or none did.
// No sample reaches the writer after its end.
TEST(ScreenRecordingSvc, AStopRacingTheFirstFrameLeavesAFileOrNothing) {
    test::LogCapture logs;
    for (int round = 0; round < 9; ++round) {
        RecorderRig rig;
        rig.svc->options().microphoneEnabled = true;
        std::optional<SamplePump> samples;
        if (round > 0) {
            samples.emplace([&] {
                const int64_t now = platform::monotonicNowNs();
                rig.frames.deliver(now);
                rig.audio.deliver(QStringLiteral("sink.monitor"), now);
                rig.audio.deliver(QStringLiteral("mic-1"), now);
            });
        }
        ASSERT_FALSE(rig.start(RecordingTarget::areaOf(7, QRect(0, 0, 320, 240))));
        const StopResult r = rig.stop();
        EXPECT_EQ(rig.svc->state(), RecordingState::idle);
        EXPECT_TRUE(rig.leftovers().filter(QStringLiteral(".recording.")).isEmpty()) << round;
        std::lock_guard lock(rig.writerLog->lock);
        EXPECT_EQ(rig.writerLog->appendsAfterEnd, 0) << round;
        if (r.mainURL) {
            EXPECT_TRUE(rig.writerLog->finished) << round;
            EXPECT_GT(r.counters.videoFramesAppended, 0) << round;
            EXPECT_TRUE(rig.leftovers().contains(QStringLiteral("rec.mp4"))) << round;
        } else {
            EXPECT_TRUE(rig.writerLog->cancelled) << round;
            EXPECT_TRUE(rig.leftovers().isEmpty()) << round << rig.leftovers().join(' ').toStdString();
        }
        EXPECT_TRUE(round > 0 || (!r.mainURL &&
                                  logs.contains(QStringLiteral("[Recording] 從未成功寫入視頻幀, 取消寫入"))));
    }
}

// The screen, the camera and both sound tracks keep delivering from their own threads while the
// main thread pauses, resumes and stops: each source stops before its file is finished, so neither
// file gets a sample after its end, every time written goes forward, and pauses this short leave
// no sliver of a segment.
TEST(ScreenRecordingSvc, PausesAndTheStopRaceTheSampleThreads) {
    RecorderRig rig;
    rig.svc->options().microphoneEnabled = true;
    rig.svc->options().webcamEnabled = true;
    rig.svc->options().webcamSeparateFile = true;
    ASSERT_FALSE(rig.start(RecordingTarget::areaOf(7, QRect(0, 0, 320, 240))));
    QImage face(64, 48, QImage::Format_RGB32);
    face.fill(Qt::blue);
    SamplePump screen([&] { rig.frames.deliver(platform::monotonicNowNs()); });
    SamplePump sound([&] {
        rig.audio.deliver(QStringLiteral("sink.monitor"), platform::monotonicNowNs());
        rig.audio.deliver(QStringLiteral("mic-1"), platform::monotonicNowNs());
    });
    SamplePump camera([&] { rig.cameras.deliver({face, platform::monotonicNowNs()}); });
    const auto webcamFrames = [&] {
        std::lock_guard lock(rig.webcamLog->lock);
        return rig.webcamLog->videoPts.size();
    };
    ASSERT_TRUE(waitUntil([&] { return webcamFrames() >= 5; }, 20000));
    for (int i = 0; i < 10; ++i) {
        waitUntil([] { return false; }, 15);
        rig.svc->pause();
        waitUntil([] { return false; }, 10);
        rig.svc->resume();
    }
    const size_t beforeStop = webcamFrames();
    ASSERT_TRUE(waitUntil([&] { return webcamFrames() > beforeStop; }, 20000));
    // Both sound tracks in the file before the stop, however slowly their thread runs.
    ASSERT_TRUE(waitUntil(
        [&] {
            std::lock_guard lock(rig.writerLog->lock);
            std::set<int> tracks;
            for (const auto& sample : rig.writerLog->audio) {
                tracks.insert(sample.first);
            }
            return tracks.size() == 2;
        },
        20000));
    const StopResult r = rig.stop();
    ASSERT_TRUE(r.mainURL);
    ASSERT_TRUE(r.webcamURL);
    EXPECT_TRUE(QFile::exists(*r.webcamURL));
    for (const RecordingSegment& s : r.recordingSegments) {
        EXPECT_GT(s.endSec - s.startSec, RecordingSegmentTracker::minimumLengthSec);
    }
    for (const auto& log : {rig.writerLog, rig.webcamLog}) {
        std::lock_guard lock(log->lock);
        EXPECT_TRUE(log->finished);
        EXPECT_EQ(log->appendsAfterEnd, 0);
        EXPECT_EQ(std::adjacent_find(log->videoPts.begin(), log->videoPts.end(), std::greater_equal<>()),
                  log->videoPts.end());
    }
    std::lock_guard lock(rig.writerLog->lock);
    std::map<int, int64_t> lastPerTrack;
    for (const auto& [track, pts] : rig.writerLog->audio) {
        EXPECT_GT(pts, lastPerTrack.count(track) ? lastPerTrack[track] : *rig.writerLog->sessionStartNs - 1);
        lastPerTrack[track] = pts;
    }
    EXPECT_EQ(lastPerTrack.size(), 2u);
}

} // namespace
} // namespace mebo
