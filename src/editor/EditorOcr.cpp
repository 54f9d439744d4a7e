#include "editor/EditorOcr.h"

#include "editor/EditorVM.h"
#include "editor/OcrOverlay.h"
#include "editor/OcrResultWindowModel.h"
#include "platform/SoundPlayer.h"

namespace mebo {

EditorOcr::EditorOcr(EditorVM& editor, OcrSvc svc, OcrResultWindowModel& window, platform::SoundPlayer* sound,
                     RegionPicker pickRegion, QObject* parent)
    : QObject(parent), editor_(editor), svc_(std::move(svc)), window_(window), sound_(sound),
      pickRegion_(std::move(pickRegion)) {}

void EditorOcr::recognizeImage() {
    const QImage image = editor_.baseImage();
    const quint64 request = ++generation_;
    QPointer<EditorOcr> self(this);
    svc_.recognize(image, [self, request, size = image.size()](OcrResult result) {
        // A later request, or an editor gone meanwhile, makes this answer stale.
        if (self && request == self->generation_) {
            self->present(std::move(result), QPoint(0, 0), size, true);
        }
    });
}

void EditorOcr::recognizeRegion(const QRectF& rect) {
    const QImage& base = editor_.baseImage();
    const quint64 request = ++generation_;
    const std::optional<QRect> region = OcrOverlay::regionInImage(rect, QPointF(0, 0), base.size());
    if (!region) {
        present({}, QPoint(0, 0), base.size(), true);
        return;
    }
    QPointer<EditorOcr> self(this);
    svc_.recognize(base.copy(*region),
                   [self, request, origin = region->topLeft(), size = region->size()](OcrResult result) {
                       if (self && request == self->generation_) {
                           self->present(std::move(result), origin, size, false);
                       }
                   });
}

void EditorOcr::present(OcrResult result, QPoint origin, QSize size, bool beepWhenEmpty) {
    last_ = std::move(result);
    lastOrigin_ = origin;
    lastSize_ = size;
    if (beepWhenEmpty && last_.text.isEmpty() && sound_) {
        sound_->beep();
    }
    window_.show(last_.text,
                 pickRegion_ ? std::function<void()>([this] { selectRegion(); }) : std::function<void()>(),
                 [this](const QString&) { addOverlay(); });
}

void EditorOcr::selectRegion() {
    QPointer<EditorOcr> self(this);
    pickRegion_([self](const QRectF& rect) {
        if (self) {
            self->recognizeRegion(rect);
        }
    });
}

void EditorOcr::addOverlay() {
    LayerList layers;
    for (auto& layer : OcrOverlay::textLayers(last_, lastSize_, QPointF(lastOrigin_))) {
        layers.append(std::move(layer));
    }
    editor_.addLayers(layers);
}

} // namespace mebo
