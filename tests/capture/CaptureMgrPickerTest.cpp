#include "capture/CaptureMgr.h"
#include "recording/ScreenRecordingSvc.h"
#include "support/CaptureParts.h"
#include "support/RecordingFakes.h"

#include <gtest/gtest.h>

using namespace mebo;

namespace {

// "Record Screen...": the coordinator shows the source picker and acts on its answer.
class CaptureMgrPicker : public ::testing::Test, protected test::CaptureParts<> {
protected:
    CaptureMgrPicker() {
        platform::DisplayInfo d;
        d.displayId = 7;
        d.frame = d.nativeFrame = QRect(0, 0, 800, 600);
        d.primary = true;
        capture.displayList = {d};
        platform::WindowInfo w;
        w.windowId = 5;
        w.title = QStringLiteral("Editor");
        w.pid = 77;
        w.frame = QRect(100, 50, 300, 200);
        capture.windowList = {w};
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
        links.remuxer = &remuxer;
        links.probe = &remuxer;
        mgr.setRecordingLinks(std::move(links));
        mgr.setSourcePicker([this](CaptureMgr::SourcePickerDone done) {
            ++pickerShown;
            runOnMain([done, answer = answer] { done(answer); });
        });
        QObject::connect(&mgr, &CaptureMgr::recordingStarted, [this] { ++started; });
    }
    ~CaptureMgrPicker() override {
        if (recorder->state() != RecordingState::idle) {
            bool stopped = false;
            recorder->stop([&](StopResult) { stopped = true; });
            test::waitUntil([&] { return stopped; }, 10000);
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
    std::optional<SourcePickerChoice> answer;
    int pickerShown = 0;
    int started = 0;
};

TEST_F(CaptureMgrPicker, ADisplayOrWindowAnswerStartsItsRecording) {
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
        bool stopped = false;
        recorder->stop([&](StopResult) { stopped = true; });
        ASSERT_TRUE(test::waitUntil([&] { return stopped; }, 10000));
    }
    EXPECT_EQ(pickerShown, 2);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] startRecordWithPicker source=menuBar")));
}

TEST_F(CaptureMgrPicker, CancellingThePickerAbandonsAndCustomRegionOpensTheOverlay) {
    mgr.startRecordWithPicker(CaptureRequest::Source::menuBar);
    ASSERT_TRUE(test::waitUntil([&] { return !mgr.captureActive(); }));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影來源選擇取消")));
    EXPECT_EQ(recorder->state(), RecordingState::idle);

    answer = SourcePickerChoice{SourcePickerChoice::Kind::area, 0, {}};
    mgr.startRecordWithPicker(CaptureRequest::Source::menuBar);
    ASSERT_TRUE(test::waitUntil([&] { return overlay.presents == 1; }));
    EXPECT_EQ(overlay.lastKind, RegionKind::record);
    EXPECT_TRUE(
        log.contains(QStringLiteral("[CaptureMgr] picker → switchToArea, 切到 RegionSelectionWindow")));
    overlay.answer(OverlayOutcome{});
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影選區取消")));
    EXPECT_FALSE(mgr.captureActive());
}

} // namespace
