#include "ui/VideoInspector.h"
#include "ui/GradientField.h"
#include "video/VideoEditorVM.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace mebo {
namespace {

struct VideoInspectorTest : ::testing::Test {
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};
    VideoInspector inspector{vm, QSizeF(1920, 1080), false};
};

// The background, its padding and their undo steps are the video walkthrough's (it finds the
// controls by their accessible names, which the rows' labels give them).
TEST_F(VideoInspectorTest, ChoicesWriteTheSettings) {
    struct Pick {
        QComboBox* box;
        QString title;
        std::function<bool()> check;
    };
    const QList<Pick> picks{
        {inspector.aspectChoice(), QStringLiteral("16:9"),
         [&] {
             return vm.state().canvasAspectRatio && std::abs(*vm.state().canvasAspectRatio - 16.0 / 9) < 1e-9;
         }},
        {inspector.aspectChoice(), QStringLiteral("Original"), [&] { return !vm.state().canvasAspectRatio; }},
        {inspector.fpsChoice(), QStringLiteral("24 fps"), [&] { return vm.state().exportFps == 24; }},
        {inspector.fpsChoice(), QStringLiteral("Original"), [&] { return !vm.state().exportFps; }},
        {inspector.resolutionChoice(), QStringLiteral("1080p (1920x1080)"),
         [&] { return vm.state().exportResolutionHeight == 1080; }},
        {inspector.webcamLayoutChoice(), QStringLiteral("Center"),
         [&] { return vm.state().webcamLayout && vm.state().webcamLayout->anchor == WebcamAnchor::custom; }}};
    for (const Pick& p : picks) {
        const int i = p.box->findText(p.title);
        ASSERT_GE(i, 0) << p.title.toStdString();
        p.box->setCurrentIndex(i);
        Q_EMIT p.box->activated(i);
        EXPECT_TRUE(p.check()) << p.title.toStdString();
    }
    EXPECT_FALSE(inspector.pages()->isTabEnabled(2)) << "the webcam page without a webcam";
}

// Which size preset a layout shows is the layout's own rule (VideoRules).
TEST_F(VideoInspectorTest, ControlsFollowALoadedProjectWithoutWritingItBack) {
    MeboVideoDocument doc;
    doc.edit.backgroundPadding = 72;
    doc.edit.canvasAspectRatio = 1.0;
    WebcamLayout large;
    large.scale = 0.28;
    doc.edit.webcamLayout = large;
    vm.loadProject(doc, QString());
    EXPECT_EQ(inspector.paddingSlider()->value(), 72);
    EXPECT_EQ(inspector.aspectChoice()->currentText(), QStringLiteral("1:1"));
    EXPECT_EQ(inspector.webcamSizeChoice()->currentText(), QStringLiteral("Large"));
    EXPECT_FALSE(vm.hasPendingAutosave()) << "showing the model wrote it back";
}

// The position sliders show where a preset put the webcam, and a drag moves it from there.
TEST(VideoInspectorWebcamTest, PositionSlidersStartWhereThePresetPutTheWebcam) {
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4"), QStringLiteral("Clip.webcam.mp4")};
    VideoInspector inspector{vm, QSizeF(1920, 1080), true};
    const QRectF frame(0, 0, 1920, 1080);
    // A medium webcam is 384 x 288 with margins of 16: its centre (percent, from the top left).
    const struct {
        WebcamLayoutPreset preset;
        int x, y;
    } presets[] = {{WebcamLayoutPreset::bottomRight, 89, 85},
                   {WebcamLayoutPreset::topLeft, 11, 15},
                   {WebcamLayoutPreset::center, 50, 50}};
    for (const auto& p : presets) {
        vm.chooseWebcamLayoutPreset(p.preset);
        EXPECT_EQ(inspector.webcamXSlider()->value(), p.x) << int(p.preset);
        EXPECT_EQ(inspector.webcamYSlider()->value(), p.y) << int(p.preset);
    }
    vm.chooseWebcamLayoutPreset(WebcamLayoutPreset::bottomRight);
    const QRectF before = placeWebcam(*vm.state().webcamLayout, frame).rect;
    inspector.webcamXSlider()->setValue(30);
    const QRectF after = placeWebcam(*vm.state().webcamLayout, frame).rect;
    EXPECT_EQ(vm.state().webcamLayout->layoutPreset, WebcamLayoutPreset::custom);
    EXPECT_NEAR(after.center().x(), 0.3 * 1920, 1);
    EXPECT_NEAR(after.y(), before.y(), 1) << "the other direction stays where it was";
    EXPECT_EQ(inspector.webcamYSlider()->value(), 85);
}

// Typing the text is the video walkthrough's.
TEST_F(VideoInspectorTest, TheSelectedAnnotationIsEdited) {
    EXPECT_FALSE(inspector.annotationText()->isEnabled()) << "nothing selected";
    const auto id = vm.addAnnotation(AnnotationKind::callout, {0.5, 0.5});
    ASSERT_TRUE(id);
    EXPECT_TRUE(inspector.annotationText()->isEnabled());
    EXPECT_EQ(inspector.annotationText()->text(), QStringLiteral("Text"));
    EXPECT_EQ(inspector.annotationFontSize()->value(), 34);
    inspector.annotationFontSize()->setValue(48);
    EXPECT_EQ(vm.state().annotationRegions[0].fontSize, 48);
    EXPECT_TRUE(vm.undo());
    EXPECT_EQ(inspector.annotationFontSize()->value(), 34) << "the inspector follows the undo";

    vm.addAnnotation(AnnotationKind::arrow, {0.2, 0.2});
    EXPECT_FALSE(inspector.annotationText()->isEnabled()) << "an arrow has no text";
    // An arrow's styles; a text has none of them.
    for (auto [box, title] : {std::pair{inspector.lineStyleChoice(), "Dashed"},
                              std::pair{inspector.arrowHeadChoice(), "At both ends"},
                              std::pair{inspector.directionChoice(), "↗ Up right"}}) {
        const int i = box->findText(QString::fromUtf8(title));
        ASSERT_GE(i, 0) << title;
        Q_EMIT box->activated(i);
    }
    const AnnotationRegion arrow = vm.state().annotationRegions[1];
    EXPECT_EQ(arrow.lineStyleRaw, QStringLiteral("dashed"));
    EXPECT_EQ(arrow.arrowHeadStyleRaw, QStringLiteral("both"));
    EXPECT_EQ(arrow.lineDirectionRaw, QStringLiteral("upRight"));
    vm.addAnnotation(AnnotationKind::text, {0.2, 0.2});
    EXPECT_FALSE(inspector.lineStyleChoice()->isEnabled());
    vm.select(RegionRef{RegionRef::List::annotation, arrow.id});
    EXPECT_EQ(inspector.directionChoice()->currentText(), QStringLiteral("↗ Up right"));

    // A wallpaper shows the background; the field follows an undo.
    inspector.wallpaperField()->enabledBox()->click();
    EXPECT_TRUE(vm.state().wallpaperGradient && vm.state().showBackground);
    ASSERT_TRUE(vm.undo());
    EXPECT_FALSE(inspector.wallpaperField()->enabledBox()->isChecked());
}

} // namespace
} // namespace mebo
