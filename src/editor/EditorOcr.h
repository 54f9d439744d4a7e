#pragma once

#include "editor/OcrResult.h"
#include "editor/OcrSvc.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRectF>
#include <functional>

namespace mebo {

class EditorVM;
class OcrResultWindowModel;

namespace platform {
class SoundPlayer;
}

// Text recognition from the editor: the whole capture, or a region the user drags, recognised off
// the main thread; the result window filled with the text, "Select Region..." and "Overlay"; the
// overlay's text layers added to the editor as one change. Layers and the dragged rectangle are
// in the image's pixels (the canvas offset is the view's business). Only the latest request's
// answer is shown. Main thread.
class EditorOcr : public QObject {
    Q_OBJECT
public:
    // Lets the user drag a rectangle over the canvas, then calls back with it (image pixels).
    using RegionPicker = std::function<void(std::function<void(const QRectF&)>)>;

    EditorOcr(EditorVM& editor, OcrSvc svc, OcrResultWindowModel& window, platform::SoundPlayer* sound,
              RegionPicker pickRegion, QObject* parent = nullptr);

    // "OCR Text Recognition": the capture's base image.
    void recognizeImage();
    // A dragged rectangle: recognised when at least 10 x 10 pixels of it lie on the image,
    // otherwise the window opens empty with the beep.
    void recognizeRegion(const QRectF& rect);
    // "Overlay": text layers over the last result's lines.
    void addOverlay();
    // "Select Region...": the user drags a rectangle (through the region picker), then recognizeRegion.
    void selectRegion();

private:
    void present(OcrResult result, QPoint origin, QSize size, bool beepWhenEmpty);

    EditorVM& editor_;
    OcrSvc svc_;
    OcrResultWindowModel& window_;
    platform::SoundPlayer* sound_;
    RegionPicker pickRegion_;
    quint64 generation_ = 0;
    // The last result and where its image lies in the capture (a region's top-left, or 0, 0).
    OcrResult last_;
    QPoint lastOrigin_;
    QSize lastSize_;
};

} // namespace mebo
