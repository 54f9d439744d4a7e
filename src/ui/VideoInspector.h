#pragma once

#include "video/VideoRegions.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QSlider;
class QTabWidget;

namespace mebo {

class ColorButton;
class VideoEditorVM;

// The video editor's inspector: the canvas (background colour, padding, corners, shadow, aspect,
// motion blur), the export's frame rate and resolution, the webcam's layout and the cursor
// effects. Every control writes the model's settings at once (no undo step, autosaved) and
// follows the model when it changes (an undo, a loaded project). Main thread.
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
    QLineEdit* annotationText() const { return annotationText_; }
    QSpinBox* annotationFontSize() const { return fontSize_; }

private:
    QWidget* canvasPage();
    QWidget* exportPage(std::optional<QSizeF> sourceSize);
    QWidget* webcamPage();
    QWidget* cursorPage();
    QWidget* annotationPage();
    // The selected annotation, changed by `change` (one undo step).
    void editAnnotation(const std::function<void(AnnotationRegion&)>& change);
    std::optional<AnnotationRegion> selectedAnnotation() const;
    void refresh();

    VideoEditorVM& vm_;
    QTabWidget* pages_ = nullptr;
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
    QCheckBox* trail_ = nullptr;
    QCheckBox* ripple_ = nullptr;
    QWidget* annotationPage_ = nullptr;
    QLineEdit* annotationText_ = nullptr;
    ColorButton* annotationColor_ = nullptr;
    QSpinBox* fontSize_ = nullptr;
};

} // namespace mebo
