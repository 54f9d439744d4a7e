// The recording panel, the region indicator and the trim prompt on real widgets.
#include "app/Cfg.h"
#include "recording/RecordingPanelVM.h"
#include "support/RecordingPanelParts.h"
#include "ui/RecordingPanel.h"
#include "ui/RecordingRegionIndicator.h"
#include "ui/TrimVideoDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace mebo {
namespace {

struct PanelWidget : ::testing::Test, test::RecordingPanelParts {};

TEST_F(PanelWidget, EveryOptionReachesTheSettings) {
    RecordingPanel panel(vm);
    panel.microphoneBox()->setChecked(true);
    panel.webcamBox()->setChecked(true);
    panel.scaleSlider()->setValue(35);
    panel.codecMenu()->activated(1);
    panel.qualityMenu()->activated(0);
    panel.frameRateMenu()->activated(4);
    panel.positionMenu()->activated(1);
    EXPECT_TRUE(cfg.recordMicrophone());
    EXPECT_TRUE(cfg.recordWebcam());
    EXPECT_DOUBLE_EQ(cfg.webcamScale(), 0.35);
    EXPECT_EQ(cfg.videoCodec(), QStringLiteral("hevc"));
    EXPECT_EQ(cfg.recordQuality(), QStringLiteral("standard"));
    EXPECT_EQ(cfg.recordFps(), 30);
    EXPECT_EQ(cfg.webcamPosition(), QStringLiteral("topRight"));
    // A change made elsewhere (another panel) shows here.
    RecordingPanel other(vm);
    other.systemAudioBox()->setChecked(false);
    EXPECT_FALSE(panel.systemAudioBox()->isChecked());
}

// Pause, Resume (the button's mnemonic follows the state) and Stop are pressed on the real panel
// by the recording walkthrough; which controls each state offers is the view-model's table.
TEST_F(PanelWidget, TheClockAndRestartFollowTheRecording) {
    RecordingPanel panel(vm);
    vm.setState(RecordingState::recording);
    vm.setElapsed(65.4);
    EXPECT_EQ(panel.elapsedLabel()->text(), QStringLiteral("01:05"));
    panel.restartButton()->click();
    EXPECT_EQ(called, QStringList{"restart"});
}

TEST(RecordingRegionIndicatorTest, TheRingNeverCoversTheRecordedPixels) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case {
        QRect recorded;
        bool shown;
    };
    const Case cases[] = {{QRect(100, 100, 640, 480), true},
                          {QRect(0, 0, 800, 600), true},   // the top and left edges fall off the screen
                          {QRect(0, 0, 1920, 1080), true}, // only the edge shared with the second screen
                          {QRect(1920, 0, 1280, 1024), true}};
    for (const Case& c : cases) {
        const QRegion ring = RecordingRegionIndicator::ring(c.recorded, screens);
        EXPECT_EQ(!ring.isEmpty(), c.shown);
        EXPECT_FALSE(ring.intersects(c.recorded));
        EXPECT_TRUE(c.recorded.adjusted(-3, -3, 3, 3).contains(ring.boundingRect()));
    }
    EXPECT_TRUE(RecordingRegionIndicator::ring(QRect(0, 0, 1920, 1080), {QRect(0, 0, 1920, 1080)}).isEmpty());
}

TEST(TrimVideoDialogTest, FieldsDefaultsAndValidation) {
    TrimVideoDialog dialog(10.04);
    EXPECT_EQ(dialog.endField()->text(), QStringLiteral("10.0"));
    struct Case {
        const char* start;
        const char* end;
        bool trimmable;
    };
    const Case cases[] = {
        {"abc", "5", true},  // an unreadable start is 0
        {"7", "5", false},   // start after end
        {"3", "999", true},  // an end past the duration is the duration
        {"-4", "", true},    // 0 to the end
        {"10.04", "", false} // nothing left
    };
    for (const Case& c : cases) {
        dialog.startField()->setText(QString::fromLatin1(c.start));
        dialog.endField()->setText(QString::fromLatin1(c.end));
        EXPECT_EQ(dialog.trimButton()->isEnabled(), c.trimmable) << c.start << " " << c.end;
        EXPECT_EQ(dialog.problemLabel()->text().startsWith(QStringLiteral("The start")), !c.trimmable);
    }
}

} // namespace
} // namespace mebo
