// The video editor on a real recording with the application's modules: the timeline's picture
// band shows the recording's frames and its sound band the tones' peaks, in the light and the dark
// appearance. With MEBO_SCREENSHOT_DIR set, the window is saved there in both (for a look).
#include "support/Fakes.h"
#include "support/WindowDialogs.h"
#include "support/IndexedClip.h"
#include "support/TestUtil.h"

#include "app/AppearanceMode.h"
#include "main/ExportModules.h"
#include "main/MediaProbeModule.h"
#include "ui/AppPalette.h"
#include "ui/VideoEditorWindow.h"
#include "ui/VideoTimelineView.h"
#include "video/VideoPlayer.h"
#include "video/VideoTimelineStrips.h"

#include <QApplication>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(VideoEditorLook, TimelineShowsTheRecordingsPicturesAndSoundInBothAppearances) {
    QTemporaryDir dir;
    test::IndexedClipShape shape;
    shape.seconds = 8;
    shape.size = QSize(640, 360);
    const QString clip = dir.filePath(QStringLiteral("Recording.mp4"));
    QString error;
    ASSERT_TRUE(test::makeIndexedClip(clip, shape, &error)) << error.toStdString();

    test::FakeDialogs dialogs;
    VideoEditorServices s;
    s.frameGenerator = [](QString* e) { return loadFrameGenerator(e); };
    s.composer = [](QString* e) { return loadVideoComposer(e); };
    s.gifWriter = [] { return makeGifWriter(); };
    s.probe = [] { return loadMediaProbe(); };
    s.audio.source = [](QString* e) { return loadEditedAudio(e); };
    s.dialogs = test::perWindow(dialogs);
    const auto target = VideoEditorWindow::targetFor(clip);
    ASSERT_TRUE(std::holds_alternative<VideoEditorTarget>(target));
    VideoEditorWindow window(s, std::get<VideoEditorTarget>(target));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(1280, 820);
    window.show();
    ASSERT_TRUE(window.player()->isOpen()) << window.player()->error().toStdString();
    ASSERT_NE(window.strips(), nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return window.strips()->finished(); }, 120000));
    ASSERT_TRUE(test::waitUntil([&] { return !window.player()->picture().isNull(); }, 30000));

    const QString shots = qEnvironmentVariable("MEBO_SCREENSHOT_DIR");
    for (AppearanceMode mode : {AppearanceMode::light, AppearanceMode::dark}) {
        SCOPED_TRACE(appearanceModeRawValue(mode).toStdString());
        AppPalette::apply(mode, std::nullopt);
        QApplication::processEvents();
        const QImage timeline = window.timeline()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int left = VideoTimelineView::kGutter + 8;
        // The picture band: the frames' black and white index blocks and grey ramp.
        QSet<QRgb> colours;
        const int pictureY = VideoTimelineView::kRulerHeight + VideoTimelineView::kPictureBandHeight / 2;
        for (int x = left; x < timeline.width() - 8; ++x) {
            colours.insert(timeline.pixel(x, pictureY));
        }
        EXPECT_GT(colours.size(), 20);
        // The sound band: a peak bar in the highlight colour in nearly every column.
        const QColor bar = window.timeline()->palette().color(QPalette::Highlight);
        const int soundY = VideoTimelineView::kRulerHeight + VideoTimelineView::kPictureBandHeight +
                           VideoTimelineView::kSoundBandHeight / 2;
        int bars = 0, columns = 0;
        for (int x = left; x < timeline.width() - 24; ++x, ++columns) {
            bars += timeline.pixel(x, soundY) == bar.rgb() ? 1 : 0;
        }
        EXPECT_GT(bars, columns * 9 / 10);
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            window.grab().save(QDir(shots).filePath(
                QStringLiteral("video-editor-%1.png").arg(appearanceModeRawValue(mode))));
        }
    }
    AppPalette::apply(AppearanceMode::light, std::nullopt);
}

} // namespace
} // namespace mebo
