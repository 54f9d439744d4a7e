#include "capture/CaptureMgr.h"
#include "platform/MonotonicClock.h"
#include "recording/ScreenRecordingSvc.h"
#include "support/Answer.h"
#include "support/CaptureParts.h"
#include "support/FakeWindows.h"
#include "support/Files.h"
#include "support/RecordingFakes.h"
#include "video/MeboVideoDocument.h"
#include "video/VideoProjectFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

// The coordinator with a recorder over fakes, one 800x600 display and one window.
class CaptureMgrRecording : public ::testing::Test, protected test::CaptureParts<> {
protected:
    CaptureMgrRecording() {
        capture.displayList = {test::display(7, QRect(0, 0, 800, 600), 1, true, QRect(0, 0, 800, 600))};
        capture.windowList = {test::windowInfo(5, {100, 50, 300, 200}, 77)};
        capture.windowList[0].title = QStringLiteral("Editor");
        images.ensureSaveDirectory();
        history.load();
        RecordingBackends b;
        b.screen = &capture;
        b.frames = &frames;
        b.audio = &audio;
        b.makeWriter = [this] { return std::make_unique<test::FakeMediaWriter>(writerLog); };
        b.remuxer = &remuxer;
        b.probe = &remuxer;
        b.pointer = &pointer;
        recorder = std::make_unique<ScreenRecordingSvc>(std::move(b));
        CaptureMgr::RecordingLinks links;
        links.recorder = recorder.get();
        links.thumbnails = &thumbnails;
        links.remuxer = &remuxer;
        links.probe = &remuxer;
        mgr.setRecordingLinks(std::move(links));
        QObject::connect(&mgr, &CaptureMgr::recordingStarted, [this] { ++started; });
        QObject::connect(&mgr, &CaptureMgr::recordingFinished,
                         [this](bool ok, const QString& path, const QString& id, const StopResult&) {
                             finished.append({ok, path, id});
                         });
    }
    ~CaptureMgrRecording() override {
        if (recorder->state() != RecordingState::idle) {
            test::answerOf<StopResult>([&](auto done) { recorder->stop(done); }, 10000);
        }
    }

    test::FakeFrameSource frames;
    test::FakeAudioCapture audio;
    test::FakeRemuxer remuxer;
    std::shared_ptr<test::FakeMediaWriter::Log> writerLog = std::make_shared<test::FakeMediaWriter::Log>();
    std::unique_ptr<ScreenRecordingSvc> recorder;
    test::FakeRegionOverlay overlay;
    CaptureMgr mgr{cfg,        screenshots, images,  clipboard, shutter, history,
                   mainWindow, &overlay,    dialogs, workspace, pointer};
    int started = 0;

    // Starts a display recording and waits for it to run.
    void startRecording(uint32_t displayId = 7) {
        const int before = started;
        mgr.startRecording(RecordingTarget::display(displayId), CaptureMode::record);
        ASSERT_TRUE(test::waitUntil([&] { return started > before || !dialogs.alerts.isEmpty(); }, 10000));
    }
    void stopAndWait() {
        const qsizetype before = finished.size();
        mgr.stopRecording();
        ASSERT_TRUE(test::waitUntil([&] { return finished.size() > before; }, 10000));
    }
    struct Finished {
        bool ok;
        QString path;
        QString id;
    };

    QList<Finished> finished;
};

TEST_F(CaptureMgrRecording, AStoppedRecordingEntersTheLibraryAsAVideoWithItsSegments) {
    cfg.setRecordFps(24);
    startRecording();
    EXPECT_TRUE(mgr.captureActive());
    EXPECT_EQ(frames.lastConfig.fps, 24); // the settings configure the recorder
    pointer.point = QPoint(400, 300);
    frames.deliver(platform::monotonicNowNs());
    test::waitUntil([] { return false; }, 100);
    mgr.pauseResumeRecording();
    EXPECT_EQ(recorder->state(), RecordingState::paused);
    mgr.pauseResumeRecording();
    test::waitUntil([] { return false; }, 100);
    frames.deliver(platform::monotonicNowNs());
    stopAndWait();
    ASSERT_TRUE(finished.last().ok);
    const QString path = finished.last().path;
    EXPECT_TRUE(path.startsWith(cfg.saveDirectory() + QStringLiteral("/mebo-")));
    ASSERT_EQ(history.entries().size(), 1);
    const HistoryEntry& e = history.entries().first();
    EXPECT_EQ(e.id, finished.last().id);
    EXPECT_EQ(e.mediaType, QStringLiteral("video"));
    EXPECT_EQ(e.mode, QStringLiteral("record"));
    EXPECT_EQ(e.durationSec, 10.0); // what the file says
    EXPECT_EQ(QSize(e.widthPx, e.heightPx), QSize(800, 600));
    // Two segments (a pause between): their project file beside the recording.
    const QString project = VideoProjectFiles::projectPathFor(path);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 已寫入錄屏段落 sidecar: ") + project));
    const MeboVideoDocument doc = MeboVideoDocument::readFile(project);
    ASSERT_EQ(doc.edit.recordingSegments.size(), 2);
    EXPECT_EQ(doc.edit.recordingSegments[1].endSec, 10.0); // reaches the end of the file
    EXPECT_FALSE(mgr.captureActive());
    thumbnails.waitForPending();
    EXPECT_FALSE(thumbnails.thumbnail(e.thumbnailName).isNull());
}

