#pragma once

#include "video/VideoRegions.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QSlider;
class QTabWidget;

namespace mebo {

class ColorButton;
class GradientField;
class VideoEditorVM;
struct VideoSnapshot;

// The video editor's inspector: the canvas (background colour or wallpaper gradient, padding,
// corners, shadow, aspect, motion blur), the export's frame rate and resolution, the webcam's
// layout, the cursor effects, the selected annotation's text and styles, and the crop (drawn on
// the picture, its aspect). Every control writes the model at once (an undo step, a slider's
// drag one step; autosaved) and follows the model when it changes (an undo, a loaded project).
// Main thread.
class VideoInspector : public QWidget {
    Q_OBJECT
public:
    // `sourceSize` titles the resolutions ("1080p (1920x1080)"); `hasWebcam` enables its page.
    VideoInspector(VideoEditorVM& vm, std::optional<QSizeF> sourceSize, bool hasWebcam,
                   QWidget* parent = nullptr);

    QTabWidget* pages() const { return pages_; }
    QCheckBox* backgroundBox() const { return background_; }
    QSlider* paddingSlider() const { return padding_; }
    QComboBox* aspectChoice() const { return aspect_; }
    QComboBox* fpsChoice() const { return fps_; }
    QComboBox* resolutionChoice() const { return resolution_; }
    QComboBox* webcamLayoutChoice() const { return webcamLayout_; }
    QComboBox* webcamSizeChoice() const { return webcamSize_; }
    QSlider* webcamXSlider() const { return webcamX_; }
    QSlider* webcamYSlider() const { return webcamY_; }
    QLineEdit* annotationText() const { return annotationText_; }
    QSpinBox* annotationFontSize() const { return fontSize_; }
    GradientField* wallpaperField() const { return gradient_; }
    QComboBox* lineStyleChoice() const { return lineStyle_; }
    QComboBox* arrowHeadChoice() const { return arrowHeads_; }
    QComboBox* directionChoice() const { return direction_; }
    QPushButton* drawCropButton() const { return drawCrop_; }
    QCheckBox* cropLockBox() const { return cropLock_; }
    QComboBox* cropAspectChoice() const { return cropAspect_; }
    QPushButton* resetCropButton() const { return resetCrop_; }
    QLabel* cropLabel() const { return cropLabel_; }

Q_SIGNALS:
    // "Draw Crop" switched: the picture shows the whole frame with the crop's handles.
    void cropEditingToggled(bool on);

private:
    void nameControlsByLabels();
    QWidget* canvasPage();
    QWidget* exportPage(std::optional<QSizeF> sourceSize);
    QWidget* webcamPage();
    QWidget* cursorPage();
    QWidget* annotationPage();
    QWidget* cropPage();
    // A slider's values as settings changes; one drag is one undo step.
    void onSlide(QSlider* slider, const QString& gesture, std::function<void(VideoSnapshot&, int)> apply);
    void refreshCrop();
    // The output frame of `edit`, which the webcam is placed on.
    QRectF outputFrame(const VideoSnapshot& edit) const;
    void refreshAnnotationStyles(const std::optional<AnnotationRegion>& a);
    // The selected annotation, changed by `change` (one undo step).
    void editAnnotation(const std::function<void(AnnotationRegion&)>& change);
    std::optional<AnnotationRegion> selectedAnnotation() const;
    void refresh();

    VideoEditorVM& vm_;
    std::optional<QSizeF> sourceSize_;
    QTabWidget* pages_ = nullptr;
    GradientField* gradient_ = nullptr;
    QComboBox* lineStyle_ = nullptr;
    QComboBox* arrowHeads_ = nullptr;
    QComboBox* direction_ = nullptr;
    QLabel* fontSizeLabel_ = nullptr;
    QPushButton* drawCrop_ = nullptr;
    QCheckBox* cropLock_ = nullptr;
    QComboBox* cropAspect_ = nullptr;
    QPushButton* resetCrop_ = nullptr;
    QLabel* cropLabel_ = nullptr;
    QCheckBox* background_ = nullptr;
    ColorButton* color_ = nullptr;
    QSlider* padding_ = nullptr;
    QSlider* corners_ = nullptr;
    QCheckBox* shadow_ = nullptr;
    QSlider* shadowIntensity_ = nullptr;
    QComboBox* aspect_ = nullptr;
    QSlider* motionBlur_ = nullptr;
    QComboBox* fps_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QCheckBox* webcamVisible_ = nullptr;
    QComboBox* webcamLayout_ = nullptr;
    QComboBox* webcamSize_ = nullptr;
    QSlider* webcamScale_ = nullptr;
    QComboBox* webcamShape_ = nullptr;
    QSlider* webcamX_ = nullptr;
    QSlider* webcamY_ = nullptr;
    QCheckBox* trail_ = nullptr;
    QCheckBox* ripple_ = nullptr;
    QSlider* trailWindow_ = nullptr;
    QSlider* trailWidth_ = nullptr;
    ColorButton* trailColor_ = nullptr;
    QSlider* rippleDuration_ = nullptr;
    QSlider* rippleRadius_ = nullptr;
    ColorButton* rippleColor_ = nullptr;
    QWidget* annotationPage_ = nullptr;
    QLineEdit* annotationText_ = nullptr;
    ColorButton* annotationColor_ = nullptr;
    QSpinBox* fontSize_ = nullptr;
};

} // namespace mebo
