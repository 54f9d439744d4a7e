#include "support/Drawing.h"
#include "support/TestUtil.h"

#include "video/VideoAnnotationAssets.h"
#include "video/VideoEditorVM.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using List = RegionRef::List;

namespace {

struct EditorFixture : ::testing::Test {
    QTemporaryDir dir;
    QString project = dir.filePath(QStringLiteral("Clip.mebo-video"));
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};

    EditorFixture() { vm.loadProject(MeboVideoDocument{}, project); }
};

TEST_F(EditorFixture, EditsAreUndoStepsAndAutosaveOnceAfterTheBurst) {
    const auto trim = vm.addRegion(List::trim, {2, 4});
    ASSERT_TRUE(trim);
    EXPECT_EQ(vm.selection(), (RegionRef{List::trim, *trim}));
    const auto speed = vm.addRegion(List::speed, {6, 8});
    EXPECT_TRUE(vm.setSpeed(*speed, 100));
    EXPECT_EQ(vm.state().speedRegions[0].speed, VideoEditorVM::kMaxSpeed);
    EXPECT_TRUE(vm.setSpeed(*speed, 2));
    EXPECT_TRUE(vm.hasPendingAutosave());
    EXPECT_FALSE(QFileInfo::exists(project)) << "written before the burst ended";
    ASSERT_TRUE(test::waitUntil([&] { return !vm.hasPendingAutosave(); }, 10000));
    EXPECT_EQ(MeboVideoDocument::readFile(project), vm.document());

    // Undo walks back edit by edit; redo forward; a refused edit is no step.
    EXPECT_FALSE(vm.setRegionSpan({List::trim, QUuid::createUuid()}, {1, 2}));
    EXPECT_TRUE(vm.undo());
    EXPECT_EQ(vm.state().speedRegions[0].speed, VideoEditorVM::kMaxSpeed);
    EXPECT_TRUE(vm.undo());
    EXPECT_TRUE(vm.undo());
    EXPECT_TRUE(vm.state().speedRegions.isEmpty());
    EXPECT_TRUE(vm.undo());
    EXPECT_FALSE(vm.selection()) << "the selected region is gone";
    EXPECT_FALSE(vm.undo());
    EXPECT_TRUE(vm.redo());
    EXPECT_EQ(vm.keptRanges().size(), 2);
    EXPECT_EQ(vm.playbackAt(2.5), (PlaybackDecision{PlaybackDecision::Action::seek, 4}));
}

TEST_F(EditorFixture, FiftyUndoSteps) {
    for (int i = 0; i < 51; ++i) {
        vm.addRegion(List::trim, {double(i) / 10, double(i) / 10 + 0.05});
    }
    int undone = 0;
    while (vm.undo()) {
        ++undone;
    }
    EXPECT_EQ(undone, 50);
    EXPECT_EQ(vm.state().trimRegions.size(), 1);
}

TEST_F(EditorFixture, TrackChaptersSegmentsAndAnnotations) {
    vm.setPlayhead(9);
    const auto muted = vm.disableForFiveSeconds(List::micMute);
    ASSERT_TRUE(muted);
    EXPECT_EQ(vm.selection(), (RegionRef{List::micMute, *muted}));
    EXPECT_EQ(vm.playhead(), 5);
    EXPECT_TRUE(vm.isDisabledAt(List::micMute, 7));
    EXPECT_FALSE(vm.isDisabledAt(List::systemAudioMute, 7));
    EXPECT_FALSE(vm.disableForFiveSeconds(List::trim));
    EXPECT_TRUE(vm.clearTrack(List::micMute));
    EXPECT_FALSE(vm.selection());
    EXPECT_FALSE(vm.clearTrack(List::micMute)) << "nothing to clear is no step";

    vm.setPlayhead(4); // how titles are trimmed is the chapters' rule; here the editor keeps to it
    EXPECT_TRUE(vm.splitChapterAtPlayhead());
    EXPECT_TRUE(vm.renameChapter(vm.state().chapterSegments[1].id, QStringLiteral("  Demo  ")));
    EXPECT_EQ(vm.state().chapterSegments[1].title, QStringLiteral("Demo"));

    MeboVideoDocument doc;
    doc.edit.recordingSegments = {{QUuid::createUuid(), 0, 3, true, {}},
                                  {QUuid::createUuid(), 3, 10, true, {}}};
    vm.loadProject(doc, project);
    EXPECT_FALSE(vm.canUndo());
    EXPECT_TRUE(vm.setSegmentEnabled(doc.edit.recordingSegments[0].id, false));
    EXPECT_EQ(vm.keptRanges(), (QList<TimeRange>{{3, 10}}));
    EXPECT_TRUE(vm.setMicTrackEnabled(false));
    EXPECT_FALSE(vm.setMicTrackEnabled(false));

    const auto note = vm.addAnnotation(AnnotationKind::callout, {0.5, 0.5});
    ASSERT_TRUE(note);
    EXPECT_EQ(vm.selection(), (RegionRef{List::annotation, *note}));
    EXPECT_EQ(vm.state().annotationRegions[0].startSec, 4);
    EXPECT_TRUE(vm.deleteRegion({List::annotation, *note}));
    EXPECT_FALSE(vm.selection());
}