TEST_F(CaptureMgrRecording, AFailedStartShowsItsAlertAndRetriesOnRequest) {
    dialogs.alertAnswer = 0; // Retry, then the display is there
    mgr.startRecording(RecordingTarget::display(99), CaptureMode::record);
    ASSERT_TRUE(test::waitUntil([&] { return !dialogs.alerts.isEmpty(); }));
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Recording Failed to Start"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("找不到指定顯示器"));
    EXPECT_EQ(dialogs.alerts[0].buttons, (QStringList{QStringLiteral("Retry"), QStringLiteral("Cancel")}));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影啟動失敗: 找不到指定顯示器")));
    ASSERT_TRUE(test::waitUntil([&] { return dialogs.alerts.size() >= 2; })); // the retry failed alike
    dialogs.alertAnswer = 1;                                                  // Cancel
    ASSERT_TRUE(test::waitUntil([&] { return !mgr.captureActive(); }, 5000));
    EXPECT_EQ(recorder->state(), RecordingState::idle);
}

TEST_F(CaptureMgrRecording, CancelDeletesTheFileAndItsSensitiveSiblings) {
    startRecording();
    pointer.point = QPoint(100, 100);
    frames.deliver(platform::monotonicNowNs());
    test::waitUntil([] { return false; }, 150); // a few cursor samples
    const qsizetype before = finished.size();
    mgr.cancelRecording();
    ASSERT_TRUE(test::waitUntil([&] { return finished.size() > before; }, 10000));
    EXPECT_FALSE(finished.last().ok);
    EXPECT_TRUE(QDir(cfg.saveDirectory()).entryList(QDir::Files).isEmpty())
        << QDir(cfg.saveDirectory()).entryList(QDir::Files).join(' ').toStdString();
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影已取消 (文件 + 敏感 sibling 已刪除)")));
}

// The recorder skips a stop while it prepares; the coordinator keeps a stop or cancel that comes
// then and carries it out once the recording runs, so the user's choice is not lost.
TEST_F(CaptureMgrRecording, AStopOrCancelDuringTheStartEndsTheRecordingOnceItRuns) {
    for (const bool cancel : {true, false}) {
        const qsizetype before = finished.size();
        mgr.startRecording(RecordingTarget::display(7), CaptureMode::record);
        ASSERT_EQ(recorder->state(), RecordingState::preparing);
        cancel ? mgr.cancelRecording() : mgr.stopRecording();
        EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] recording still starting: %1 once it runs")
                                     .arg(cancel ? QStringLiteral("cancel") : QStringLiteral("stop"))));
        ASSERT_TRUE(test::waitUntil([&] { return finished.size() > before; }, 10000)) << cancel;
        EXPECT_FALSE(finished.last().ok);
        EXPECT_EQ(recorder->state(), RecordingState::idle);
        EXPECT_TRUE(QDir(cfg.saveDirectory()).entryList(QDir::Files).isEmpty()) << cancel;
        // Only the stop tells the user that nothing was saved.
        ASSERT_EQ(dialogs.alerts.size(), cancel ? 0 : 1);
    }
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Recording Failed"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("The recording could not be saved. Please try again."));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影停止失敗或無輸出")));
}