TEST_F(EditorFixture, SettingsImagesAndTheWebcam) {
    // A webcam preset chosen is the inspector's test; a setting as an undo step, the settings' own.
    const QString png = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(test::sampleImage(4, 4).save(png));
    const auto id = vm.addImageAnnotation(png, {0.5, 0.5});
    ASSERT_TRUE(id);
    const QString asset = *vm.state().annotationRegions[0].imageFileName;
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(asset)));

    // Reloading the project without that annotation removes the orphaned asset; a project with a
    // webcam file shows the webcam.
    VideoEditorVM withCam(10, QStringLiteral("Clip.mp4"), QStringLiteral("Clip.webcam.mp4"));
    MeboVideoDocument doc;
    doc.edit.webcamLayout = WebcamLayout{};
    doc.edit.webcamLayout->visible = false;
    doc.edit.webcamHiddenRegions = {{QUuid::createUuid(), 2, 3}};
    withCam.loadProject(doc, project);
    EXPECT_TRUE(withCam.state().webcamLayout->visible);
    EXPECT_EQ(withCam.webcamOverlayAt(1, {0, 0, 1000, 500})->rect, QRectF(784, 16, 200, 150));
    EXPECT_FALSE(withCam.webcamOverlayAt(2.5, {0, 0, 1000, 500}));
    EXPECT_FALSE(vm.webcamOverlayAt(1, {0, 0, 1000, 500})) << "no webcam file";
    EXPECT_EQ(vm.annotationsAt(0).size(), 1);
    EXPECT_EQ(vm.annotationsAt(5).size(), 0) << "[start, end)";
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(asset)));
}

// What the timeline draws of each list: spans as stored (chapters tiled), with their labels.
TEST_F(EditorFixture, TimelineRowsCarryTheirLabelsAndState) {
    using Span = VideoEditorVM::TimelineSpan;
    const auto speed = vm.addRegion(List::speed, {1, 3});
    vm.setSpeed(*speed, 1.5);
    vm.addAnnotation(AnnotationKind::arrow, {0.5, 0.5});
    vm.setPlayhead(4);
    vm.splitChapterAtPlayhead();
    vm.renameChapter(vm.tiledChapters()[0].id, QStringLiteral("Intro"));
    MeboVideoDocument d = vm.document();
    const QUuid first = QUuid::createUuid(), second = QUuid::createUuid();
    d.edit.recordingSegments = {{first, 0, 6, true, std::nullopt},
                                {second, 6, 10, false, QStringLiteral("Break")}};
    vm.loadProject(d, QString());

    EXPECT_EQ(vm.spans(List::recordingSegment),
              (QList<Span>{{first, {0, 6}, "Segment 1", true}, {second, {6, 10}, "Break", false}}));
    EXPECT_EQ(vm.spans(List::speed), (QList<Span>{{*speed, {1, 3}, "1.5x"}}));
    EXPECT_EQ(vm.spans(List::annotation)[0].label, QStringLiteral("arrow")) << "an annotation without text";
    const auto chapters = vm.spans(List::chapter);
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(chapters[0].label, QStringLiteral("Intro"));
    EXPECT_EQ(chapters[1].span, (TimeRange{4, 10}));
    EXPECT_FALSE(chapters[1].label.isEmpty()) << "the default title";
    EXPECT_EQ(vm.spanOf({List::speed, *speed}), (TimeRange{1, 3}));
    EXPECT_FALSE(vm.spanOf({List::trim, *speed})) << "an id of another list";
    EXPECT_TRUE(vm.spans(List::micMute).isEmpty());
}

TEST(VideoEditorVMTest, AutosaveFailuresAndTransientAssets) {
    QTemporaryDir dir;
    test::LogCapture logs;
    {
        VideoEditorVM vm(10, QStringLiteral("Clip.mp4"));
        vm.setProjectPath(dir.filePath(QStringLiteral("missing/Clip.mebo-video")));
        vm.addRegion(List::trim, {1, 2});
        vm.flushAutosave();
        const QString prefix = QStringLiteral("[VideoEditor] autosave 失敗: cannot write ");
        EXPECT_EQ(logs.messages().filter(prefix).size(), 1) << logs.messages().join('\n').toStdString();
        EXPECT_EQ(vm.state().trimRegions.size(), 1) << "the edit stays in memory";
    }
    // A damaged project never written over, and Ctrl+W flushing the pending write, are the editor
    // window's tests.
    {
        // Without a project file image annotations go to a transient folder of the session.
        VideoAnnotationAssets::sweepTransientRoot();
        VideoEditorVM vm(10, QStringLiteral("Clip.mp4"));
        const QString png = dir.filePath(QStringLiteral("a.png"));
        ASSERT_TRUE(test::sampleImage(4, 4).save(png));
        ASSERT_TRUE(vm.addImageAnnotation(png, {0.2, 0.2}));
        const QString root = VideoAnnotationAssets::transientRoot();
        EXPECT_EQ(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    }
    EXPECT_TRUE(QDir(VideoAnnotationAssets::transientRoot()).isEmpty());
}

} // namespace