TEST_F(CaptureMgrRecording, RestartDiscardsTheFirstTake) {
    startRecording();
    frames.deliver(platform::monotonicNowNs());
    const int before = started;
    mgr.restartRecording();
    ASSERT_TRUE(test::waitUntil([&] { return started > before; }, 10000));
    EXPECT_TRUE(QDir(cfg.saveDirectory()).entryList({"*.mp4"}).size() <= 1); // only the new take's file
    EXPECT_EQ(recorder->state(), RecordingState::recording);
    frames.deliver(platform::monotonicNowNs());
    stopAndWait();
    EXPECT_EQ(history.entries().size(), 1);
}

TEST_F(CaptureMgrRecording, CrashedRecordingsAreRecoveredIntoTheLibrary) {
    const QString unfinished = QDir(cfg.saveDirectory()).filePath(QStringLiteral("mebo-old.recording.mp4"));
    test::writeBytes(unfinished, "fragments");
    int recovered = -1;
    QObject::connect(&mgr, &CaptureMgr::recordingsRecovered, [&](int n) { recovered = n; });
    mgr.recoverUnfinishedRecordings();
    ASSERT_TRUE(test::waitUntil([&] { return recovered >= 0; }, 10000));
    EXPECT_EQ(recovered, 1);
    EXPECT_FALSE(QFile::exists(unfinished));
    EXPECT_TRUE(QFile::exists(QDir(cfg.saveDirectory()).filePath(QStringLiteral("mebo-old.mp4"))));
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().mediaType, QStringLiteral("video"));
    EXPECT_TRUE(log.messages().join('\n').contains(QStringLiteral("[Recording] 已恢復中斷的錄影: ")));
}

TEST_F(CaptureMgrRecording, ATrimmedCopyEntersTheLibraryOnceWithTheProbedDuration) {
    const QString source = QDir(cfg.saveDirectory()).filePath(QStringLiteral("clip.mp4"));
    test::writeBytes(source, "movie");
    remuxer.duration = 4; // what the trimmed file holds
    const auto written =
        mgr.trimVideo(source, 10, QStringLiteral("1"), QStringLiteral("5"), CaptureMode::recordArea);
    ASSERT_TRUE(written);
    EXPECT_EQ(QFileInfo(*written).fileName(), QStringLiteral("clip_trimmed.mp4"));
    ASSERT_EQ(history.entries().size(), 1);
    const HistoryEntry first = history.entries().first();
    EXPECT_EQ(first.mode, QStringLiteral("recordArea"));
    EXPECT_EQ(first.durationSec, 4.0);
    EXPECT_EQ(QSize(first.widthPx, first.heightPx), QSize(64, 48));
    thumbnails.waitForPending();
    EXPECT_FALSE(thumbnails.thumbnail(first.thumbnailName).isNull());
    // Trimming again replaces the file: the same item, brought up to date.
    remuxer.duration = 2;
    ASSERT_TRUE(mgr.trimVideo(source, 10, QStringLiteral("2"), QStringLiteral("4")));
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().id, first.id);
    EXPECT_EQ(history.entries().first().durationSec, 2.0);
}

// "Record Screen...": the coordinator shows the source picker and acts on its answer. Cancelling
// the picker, its "Custom Region..." and a chosen window that is off the screen are the recording
// walkthrough's.
TEST_F(CaptureMgrRecording, APickedDisplayOrWindowStartsItsRecording) {
    std::optional<SourcePickerChoice> answer;
    int pickerShown = 0;
    mgr.setSourcePicker([&](CaptureMgr::SourcePickerDone done) {
        ++pickerShown;
        runOnMain([done, answer] { done(answer); });
    });
    struct Case {
        SourcePickerChoice choice;
        QRect recorded; // X11 root pixels
    };
    const Case cases[] = {
        {{SourcePickerChoice::Kind::display, 7, {}}, QRect(0, 0, 800, 600)},
        {{SourcePickerChoice::Kind::window, 5, QStringLiteral("Editor")}, QRect(100, 50, 300, 200)},
    };
    for (const Case& c : cases) {
        answer = c.choice;
        const int before = started;
        mgr.startRecordWithPicker(CaptureRequest::Source::menuBar);
        ASSERT_TRUE(test::waitUntil([&] { return started > before; }, 10000)) << int(c.choice.kind);
        EXPECT_EQ(recorder->recordedRect(), c.recorded);
        ASSERT_TRUE(test::answerOf<StopResult>([&](auto done) { recorder->stop(done); }, 10000));
    }
    EXPECT_EQ(pickerShown, 2);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] startRecordWithPicker source=menuBar")));
}

} // namespace
